#pragma once
// Reads the program's online notice: a password-protected note on the Weiyun sharing service,
// fetched as an anonymous web client and turned into plain text.
#include <stop_token>

#include "core/Text.h"

namespace qx::notice {

inline constexpr const char* kNoticeShareLink = "https://share.weiyun.com/QrvxNote";
inline constexpr const char* kNoticeSharePassword = "tmvrke";
inline constexpr const char* kNoticeRequestAddress =
    "https://share.weiyun.com/webapp/json/weiyunShareNoLogin/WeiyunShareView?refer=unknown_windows&g_tk=5820194637";

// The note as plain text, or empty text (offline, wrong password, withdrawn share…).
Text fetchShareNote(const Text& shareLink, const Text& sharePassword, std::stop_token stop = {});
// A fresh sequence number as decimal digits.
Text getSeq();
// The JSON request body, built from its pieces exactly as the service expects it.
Text shareViewRequestBody(const Text& seq, const Text& sharePassword, const Text& shareKey);

// A request-header list. Each fetch builds its own, so concurrent checks never mix entries.
struct RequestHeaderList {
    TextArray names;
    TextArray values;
};
void addRequestHeader(RequestHeaderList& list, const Text& name, const Text& value);
Text joinRequestHeaders(RequestHeaderList& list, bool keepList);

}  // namespace qx::notice
