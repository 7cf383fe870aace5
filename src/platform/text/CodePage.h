#pragma once
// Code-page conversion on ICU. 936 and 0 are GBK (Windows code page 936), 65001 is UTF-8.
#include <string>
#include <string_view>

namespace qx::platform {

// Bytes in the code page to UTF-16; an invalid sequence becomes U+FFFD, a truncated
// trailing sequence is replaced, never read past.
std::u16string decodeCodePage(std::string_view bytes, int codePage);

// UTF-16 to the code page; a character the code page cannot hold becomes '?'.
std::string encodeCodePage(std::u16string_view text, int codePage);

// Bytes in a charset named as in HTML/MIME ("utf-8", "big5", "unicode" for UTF-16LE…).
// Returns false when ICU knows no such charset.
bool decodeCharset(std::string_view bytes, std::string_view charset, std::u16string& out);
bool encodeCharset(std::u16string_view text, std::string_view charset, std::string& out);

// UTF-8 <-> UTF-16 without a code-page detour (for file names and the Qt boundary).
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

}  // namespace qx::platform
