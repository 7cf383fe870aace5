#include "net/HeaderText.h"

#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::net {

Text textBefore(std::string_view text, std::string_view delimiter, int start, bool ignoreCase) {
    int pos = find(text, delimiter, start <= 0 ? 1 : start, ignoreCase);
    if (pos < 0) return {};
    return left(text, pos - 1);
}

Text textBetween(std::string_view text, std::string_view leftDelimiter, std::string_view rightDelimiter,
                 int start, bool caseSensitive) {
    static const Text quoteMark = gbk(u8"#引号");
    Text l = replaceAll(leftDelimiter, quoteMark, "\"");
    Text r = replaceAll(rightDelimiter, quoteMark, "\"");
    int at = find(text, l, start <= 0 ? 1 : start, !caseSensitive);
    if (at < 0) return {};
    int from = at + static_cast<int>(l.size());
    int end = find(text, r, from, !caseSensitive);
    if (end < 0) return {};
    return mid(text, from, end - from);
}

Text headerLineName(std::string_view line) {
    int colon = find(line, ":");
    if (colon < 0) return {};
    return trim(left(line, colon - 1));
}

Text headerLineValue(std::string_view line) {
    int colon = find(line, ":");
    if (colon < 0) return {};
    return trim(mid(line, colon + 1));
}

Text capitalizeFirst(std::string_view text) {
    Text out(text);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

Text normalizeHeaderNames(std::string_view block) {
    Text result;
    for (const Text& line : split(block, "\r\n")) {
        int colon = find(line, ":");
        if (colon < 0) continue;
        Text name = left(line, colon - 1);
        if (contains(name, "-")) {
            TextArray pieces = split(name, "-");
            for (Text& piece : pieces) piece = capitalizeFirst(piece);
            name = join(pieces, "-");
        } else {
            name = capitalizeFirst(name);
        }
        result += name + mid(line, colon) + "\r\n";
    }
    if (endsWith(result, "\r\n")) result.resize(result.size() - 2);
    return result;
}

ByteArray base64Encode(const ByteArray& bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    ByteArray out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        for (int shift : {18, 12, 6, 0})
            out.push_back(static_cast<std::uint8_t>(alphabet[(v >> shift) & 63]));
    }
    if (std::size_t rest = bytes.size() - i; rest > 0) {
        unsigned v = bytes[i] << 16;
        if (rest == 2) v |= bytes[i + 1] << 8;
        out.push_back(static_cast<std::uint8_t>(alphabet[(v >> 18) & 63]));
        out.push_back(static_cast<std::uint8_t>(alphabet[(v >> 12) & 63]));
        out.push_back(rest == 2 ? static_cast<std::uint8_t>(alphabet[(v >> 6) & 63]) : '=');
        out.push_back('=');
    }
    return out;
}

}  // namespace qx::net
