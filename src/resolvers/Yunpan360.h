#pragma once
// 360 Yunpan: short share link to the direct file address.
#include <string_view>

#include "core/Text.h"
#include "resolvers/ResolverTable.h"

namespace qx::resolvers {

// Its entry in the resolver table.
extern const ResolverDescriptor kYunpan360Resolver;

// The service's domain; share pages live on <prefix>.link.<domain>.
inline constexpr std::string_view kYunpan360Domain = "yunpan.com";

// Empty text on any failure.
Text resolveYunpan360Link(const Text& link, const ResolveContext& context = {});

// The text after the last occurrence of marker; empty text when it does not occur.
Text textAfterLast(std::string_view text, std::string_view marker, bool ignoreCase = false);

}  // namespace qx::resolvers
