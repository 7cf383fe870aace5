#pragma once
// The icon grab without its window: the site's address as the grab uses it and the fetch of
// its "/favicon.ico".
#include <stop_token>

#include "core/Text.h"

namespace qx::siteicon {

// "http://" in front unless "http://" or "https://" stands anywhere in the address (lower case).
Text siteAddress(const Text& typed);

// The answer to a GET of address + "/favicon.ico"; empty bytes when the fetch failed or was
// stopped.
ByteArray fetchSiteIcon(const Text& address, std::stop_token stop);

}  // namespace qx::siteicon
