#include "resolvers/OneDriveBusiness.h"

#include "text/Strings.h"
#include "text/TextUtilities.h"

namespace qx::resolvers {
namespace {
// The last nine characters of the service's host name (…-my.sharepoint.com) and a "/".
constexpr const char* kHostEndMarker = "point.com/";
}  // namespace

Text convertOneDriveBusinessLink(const Text& link) {
    Text s = removeBetweenMarkers(link, kHostEndMarker, "personal", true);
    TextArray pieces = splitNonEmpty(s, "/");
    std::size_t n = pieces.size();
    // Rebuilding needs scheme, host and a third piece; fewer pieces have no sound answer.
    if (n <= 2) return {};
    Text piece = pieces[n - 2] + "/_layouts/52/download.aspx?share=" + pieces[n - 1];
    Text tail = right(piece, 9);
    piece = removeBetweenMarkers(piece, left(tail, 2), right(tail, 2), false);
    return pieces[0] + "//" + pieces[1] + "/" + pieces[2] + "/" + piece;
}

namespace {
constexpr std::string_view kOneDriveHosts[] = {"sharepoint.com"};
ResolveResult resolveOneDrive(const Text& link, const Text&, const ResolveContext& context) {
    return typedResult(context, [&](const ResolveContext&) { return convertOneDriveBusinessLink(link); });
}
}  // namespace

const ResolverDescriptor kOneDriveBusinessResolver = {
    Service::OneDrive, "onedrive",        "onedrive", u8"Onedrive For Business取直链",
    kOneDriveHosts,    "serviceOneDrive", false,      resolveOneDrive,
};

}  // namespace qx::resolvers
