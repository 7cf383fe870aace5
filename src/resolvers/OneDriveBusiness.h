#pragma once
#include "core/Text.h"

namespace qx::resolvers {

// Rewrites a OneDrive for Business share link into its direct download address; empty text
// when the link has too few pieces to rebuild.
Text convertOneDriveBusinessLink(const Text& link);

}  // namespace qx::resolvers
