#pragma once
// ctfile: share link (and its password) to the direct file address through the service's web API.
#include <stop_token>
#include <string_view>

#include "core/Text.h"
#include "resolvers/ResolverTable.h"

namespace qx::resolvers {

// Its entry in the resolver table.
extern const ResolverDescriptor kCtfileResolver;

inline constexpr std::string_view kCtfileApiHost = "webapi.ctfile.com";
// The web front-end the API expects its calls from ("origin:" line).
inline constexpr std::string_view kCtfileWebOrigin = "https://www.ctfile.com";

// Empty text when the service gives no address.
Text resolveCtfileLink(const Text& link, const Text& password, const ResolveContext& context = {});

// One value of the script engine's Math.random() that is 17 characters long and starts with "0"
// (a "0" is put in front of a value that does not). Empty text when the engine gives no such value
// (it failed, or stop was requested).
Text randomFractionText(std::stop_token stop = {});

}  // namespace qx::resolvers
