#pragma once
// The plain GET and the resumable download, for the features (see platform/http/Internet.h).
#include <stop_token>

#include "app/text/Text.h"
#include "platform/http/Internet.h"

namespace qx {

using platform::DownloadProgress;

inline ByteArray httpGetBytes(std::string_view url, std::stop_token stop = {}) {
    return platform::httpGetBytes(url, stop);
}

inline int downloadToFile(std::string_view url, std::string_view path, const DownloadProgress& progress,
                          int startOffset, bool resume, std::stop_token stop = {}) {
    return platform::downloadToFile(url, path, progress, startOffset, resume, stop);
}

}  // namespace qx
