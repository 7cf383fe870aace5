#pragma once
// Lanzou cloud: share link (open or password-protected) to the direct file address.
#include <stop_token>
#include <string_view>

#include "core/Text.h"
#include "resolvers/ResolverTable.h"

namespace qx::resolvers {

// Its entry in the resolver table.
extern const ResolverDescriptor kLanzouResolver;

// The middle part of the service's host names (www.<stem>.com) used when the caller gives none.
inline constexpr std::string_view kLanzouDefaultStem = "lanzoui";

// An empty password picks the open variant, anything else (a single space too) the protected one.
// An empty stem is replaced by the default, in the caller's variable too. Empty text on failure.
Text resolveLanzouLink(const Text& link, const Text& password, Text& stem,
                       const ResolveContext& context = {});
Text resolveLanzouOpenLink(const Text& link, Text& stem, const ResolveContext& context = {});
Text resolveLanzouProtectedLink(const Text& link, const Text& password, Text& stem,
                                const ResolveContext& context = {});

// The "Location" header of a GET of the address, redirects not followed; empty when there is none.
Text readRedirectLocation(const Text& address, std::stop_token stop = {});

}  // namespace qx::resolvers
