#pragma once
// Conversions between GBK texts, UTF-16 buffers (little-endian units in a ByteArray) and
// other code pages. Code page 0 is the system ANSI page, which is GBK for this program.
#include <string_view>

#include "core/Text.h"

namespace qx {

ByteArray codePageToUtf16(std::string_view bytes, int codePage);  // terminating zero unit included
ByteArray gbkToUtf16(std::string_view text, bool cutAtNul);
ByteArray cutUtf16AtNul(const ByteArray& utf16);
ByteArray utf16ToBytes(const ByteArray& utf16, int codePage);
Text utf16ToText(const ByteArray& utf16, int codePage, bool useCodePage);
Text utf8ToText(std::string_view utf8);
Text shortPathOf(std::string_view path);  // on this platform the path itself

// The program's own texts are written once, as UTF-8 literals, and turned into GBK here.
Text gbk(std::string_view utf8);
inline Text gbk(std::u8string_view utf8) {
    return gbk(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}
// GBK text to UTF-8 (file names, the Qt boundary, logs of tests).
std::string gbkToUtf8(std::string_view text);
// GBK text to a UTF-8 bytes text (what a UTF-8 request body needs).
inline Text textToUtf8(std::string_view text) { return gbkToUtf8(text); }

// UTF-16 code units <-> ByteArray of little-endian units.
ByteArray unitsToBytes(std::u16string_view units);
std::u16string bytesToUnits(const ByteArray& bytes);

}  // namespace qx
