#pragma once
// The program's two WinINet-style transfers: a plain GET that returns the body, and a
// resumable download straight into a file with a progress callback. On libcurl.
// Both follow redirects (at most 10), verify certificates, read no proxy from the
// environment, honour QUORVEX_CONNECT_TO, and end within ~100 ms of a stop request.
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http/Limits.h"

namespace qx::platform {

// The agent of the plain GET.
inline constexpr std::string_view PlainGetAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// One HTTP/1.0 GET; the body whatever the status. Empty on any failure: a URL that is not
// http(s), no connection, a time-out, an answer cut short, a stop request.
// limits: a whole-request deadline and a body cap, past which the GET fails.
std::vector<std::uint8_t> httpGetBytes(std::string_view url, std::stop_token stop = {}, TransferLimits limits = {});

// Read size of the plain GET for an announced Content-Length (-1: none).
int plainGetChunkSize(long long contentLength);

// Called after every chunk: total (Content-Length, 0 when unknown), bytes downloaded (start
// offset included), milliseconds since reading began (never 0), bytes downloaded by this call,
// and 0. Byte counts are 64-bit: a fast line passes 2 GiB within seconds.
using DownloadProgress = std::function<void(std::int64_t total, std::int64_t downloaded, int elapsedMs,
                                            std::int64_t downloadedThisCall, int)>;

// The download's request header block (CR LF between lines, none at the end); with resume, a
// last line "Range:bytes=<startOffset>-".
std::string downloadHeaderBlock(std::int64_t startOffset, bool resume);

// Largest chunk handed to the file and the callback.
inline constexpr std::size_t DownloadChunkSize = 10240;

// Downloads url into path (a GBK text). Without resume the file is created or emptied; with
// resume it is opened (or created) and appended to. The file is opened only once the answer's
// head has arrived. Returns 0 when the server reported the end of the data, -1 on any failure
// (including a stop request, an answer cut short, or a failed write); the file then holds exactly
// the bytes received and is closed.
int downloadToFile(std::string_view url, std::string_view path, const DownloadProgress& progress,
                   std::int64_t startOffset, bool resume, std::stop_token stop = {});

}  // namespace qx::platform
