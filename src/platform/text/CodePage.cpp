#include "platform/text/CodePage.h"
#include "platform/text/Ascii.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <map>
#include <memory>

namespace qx::platform {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

std::string charsetFor(int codePage) {
    switch (codePage) {
        case 65001: return "UTF-8";
        case 1200: return "UTF-16LE";
        case 0:
        case 936: return "windows-936-2000";
        default: return "windows-" + std::to_string(codePage);
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
    if (lower == "gbk" || lower == "gb2312" || lower == "cp936" || lower == "windows-936") return "windows-936-2000";
    return name;
}

}  // namespace

std::u16string decodeCodePage(std::string_view bytes, int codePage) {
    std::u16string out;
    decodeWith(converter(charsetFor(codePage)), bytes, out);
    return out;
}

std::string encodeCodePage(std::u16string_view text, int codePage) {
    std::string out;
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
