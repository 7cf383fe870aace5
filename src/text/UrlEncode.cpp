#include "text/UrlEncode.h"

#include "text/CodePages.h"

namespace qx {

namespace {

bool passesUnchanged(std::uint8_t b, bool keepMarks) {
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) return true;
    if (b == '-' || b == '.') return true;
    return keepMarks && b >= 0x27 && b <= 0x2A;  // ' ( ) *
}

}  // namespace

Text percentEncodeBytes(const ByteArray& bytes, bool keepMarks) {
    static const char kHex[] = "0123456789ABCDEF";
    Text out;
    out.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (b == 0) continue;
        if (passesUnchanged(b, keepMarks)) {
            out += static_cast<char>(b);
        } else if (b == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

Text urlEncodeText(const Text& text, bool keepMarks, bool useUtf8) {
    // The UTF-8 form goes through UTF-16 as the system conversion does, so it ends at a NUL.
    ByteArray bytes = useUtf8 ? utf16ToBytes(codePageToUtf16(text, 936), 65001) : toBytes(text);
    return percentEncodeBytes(bytes, keepMarks);
}

}  // namespace qx
