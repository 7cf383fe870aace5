#pragma once
// ASCII-only case folding: header names, charset labels, tag names and file patterns fold A-Z
// and nothing else (a GBK or UTF-16 unit above 0x7F is never touched).
#include <string>
#include <string_view>

namespace qx::platform {

template <typename Char>
constexpr Char lowerAscii(Char c) {
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c + ('a' - 'A')) : c;
}

template <typename Char>
std::basic_string<Char> toLowerAscii(std::basic_string_view<Char> s) {
    std::basic_string<Char> out(s);
    for (Char& c : out) c = lowerAscii(c);
    return out;
}
inline std::string toLowerAscii(std::string_view s) { return toLowerAscii<char>(s); }

template <typename Char>
constexpr bool equalsIgnoreCaseAscii(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}
constexpr bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b) {
    return equalsIgnoreCaseAscii<char>(a, b);
}

constexpr bool startsWithIgnoreCaseAscii(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalsIgnoreCaseAscii(s.substr(0, prefix.size()), prefix);
}

}  // namespace qx::platform
