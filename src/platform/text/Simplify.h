#pragma once
// Traditional Chinese to simplified on OpenCC's "t2s" conversion (phrases first, then single
// characters).
#include <string>
#include <string_view>

namespace qx::platform {

// UTF-8 in and out. False when OpenCC or its t2s configuration cannot be loaded; out is then
// the input unchanged.
bool simplifyUtf8(std::string_view utf8, std::string& out);

// GBK in and out, as the system's simplified-Chinese mapping works on GBK bytes: character for
// character, so bytes that form no GBK character stay exactly as they are, and a simplified
// character that GBK cannot hold leaves the original character in place.
std::string simplifyGbk(std::string_view gbk);

}  // namespace qx::platform
