#include "text/Decoders.h"

#include "text/CodePages.h"
#include "platform/script/ScriptControl.h"
#include "platform/text/CodePage.h"
#include "platform/text/TextStream.h"
#include "text/Strings.h"

namespace qx {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A string handed to or taken from the script control, as the runtime converts it: GBK up to
// the first NUL.
std::u16string toScriptString(const Text& text) {
    return platform::decodeCodePage(std::string_view(text.c_str()), 936);
}

Text fromScriptString(const std::u16string& units) {
    std::u16string_view upToNul(units.c_str());
    return platform::encodeCodePage(upToNul, 936);
}

// The bytes written into a binary text stream and read back as "unicode" text.
Text bytesReadAsUtf16(const Text& bytes) {
    platform::TextStream stream;
    stream.setType(platform::TextStream::kBinary);
    stream.open();
    stream.write(bytes);
    stream.setPosition(0);
    stream.setType(platform::TextStream::kText);
    stream.setCharset("unicode");
    std::u16string text;
    stream.readText(text);
    stream.close();
    return fromScriptString(text);
}

}  // namespace

Text decodeUtf8Bytes(const Text& text) { return utf8ToText(text); }

Text decodePercent(const Text& text) {
    if (text.empty()) return {};
    ByteArray bytes;
    bytes.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        unsigned char c = static_cast<unsigned char>(text[k]);
        if (c == '%' && k + 2 < text.size()) {
            int high = hexValue(text[k + 1]);
            int low = hexValue(text[k + 2]);
            if (high >= 0 && low >= 0) {
                bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
                k += 2;
                continue;
            }
        }
        bytes.push_back(c);
    }
    return textUpToNul(bytes);
}

Text decodeUnicodeEscapes(const Text& text) {
    static const Text lineBreakMark = "{$}";
    static const Text rightQuote = gbk(u8"\u2019");

    Text t = replaceAll(text, "\r\n", lineBreakMark);
    if (!t.empty() && t.front() == '\r') t.erase(0, 1);
    t = replaceAll(t, "\\u", "%u");
    // An apostrophe would end the script's string literal.
    t = replaceAll(t, "'", rightQuote);

    Text decoded;
    {
        platform::ScriptControl script;
        if (script.setLanguage(u"JScript") &&
            script.executeStatement(u"function xx(){var x='" + toScriptString(t) +
                                    u"';return unescape(x);}")) {
            platform::ScriptValue r = script.run(u"xx", {});
            decoded = fromScriptString(r.text);
        }
    }
    Text result = !decoded.empty() ? decoded : bytesReadAsUtf16(t);
    result = replaceAll(result, rightQuote, "'");
    return replaceAll(result, lineBreakMark, "\r\n");
}

}  // namespace qx
