#pragma once
// Wenshushu: share link (and its pickup password) to the direct file address through the
// service's JSON API, as an anonymous visitor.
#include <string_view>

#include "core/Text.h"
#include "resolvers/ResolverTable.h"

namespace qx::resolvers {

// Its entry in the resolver table.
extern const ResolverDescriptor kWenshushuResolver;

inline constexpr std::string_view kWenshushuHost = "www.wenshushu.cn";

// The text this resolver answers instead of an address when any step fails.
Text wenshushuFailureText();

// The address of the first file of the share (by name), or wenshushuFailureText().
Text resolveWenshushuLink(const Text& link, const Text& password, const ResolveContext& context = {});

}  // namespace qx::resolvers
