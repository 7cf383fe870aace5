#include "platform/text/TextStream.h"

#include <algorithm>

#include "platform/text/CodePage.h"
#include "platform/text/Ascii.h"

namespace qx::platform {
namespace {

std::string lowerTrimmed(std::string_view name) {
    auto isJunk = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '"' || c == '\'';
    };
    while (!name.empty() && isJunk(name.front())) name.remove_prefix(1);
    while (!name.empty() && isJunk(name.back())) name.remove_suffix(1);
    return toLowerAscii(name);
}

// Names the way Windows (and every browser) reads them: Latin-1 labels mean windows-1252,
// Big5 means code page 950. Everything else goes to ICU's alias table.
std::string converterName(std::string_view charset) {
    std::string lower = lowerTrimmed(charset);
    if (lower == "iso-8859-1" || lower == "iso8859-1" || lower == "latin1" || lower == "l1" ||
        lower == "us-ascii" || lower == "ascii" || lower == "iso_8859-1")
        return "windows-1252";
    if (lower == "big5" || lower == "x-x-big5" || lower == "cp950") return "windows-950-2000";
    if (lower == "x-gbk" || lower == "gb_2312-80" || lower == "chinese") return "gbk";
    return lower;
}

bool isUnicodeFamily(const std::string& name) {
    return name.rfind("utf", 0) == 0 || name == "unicode" || name == "unicodefffe" ||
           name == "bigendianunicode";
}

bool isUtf16Family(const std::string& name) {
    return name.rfind("utf-16", 0) == 0 || name.rfind("utf16", 0) == 0 || name == "unicode" ||
           name == "unicodefffe" || name == "bigendianunicode";
}

bool decodeFrom(std::string_view bytes, const std::string& name, bool atStart, std::u16string& out) {
    // Half a code unit at the end is no character; the stream leaves it out.
    if (isUtf16Family(name) && bytes.size() % 2 == 1) bytes.remove_suffix(1);
    if (!decodeCharset(bytes, name, out)) return false;
    if (atStart && isUnicodeFamily(name) && !out.empty() && out.front() == u'\xFEFF') out.erase(0, 1);
    return true;
}

}  // namespace

bool charsetKnown(std::string_view charset) {
    std::string name = converterName(charset);
    std::u16string ignored;
    return !name.empty() && decodeCharset({}, name, ignored);
}

bool bytesToText(std::string_view bytes, std::string_view charset, std::u16string& out) {
    out.clear();
    std::string name = converterName(charset);
    if (name.empty()) return false;
    return decodeFrom(bytes, name, true, out);
}

bool textToBytes(std::u16string_view text, std::string_view charset, std::string& out) {
    out.clear();
    std::string name = converterName(charset);
    if (name.empty()) return false;
    return encodeCharset(text, name, out);
}

bool TextStream::setType(int type) {
    if ((type != kBinary && type != kText) || position_ != 0) return false;
    type_ = type;
    return true;
}

bool TextStream::setCharset(std::string_view name) {
    if (!charsetKnown(name)) return false;
    charset_ = std::string(name);
    return true;
}

bool TextStream::open() {
    if (open_) return false;
    open_ = true;
    bytes_.clear();
    position_ = 0;
    return true;
}

void TextStream::close() {
    open_ = false;
    bytes_.clear();
    position_ = 0;
}

bool TextStream::write(std::string_view bytes) {
    if (!open_ || type_ != kBinary) return false;
    std::size_t overlap = std::min(bytes.size(), bytes_.size() - position_);
    bytes_.replace(position_, overlap, bytes);
    position_ += bytes.size();
    return true;
}

bool TextStream::setPosition(std::size_t position) {
    if (!open_ || position > bytes_.size()) return false;
    position_ = position;
    return true;
}

std::string TextStream::read() {
    if (!open_ || type_ != kBinary) return {};
    std::string out = bytes_.substr(position_);
    position_ = bytes_.size();
    return out;
}

bool TextStream::readText(std::u16string& out) {
    out.clear();
    if (!open_ || type_ != kText) return false;
    std::string_view rest(bytes_);
    rest.remove_prefix(position_);
    if (!decodeFrom(rest, converterName(charset_), position_ == 0, out)) return false;
    position_ = bytes_.size();
    return true;
}

bool TextStream::writeText(std::u16string_view text) {
    if (!open_ || type_ != kText) return false;
    std::string encoded;
    if (!textToBytes(text, charset_, encoded)) return false;
    bytes_.resize(position_);
    bytes_ += encoded;
    position_ = bytes_.size();
    return true;
}

}  // namespace qx::platform
