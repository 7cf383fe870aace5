#include "resolvers/ResolverTable.h"

#include "resolvers/Bilnn.h"
#include "resolvers/Ctfile.h"
#include "resolvers/Lanzou.h"
#include "resolvers/OneDriveBusiness.h"
#include "resolvers/Wenshushu.h"
#include "resolvers/Yunpan360.h"

namespace qx::resolvers {
namespace {

Text lanzou(const Text& link, const Text& password, const ResolveContext& context) {
    Text stem;  // a fresh one each time: the resolver fills in its default
    return resolveLanzouLink(link, password, stem, context);
}
Text oneDrive(const Text& link, const Text&, const ResolveContext&) {
    return convertOneDriveBusinessLink(link);
}
Text bilnn(const Text& link, const Text&, const ResolveContext& context) {
    return resolveBilnnLink(link, context);
}
Text yunpan360(const Text& link, const Text&, const ResolveContext& context) {
    return resolveYunpan360Link(link, context);
}

// clang-format off
constexpr ResolverEntry kResolvers[] = {
    {1, "lanzou",    true,  lanzou},
    {2, "onedrive",  false, oneDrive},
    {3, "bilnn",     false, bilnn},
    {4, "ctfile",    true,  resolveCtfileLink},
    {5, "yunpan360", false, yunpan360},
    {6, "wenshushu", true,  resolveWenshushuLink},
};
// clang-format on

}  // namespace

std::span<const ResolverEntry> resolverTable() { return kResolvers; }

const ResolverEntry* findResolver(int service) {
    for (const ResolverEntry& e : kResolvers)
        if (e.service == service) return &e;
    return nullptr;
}

std::optional<Text> resolveShareLink(int service, const Text& link, const Text& password,
                                     const ResolveContext& context) {
    const ResolverEntry* entry = findResolver(service);
    if (!entry) return std::nullopt;
    return entry->resolve(link, entry->usesPassword ? password : Text(), context);
}

}  // namespace qx::resolvers
