#pragma once
#include "app/text/Text.h"

namespace qx {

// Rewrites a OneDrive for Business share link into its direct download address; empty text
// when the link has too few pieces to rebuild.
Text convertOneDriveBusinessLink(const Text& link);

}  // namespace qx
