#include "text/Strings.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace qx {
namespace {

inline char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

inline std::size_t charLen(std::string_view s, std::size_t i) {
    return (isGbkLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Compares needle with s at i character by character; letters fold only as single bytes.
bool matchesIgnoreCaseAt(std::string_view s, std::size_t i, std::string_view needle) {
    if (s.size() - i < needle.size()) return false;
    std::size_t k = 0;
    while (k < needle.size()) {
        std::size_t nl = charLen(needle, k);
        std::size_t hl = charLen(s, i + k);
        if (nl != hl) return false;
        if (nl == 1) {
            if (foldAscii(needle[k]) != foldAscii(s[i + k])) return false;
        } else if (needle[k] != s[i + k] || needle[k + 1] != s[i + k + 1]) {
            return false;
        }
        k += nl;
    }
    return true;
}

bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

Text textUpToNul(const ByteArray& bytes) {
    auto end = std::find(bytes.begin(), bytes.end(), 0);
    return Text(bytes.begin(), end);
}

int find(std::string_view s, std::string_view needle, int start, bool ignoreCase) {
    std::size_t from = start <= 0 ? 0 : static_cast<std::size_t>(start - 1);
    if (needle.empty() || from >= s.size()) return -1;
    if (!ignoreCase) {
        auto pos = s.find(needle, from);
        return pos == std::string_view::npos ? -1 : static_cast<int>(pos + 1);
    }
    // Walk character boundaries from the text's start so that `from` is aligned too.
    std::size_t i = 0;
    while (i < from) i += charLen(s, i);
    for (; i < s.size(); i += charLen(s, i))
        if (matchesIgnoreCaseAt(s, i, needle)) return static_cast<int>(i + 1);
    return -1;
}

int findLast(std::string_view s, std::string_view needle, int start, bool ignoreCase) {
    if (needle.empty() || needle.size() > s.size()) return -1;
    std::size_t last = s.size() - needle.size();
    if (start > 0) last = std::min<std::size_t>(last, static_cast<std::size_t>(start - 1));
    if (!ignoreCase) {
        auto pos = s.rfind(needle, last);
        return pos == std::string_view::npos ? -1 : static_cast<int>(pos + 1);
    }
    int found = -1;
    for (std::size_t i = 0; i <= last; i += charLen(s, i))
        if (matchesIgnoreCaseAt(s, i, needle)) found = static_cast<int>(i + 1);
    return found;
}

bool contains(std::string_view s, std::string_view needle, bool ignoreCase) {
    return find(s, needle, 1, ignoreCase) > 0;
}

Text left(std::string_view s, int count) {
    if (count <= 0) return {};
    return Text(s.substr(0, static_cast<std::size_t>(count)));
}

Text right(std::string_view s, int count) {
    if (count <= 0) return {};
    std::size_t n = std::min<std::size_t>(s.size(), static_cast<std::size_t>(count));
    return Text(s.substr(s.size() - n));
}

Text mid(std::string_view s, int start, int count) {
    std::size_t from = start <= 0 ? 0 : static_cast<std::size_t>(start - 1);
    if (from >= s.size()) return {};
    if (count < 0) return Text(s.substr(from));
    return Text(s.substr(from, static_cast<std::size_t>(count)));
}

Text replace(std::string_view s, std::string_view from, std::string_view to, int start, int maxCount,
             bool ignoreCase) {
    if (from.empty()) return Text(s);
    Text out;
    out.reserve(s.size());
    std::size_t copied = 0;
    int pos = find(s, from, start, ignoreCase);
    int done = 0;
    while (pos > 0 && (maxCount < 0 || done < maxCount)) {
        std::size_t at = static_cast<std::size_t>(pos - 1);
        out.append(s.substr(copied, at - copied));
        out.append(to);
        copied = at + from.size();
        ++done;
        pos = find(s, from, static_cast<int>(copied + 1), ignoreCase);
    }
    out.append(s.substr(copied));
    return out;
}

Text trimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isTrimmed(s[i])) ++i;
    return Text(s.substr(i));
}

Text trimRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && isTrimmed(s[n - 1])) --n;
    return Text(s.substr(0, n));
}

Text trim(std::string_view s) { return trimLeft(trimRight(s)); }

bool isBlank(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == ' ') {
            ++i;
        } else if (i + 1 < s.size() && static_cast<unsigned char>(s[i]) == 0xA1 &&
                   static_cast<unsigned char>(s[i + 1]) == 0xA1) {
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

TextArray split(std::string_view s, std::string_view delimiter, int maxCount) {
    if (delimiter.empty()) delimiter = ",";
    TextArray out;
    if (s.empty()) return out;
    std::size_t from = 0;
    while (true) {
        if (maxCount > 0 && static_cast<int>(out.size()) == maxCount - 1) {
            out.emplace_back(s.substr(from));
            break;
        }
        auto pos = s.find(delimiter, from);
        if (pos == std::string_view::npos) {
            out.emplace_back(s.substr(from));
            break;
        }
        out.emplace_back(s.substr(from, pos - from));
        from = pos + delimiter.size();
    }
    return out;
}

Text join(const TextArray& pieces, std::string_view delimiter) {
    Text out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i) out.append(delimiter);
        out.append(pieces[i]);
    }
    return out;
}

Text toUpperAscii(std::string_view s) {
    Text out(s);
    for (std::size_t i = 0; i < out.size(); i += charLen(out, i))
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 32);
    return out;
}

Text toLowerAscii(std::string_view s) {
    Text out(s);
    for (std::size_t i = 0; i < out.size(); i += charLen(out, i)) out[i] = foldAscii(out[i]);
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.empty() || matchesIgnoreCaseAt(a, 0, b));
}

bool startsWith(std::string_view s, std::string_view prefix, bool ignoreCase) {
    if (prefix.size() > s.size()) return false;
    return ignoreCase ? equalsIgnoreCase(s.substr(0, prefix.size()), prefix) : s.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view s, std::string_view suffix, bool ignoreCase) {
    if (suffix.size() > s.size()) return false;
    auto tail = s.substr(s.size() - suffix.size());
    return ignoreCase ? equalsIgnoreCase(tail, suffix) : tail == suffix;
}

Text fromInt(long long v) { return std::to_string(v); }

Text fromDouble(double v) {
    if (std::isnan(v) || std::isinf(v)) return "0";
    // "%.13g" as in the C locale: the desktop's locale must not turn the point into a comma.
    char buf[64];
    const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 13).ptr;
    return Text(buf, end);
}

long long toInt(std::string_view s) {
    Text t = trim(s);
    return std::strtoll(t.c_str(), nullptr, 10);
}

double toDouble(std::string_view s) {
    Text t = trim(s);
    // strtod as in the C locale, whatever the desktop's locale says about the decimal point.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c ? strtod_l(t.c_str(), nullptr, c) : std::strtod(t.c_str(), nullptr);
}

}  // namespace qx
