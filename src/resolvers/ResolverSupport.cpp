#include "resolvers/ResolverSupport.h"

#include "net/FetchLimits.h"
#include "script/JsonObject.h"
#include "text/Strings.h"

namespace qx::resolvers {

net::HttpRequestOptions resolverRequest(const ResolveContext& context) {
    net::HttpRequestOptions options;
    options.limits = net::fetchLimits(net::AnswerKind::Resolver);
    options.stop = context.stop;
    return options;
}

TextArray splitLinkPieces(std::string_view link) {
    if (link.empty()) return {};
    TextArray pieces = split(link, "/");
    if (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
    return pieces;
}

Text pieceFromEnd(const TextArray& pieces, std::size_t index) {
    if (index == 0 || index > pieces.size()) return {};
    return pieces[pieces.size() - index];
}

Text addressMember(script::JsonObject& json, const Text& path) {
    constexpr int kString = 6;
    return json.typeOf(path) == kString ? json.getText(path) : Text();
}

}  // namespace qx::resolvers
