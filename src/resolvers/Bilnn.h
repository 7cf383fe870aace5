#pragma once
// bilnn cloud: share link to the direct file address through one call of the share API.
#include <string_view>

#include "core/Text.h"
#include "resolvers/ResolverTable.h"

namespace qx::resolvers {

// Its entry in the resolver table.
extern const ResolverDescriptor kBilnnResolver;

inline constexpr std::string_view kBilnnHost = "pan.bilnn.com";

// The share key is the text after the last "/s/" of the link. Empty text when the answer has
// no address.
Text resolveBilnnLink(const Text& link, const ResolveContext& context = {});

}  // namespace qx::resolvers
