#pragma once
// The cloud-share resolvers behind one table, and the dispatch by service number.
#include <optional>
#include <span>
#include <string_view>

#include "core/Text.h"
#include "resolvers/ResolveContext.h"

namespace qx::resolvers {

struct ResolverEntry {
    int service;            // 1..6, the number the main window's buttons store
    std::string_view name;  // short ASCII name of the service
    bool usesPassword;
    // The direct address, or the resolver's failure result (empty text; Wenshushu its message).
    Text (*resolve)(const Text& link, const Text& password, const ResolveContext& context);
};

std::span<const ResolverEntry> resolverTable();
// The entry of that service number, or nullptr.
const ResolverEntry* findResolver(int service);

// Runs the resolver of the service with the link and, for the services that take one, the
// password. Nothing (std::nullopt) for a number that names no service.
std::optional<Text> resolveShareLink(int service, const Text& link, const Text& password,
                                     const ResolveContext& context = {});

}  // namespace qx::resolvers
