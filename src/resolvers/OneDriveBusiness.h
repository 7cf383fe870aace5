#pragma once
#include "core/Text.h"
#include "resolvers/ResolverTable.h"

namespace qx::resolvers {

// Its entry in the resolver table.
extern const ResolverDescriptor kOneDriveBusinessResolver;

// Rewrites a OneDrive for Business share link into its direct download address; empty text
// when the link has too few pieces to rebuild.
Text convertOneDriveBusinessLink(const Text& link);

}  // namespace qx::resolvers
