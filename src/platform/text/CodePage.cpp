#include "platform/text/CodePage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <map>
#include <memory>
#include <span>

#include "platform/text/Ascii.h"
#include "platform/text/Utf8.h"

namespace qx::res {
// The tables the build takes from ICU (gen/MakeGbkTables.cpp).
std::span<const unsigned char> gbk_to_unicode();
std::span<const unsigned char> unicode_to_gbk();
}  // namespace qx::res

namespace qx::platform {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

std::string charsetFor(int codePage) {
    switch (codePage) {
        case 65001:
            return "UTF-8";
        case 1200:
            return "UTF-16LE";
        case 0:
        case 936:
            return "windows-936-2000";
        default:
            return "windows-" + std::to_string(codePage);
    }
}

// Converters are not thread-safe; each thread keeps its own, opened on first use.
UConverter* converter(const std::string& name) {
    thread_local std::map<std::string, ConverterPtr> cache;
    auto it = cache.find(name);
    if (it != cache.end()) return it->second.get();
    UErrorCode err = U_ZERO_ERROR;
    UConverter* c = ucnv_open(name.c_str(), &err);
    if (U_FAILURE(err) || c == nullptr) {
        if (c) ucnv_close(c);
        return nullptr;
    }
    // Invalid input decodes to U+FFFD; unmappable output encodes to '?'.
    err = U_ZERO_ERROR;
    ucnv_setToUCallBack(c, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &err);
    err = U_ZERO_ERROR;
    ucnv_setFromUCallBack(c, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &err);
    err = U_ZERO_ERROR;
    ucnv_setSubstChars(c, "?", 1, &err);
    return cache.emplace(name, ConverterPtr(c)).first->second.get();
}

bool decodeWith(UConverter* c, std::string_view bytes, std::u16string& out) {
    out.clear();
    if (!c) return false;
    ucnv_resetToUnicode(c);
    if (bytes.empty()) return true;
    out.resize(bytes.size() * 2 + 16);
    UChar* target = reinterpret_cast<UChar*>(out.data());
    UChar* targetLimit = target + out.size();
    const char* source = bytes.data();
    const char* sourceLimit = source + bytes.size();
    UErrorCode err = U_ZERO_ERROR;
    ucnv_toUnicode(c, &target, targetLimit, &source, sourceLimit, nullptr, true, &err);
    if (U_FAILURE(err)) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(target - reinterpret_cast<UChar*>(out.data())));
    return true;
}

bool encodeWith(UConverter* c, std::u16string_view text, std::string& out) {
    out.clear();
    if (!c) return false;
    ucnv_resetFromUnicode(c);
    if (text.empty()) return true;
    out.resize(text.size() * 4 + 16);
    char* target = out.data();
    char* targetLimit = target + out.size();
    const UChar* source = reinterpret_cast<const UChar*>(text.data());
    const UChar* sourceLimit = source + text.size();
    UErrorCode err = U_ZERO_ERROR;
    ucnv_fromUnicode(c, &target, targetLimit, &source, sourceLimit, nullptr, true, &err);
    if (U_FAILURE(err)) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(target - out.data()));
    return true;
}

std::string normaliseCharset(std::string_view charset) {
    std::string name(charset);
    std::string lower = toLowerAscii(name);
    if (lower == "unicode" || lower == "utf-16") return "UTF-16LE";
    if (lower == "unicodefffe" || lower == "bigendianunicode") return "UTF-16BE";
    if (lower == "gbk" || lower == "gb2312" || lower == "cp936" || lower == "windows-936")
        return "windows-936-2000";
    return name;
}

// UTF-8 and GBK without ICU: opening ICU's GBK converter maps a megabyte of tables, which would
// be most of what the program needs beyond Qt's own to show its first window. Only text that
// converts cleanly takes this way; anything else (malformed bytes, unmappable characters) goes to
// ICU, so every result is the one ICU gives.
char16_t tableValue(std::span<const unsigned char> table, std::size_t index) {
    return static_cast<char16_t>(table[2 * index] | table[2 * index + 1] << 8);
}

bool decodeGbk(std::string_view bytes, std::u16string& out) {
    static const std::span<const unsigned char> table = res::gbk_to_unicode();
    if (table.size() != 2 * (128 + 126 * 191)) return false;
    out.clear();
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c = b;
        if (b >= 0x81 && b <= 0xFE) {
            const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[++i]) : 0;
            if (trail < 0x40 || trail > 0xFE) return false;
            c = tableValue(table, 0x80 + (b - 0x81) * 191 + (trail - 0x40));
        } else if (b >= 0x80) {
            c = tableValue(table, b - 0x80);
        }
        if (c == 0 && b != 0) return false;
        out += c;
    }
    return true;
}

bool encodeGbk(std::u16string_view text, std::string& out) {
    static const std::span<const unsigned char> table = res::unicode_to_gbk();
    if (table.size() != 2 * 0x10000) return false;
    out.clear();
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        const char16_t code = c < 0x80 ? c : tableValue(table, c);
        if (code == 0 && c != 0) return false;
        if (code > 0xFF) out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
    return true;
}

bool decodeUtf8(std::string_view bytes, std::u16string& out) {
    out.clear();
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const int length = b < 0x80                 ? 1
                           : b >= 0xC2 && b <= 0xDF ? 2
                           : b >= 0xE0 && b <= 0xEF ? 3
                           : b >= 0xF0 && b <= 0xF4 ? 4
                                                    : 0;
        if (length == 0 || i + length > bytes.size()) return false;
        char32_t c = length == 1 ? b : b & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD7C0 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        }
        i += length;
    }
    return true;
}

bool encodeUtf8(std::u16string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c > 0xDBFF || i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        appendUtf8(out, c);
    }
    return true;
}

}  // namespace

std::u16string decodeCodePage(std::string_view bytes, int codePage) {
    std::u16string out;
    if (codePage == 65001 && decodeUtf8(bytes, out)) return out;
    if ((codePage == 936 || codePage == 0) && decodeGbk(bytes, out)) return out;
    decodeWith(converter(charsetFor(codePage)), bytes, out);
    return out;
}

std::string encodeCodePage(std::u16string_view text, int codePage) {
    std::string out;
    if (codePage == 65001 && encodeUtf8(text, out)) return out;
    if ((codePage == 936 || codePage == 0) && encodeGbk(text, out)) return out;
    encodeWith(converter(charsetFor(codePage)), text, out);
    return out;
}

bool decodeCharset(std::string_view bytes, std::string_view charset, std::u16string& out) {
    if (charset.empty()) return false;
    return decodeWith(converter(normaliseCharset(charset)), bytes, out);
}

bool encodeCharset(std::u16string_view text, std::string_view charset, std::string& out) {
    if (charset.empty()) return false;
    return encodeWith(converter(normaliseCharset(charset)), text, out);
}

std::u16string utf8ToUtf16(std::string_view utf8) { return decodeCodePage(utf8, 65001); }
std::string utf16ToUtf8(std::u16string_view utf16) { return encodeCodePage(utf16, 65001); }

}  // namespace qx::platform
