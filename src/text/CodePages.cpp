#include "text/CodePages.h"

#include "platform/text/CodePage.h"
#include "text/Strings.h"

namespace qx {

ByteArray unitsToBytes(std::u16string_view units) {
    ByteArray out(units.size() * 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        out[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
        out[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
    return out;
}

std::u16string bytesToUnits(const ByteArray& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return out;
}

ByteArray codePageToUtf16(std::string_view bytes, int codePage) {
    // The input is read up to a NUL, as the system call with length -1 does.
    auto nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    std::u16string units = platform::decodeCodePage(bytes, codePage);
    units.push_back(u'\0');
    return unitsToBytes(units);
}

ByteArray gbkToUtf16(std::string_view text, bool cutAtNul) {
    ByteArray out = codePageToUtf16(text, 936);
    return cutAtNul ? cutUtf16AtNul(out) : out;
}

ByteArray cutUtf16AtNul(const ByteArray& utf16) {
    if (utf16.size() < 2) return {};
    std::size_t units = utf16.size() / 2;
    for (std::size_t k = 0; k < units; ++k)
        if (utf16[2 * k] == 0 && utf16[2 * k + 1] == 0) return ByteArray(utf16.begin(), utf16.begin() + 2 * k);
    return utf16;
}

ByteArray utf16ToBytes(const ByteArray& utf16, int codePage) {
    std::u16string units = bytesToUnits(utf16);
    auto nul = units.find(u'\0');
    if (nul != std::u16string::npos) units.resize(nul);
    if (units.empty()) return {};
    return toBytes(platform::encodeCodePage(units, codePage));
}

Text utf16ToText(const ByteArray& utf16, int codePage, bool useCodePage) {
    return textUpToNul(utf16ToBytes(utf16, useCodePage ? codePage : 0));
}

Text utf8ToText(std::string_view utf8) { return utf16ToText(codePageToUtf16(utf8, 65001), 936, true); }

Text shortPathOf(std::string_view path) {
    // Linux has no 8.3 names; the path is its own short form.
    return Text(path);
}

Text gbk(std::string_view utf8) { return platform::encodeCodePage(platform::utf8ToUtf16(utf8), 936); }

std::string gbkToUtf8(std::string_view text) {
    return platform::utf16ToUtf8(platform::decodeCodePage(text, 936));
}

}  // namespace qx
