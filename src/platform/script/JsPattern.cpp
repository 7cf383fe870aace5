// JavaScript pattern syntax (the ES5 grammar with the web-compatible relaxations the scripting
// object accepts) rewritten into PCRE2 syntax. Everything emitted is explicit: character classes
// as code-unit ranges, `.`, `^`, `$` and `\b` as lookarounds over the JavaScript line terminators
// and word characters, so no PCRE2 option changes their meaning.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/script/JsPattern.h"

namespace qx::platform {
namespace {

using Range = std::pair<std::uint32_t, std::uint32_t>;
using Ranges = std::vector<Range>;

const Ranges kDigit = {{0x30, 0x39}};
const Ranges kWord = {{0x30, 0x39}, {0x41, 0x5A}, {0x5F, 0x5F}, {0x61, 0x7A}};
const Ranges kSpace = {{0x09, 0x0D},     {0x20, 0x20},     {0xA0, 0xA0},     {0x1680, 0x1680},
                       {0x2000, 0x200A}, {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F},
                       {0x3000, 0x3000}, {0xFEFF, 0xFEFF}};

// Characters whose Unicode case folding reaches an ASCII letter although the script's does not
// (LONG S ~ s, KELVIN SIGN ~ k). Under IgnoreCase a class keeps them only together with a partner,
// so that ASCII letters always match as in the script; only these two may differ.
constexpr std::uint32_t kLongS = 0x17F;
constexpr std::uint32_t kKelvin = 0x212A;

constexpr char16_t kLineTerminators[] = u"[\\x{a}\\x{d}\\x{2028}\\x{2029}]";
constexpr char16_t kWordClass[] = u"[0-9A-Z_a-z]";

void normalise(Ranges& r) {
    std::sort(r.begin(), r.end());
    Ranges out;
    for (const auto& x : r) {
        if (!out.empty() && x.first <= out.back().second + 1)
            out.back().second = std::max(out.back().second, x.second);
        else
            out.push_back(x);
    }
    r.swap(out);
}

Ranges complement(const Ranges& in) {
    Ranges r = in;
    normalise(r);
    Ranges out;
    std::uint32_t next = 0;
    for (const auto& x : r) {
        if (x.first > next) out.push_back({next, x.first - 1});
        next = x.second + 1;
    }
    if (next <= 0xFFFF) out.push_back({next, 0xFFFF});
    return out;
}

bool containsUnit(const Ranges& r, std::uint32_t c) {
    for (const auto& x : r)
        if (c >= x.first && c <= x.second) return true;
    return false;
}

Ranges without(const Ranges& r, std::uint32_t c) {
    Ranges out;
    for (const auto& x : r) {
        if (c < x.first || c > x.second) {
            out.push_back(x);
            continue;
        }
        if (x.first < c) out.push_back({x.first, c - 1});
        if (c < x.second) out.push_back({c + 1, x.second});
    }
    return out;
}

void appendHex(std::u16string& out, std::uint32_t c) {
    static const char16_t digits[] = u"0123456789abcdef";
    out += u"\\x{";
    char16_t buf[8];
    int n = 0;
    do {
        buf[n++] = digits[c & 0xF];
        c >>= 4;
    } while (c);
    while (n) out += buf[--n];
    out += u'}';
}

void appendUnit(std::u16string& out, std::uint32_t c) {
    bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (alnum)
        out += static_cast<char16_t>(c);
    else
        appendHex(out, c);
}

void appendRanges(std::u16string& out, const Ranges& r) {
    for (const auto& x : r) {
        appendUnit(out, x.first);
        if (x.second != x.first) {
            out += u'-';
            appendUnit(out, x.second);
        }
    }
}

// A class of code units, negated or not; always one PCRE2 class, so repeats of it stay cheap.
void appendClass(std::u16string& out, Ranges r, bool negated, bool caseless) {
    normalise(r);
    if (caseless) {
        if (!containsUnit(r, 's') && !containsUnit(r, 'S')) r = without(r, kLongS);
        if (!containsUnit(r, 'k') && !containsUnit(r, 'K')) r = without(r, kKelvin);
    }
    if (r.empty()) {
        out += negated ? u"[\\x{0}-\\x{ffff}]" : u"(?!)";
        return;
    }
    out += negated ? u"[^" : u"[";
    appendRanges(out, r);
    out += u']';
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

class Translator {
  public:
    Translator(std::u16string_view src, bool multiline, bool caseless)
        : s_(src), multiline_(multiline), caseless_(caseless) {}

    bool run(std::u16string& out, int& groups) {
        groups_ = countGroups();
        if (groups_ < 0) return false;
        out_.clear();
        out_.reserve(s_.size() * 2 + 8);
        int depth = 0;
        bool quantifiable = false;
        while (i_ < s_.size()) {
            char16_t c = s_[i_];
            switch (c) {
                case u'\\':
                    if (!escape(quantifiable)) return false;
                    break;
                case u'[':
                    if (!characterClass()) return false;
                    quantifiable = true;
                    break;
                case u'(':
                    if (i_ + 1 < s_.size() && s_[i_ + 1] == u'?') {
                        if (i_ + 2 >= s_.size()) return false;
                        char16_t k = s_[i_ + 2];
                        if (k != u':' && k != u'=' && k != u'!') return false;
                        out_ += u"(?";
                        out_ += k;
                        i_ += 3;
                    } else {
                        out_ += u'(';
                        ++i_;
                    }
                    ++depth;
                    quantifiable = false;
                    break;
                case u')':
                    if (depth == 0) return false;
                    --depth;
                    out_ += u')';
                    ++i_;
                    quantifiable = true;
                    break;
                case u'|':
                    out_ += u'|';
                    ++i_;
                    quantifiable = false;
                    break;
                case u'.':
                    out_ += u"[^\\x{a}\\x{d}\\x{2028}\\x{2029}]";
                    ++i_;
                    quantifiable = true;
                    break;
                case u'^':
                    if (multiline_)
                        out_ += std::u16string(u"(?:^|(?<=") + kLineTerminators + u"))";
                    else
                        out_ += u'^';
                    ++i_;
                    quantifiable = false;
                    break;
                case u'$':
                    if (multiline_)
                        out_ += std::u16string(u"(?=") + kLineTerminators + u"|\\z)";
                    else
                        out_ += u"\\z";
                    ++i_;
                    quantifiable = false;
                    break;
                case u'*':
                case u'+':
                case u'?':
                    if (!quantifiable) return false;
                    out_ += c;
                    ++i_;
                    lazySuffix();
                    quantifiable = false;
                    break;
                case u'{': {
                    std::u16string q;
                    std::size_t end = 0;
                    int valid = braceQuantifier(q, end);
                    if (valid < 0) return false;
                    if (valid == 0) {  // not a quantifier: a literal brace
                        literal(c);
                        ++i_;
                        quantifiable = true;
                        break;
                    }
                    if (!quantifiable) return false;
                    out_ += q;
                    i_ = end;
                    lazySuffix();
                    quantifiable = false;
                    break;
                }
                default:
                    literal(c);
                    ++i_;
                    quantifiable = true;
                    break;
            }
        }
        if (depth != 0) return false;
        out = std::move(out_);
        groups = groups_;
        return true;
    }

  private:
    // Capturing groups, counted ahead so that \N can tell a back-reference from an octal escape.
    int countGroups() const {
        int n = 0;
        std::size_t i = 0;
        while (i < s_.size()) {
            char16_t c = s_[i];
            if (c == u'\\') {
                i += 2;
            } else if (c == u'[') {
                i = classEnd(i);
                if (i == std::u16string_view::npos) return -1;
            } else {
                if (c == u'(' && (i + 1 >= s_.size() || s_[i + 1] != u'?')) ++n;
                ++i;
            }
        }
        return n;
    }

    // Index after the class that starts at `open`, or npos when it is not closed.
    std::size_t classEnd(std::size_t open) const {
        std::size_t i = open + 1;
        if (i < s_.size() && s_[i] == u'^') ++i;
        while (i < s_.size()) {
            if (s_[i] == u'\\')
                i += 2;
            else if (s_[i] == u']')
                return i + 1;
            else
                ++i;
        }
        return std::u16string_view::npos;
    }

    void lazySuffix() {
        if (i_ < s_.size() && s_[i_] == u'?') {
            out_ += u'?';
            ++i_;
        }
    }

    // 1: a quantifier (text in q, end after it); 0: not one; -1: a bad one ({3,1}).
    int braceQuantifier(std::u16string& q, std::size_t& end) const {
        std::size_t i = i_ + 1;
        auto number = [&](std::uint64_t& v) {
            std::size_t start = i;
            v = 0;
            while (i < s_.size() && isDigit(s_[i])) {
                if (v < 1000000000ULL) v = v * 10 + static_cast<std::uint64_t>(s_[i] - u'0');
                ++i;
            }
            return i > start;
        };
        std::uint64_t lo = 0, hi = 0;
        if (!number(lo)) return 0;
        bool hasComma = false, hasHi = false;
        if (i < s_.size() && s_[i] == u',') {
            hasComma = true;
            ++i;
            hasHi = number(hi);
        }
        if (i >= s_.size() || s_[i] != u'}') return 0;
        end = i + 1;
        if (hasHi && hi < lo) return -1;
        auto text = [](std::uint64_t v) {
            std::u16string t;
            std::string d = std::to_string(v);
            for (char ch : d) t += static_cast<char16_t>(ch);
            return t;
        };
        q = u"{" + text(lo);
        if (hasComma) q += u",";
        if (hasHi) q += text(hi);
        q += u"}";
        return 1;
    }

    void literal(std::uint32_t c) { appendUnit(out_, c); }

    // Legacy octal escape (up to three digits, at most 0377) starting at i_; i_ moves past it.
    std::uint32_t octal() {
        std::uint32_t v = 0;
        int n = 0;
        while (i_ < s_.size() && s_[i_] >= u'0' && s_[i_] <= u'7' && n < 3) {
            std::uint32_t next = v * 8 + static_cast<std::uint32_t>(s_[i_] - u'0');
            if (next > 0377) break;
            v = next;
            ++i_;
            ++n;
        }
        return v;
    }

    // Escapes that mean one code unit in and out of classes; false when `c` is not one of them.
    bool unitEscape(std::uint32_t& unit) {
        char16_t c = s_[i_];
        switch (c) {
            case u'f':
                unit = 0x0C;
                ++i_;
                return true;
            case u'n':
                unit = 0x0A;
                ++i_;
                return true;
            case u'r':
                unit = 0x0D;
                ++i_;
                return true;
            case u't':
                unit = 0x09;
                ++i_;
                return true;
            case u'v':
                unit = 0x0B;
                ++i_;
                return true;
            case u'x':
                if (i_ + 2 < s_.size() && hexValue(s_[i_ + 1]) >= 0 && hexValue(s_[i_ + 2]) >= 0) {
                    unit = static_cast<std::uint32_t>(hexValue(s_[i_ + 1]) * 16 + hexValue(s_[i_ + 2]));
                    i_ += 3;
                } else {
                    unit = u'x';
                    ++i_;
                }
                return true;
            case u'u': {
                bool ok = i_ + 4 < s_.size();
                for (int k = 1; ok && k <= 4; ++k) ok = hexValue(s_[i_ + k]) >= 0;
                if (ok) {
                    unit = 0;
                    for (int k = 1; k <= 4; ++k)
                        unit = unit * 16 + static_cast<std::uint32_t>(hexValue(s_[i_ + k]));
                    i_ += 5;
                } else {
                    unit = u'u';
                    ++i_;
                }
                return true;
            }
            default:
                return false;
        }
    }

    // \c followed by a letter is a control character; otherwise the backslash stands for itself.
    bool controlEscape(std::uint32_t& unit, bool inClass) {
        if (i_ + 1 < s_.size()) {
            char16_t l = s_[i_ + 1];
            bool letter = (l >= u'a' && l <= u'z') || (l >= u'A' && l <= u'Z');
            bool classExtra = inClass && (isDigit(l) || l == u'_');
            if (letter || classExtra) {
                unit = static_cast<std::uint32_t>(l % 32);
                i_ += 2;
                return true;
            }
        }
        return false;  // the caller emits a backslash and goes on at 'c'
    }

    bool escape(bool& quantifiable) {
        ++i_;  // past the backslash
        if (i_ >= s_.size()) return false;
        char16_t c = s_[i_];
        std::uint32_t unit = 0;
        switch (c) {
            case u'd':
                appendClass(out_, kDigit, false, caseless_);
                ++i_;
                quantifiable = true;
                return true;
            case u'D':
                appendClass(out_, kDigit, true, caseless_);
                ++i_;
                quantifiable = true;
                return true;
            case u'w':
                appendClass(out_, kWord, false, caseless_);
                ++i_;
                quantifiable = true;
                return true;
            case u'W':
                appendClass(out_, kWord, true, caseless_);
                ++i_;
                quantifiable = true;
                return true;
            case u's':
                appendClass(out_, kSpace, false, caseless_);
                ++i_;
                quantifiable = true;
                return true;
            case u'S':
                appendClass(out_, kSpace, true, caseless_);
                ++i_;
                quantifiable = true;
                return true;
            case u'b':
                out_ += std::u16string(u"(?:(?<=") + kWordClass + u")(?!" + kWordClass + u")|(?<!" +
                        kWordClass + u")(?=" + kWordClass + u"))";
                ++i_;
                quantifiable = false;
                return true;
            case u'B':
                out_ += std::u16string(u"(?:(?<=") + kWordClass + u")(?=" + kWordClass + u")|(?<!" +
                        kWordClass + u")(?!" + kWordClass + u"))";
                ++i_;
                quantifiable = false;
                return true;
            case u'c':
                if (controlEscape(unit, false)) {
                    literal(unit);
                } else {
                    literal(u'\\');  // "\c" stays a backslash; the 'c' is read next
                }
                quantifiable = true;
                return true;
            default:
                break;
        }
        if (unitEscape(unit)) {
            literal(unit);
            quantifiable = true;
            return true;
        }
        if (c == u'0' && (i_ + 1 >= s_.size() || !isDigit(s_[i_ + 1]))) {
            literal(0);
            ++i_;
            quantifiable = true;
            return true;
        }
        if (isDigit(c)) {
            // A back-reference when that many groups exist, else an octal escape or the digit.
            std::size_t j = i_;
            std::uint64_t n = 0;
            while (j < s_.size() && isDigit(s_[j])) {
                if (n < 100000) n = n * 10 + static_cast<std::uint64_t>(s_[j] - u'0');
                ++j;
            }
            if (c != u'0' && n <= static_cast<std::uint64_t>(groups_)) {
                out_ += u"(?:\\g{";
                for (std::size_t k = i_; k < j; ++k) out_ += s_[k];
                out_ += u"})";
                i_ = j;
            } else if (c >= u'8') {
                literal(c);
                ++i_;
            } else {
                literal(octal());
            }
            quantifiable = true;
            return true;
        }
        literal(c);  // identity escape
        ++i_;
        quantifiable = true;
        return true;
    }

    // One class atom: a unit (set == nullptr) or a class escape (set filled).
    bool classAtom(std::uint32_t& unit, Ranges& set, bool& isSet) {
        isSet = false;
        char16_t c = s_[i_];
        if (c != u'\\') {
            unit = c;
            ++i_;
            return true;
        }
        ++i_;
        if (i_ >= s_.size()) return false;
        c = s_[i_];
        switch (c) {
            case u'd':
                set = kDigit;
                isSet = true;
                ++i_;
                return true;
            case u'D':
                set = complement(kDigit);
                isSet = true;
                ++i_;
                return true;
            case u'w':
                set = kWord;
                isSet = true;
                ++i_;
                return true;
            case u'W':
                set = complement(kWord);
                isSet = true;
                ++i_;
                return true;
            case u's':
                set = kSpace;
                isSet = true;
                ++i_;
                return true;
            case u'S':
                set = complement(kSpace);
                isSet = true;
                ++i_;
                return true;
            case u'b':
                unit = 0x08;
                ++i_;
                return true;
            case u'c':
                if (!controlEscape(unit, true)) unit = u'\\';  // 'c' is read as the next atom
                return true;
            default:
                break;
        }
        if (unitEscape(unit)) return true;
        if (isDigit(c)) {
            if (c >= u'8') {
                unit = c;
                ++i_;
            } else {
                unit = octal();
            }
            return true;
        }
        unit = c;
        ++i_;
        return true;
    }

    bool characterClass() {
        ++i_;  // past '['
        bool negated = false;
        if (i_ < s_.size() && s_[i_] == u'^') {
            negated = true;
            ++i_;
        }
        Ranges ranges;
        while (true) {
            if (i_ >= s_.size()) return false;
            if (s_[i_] == u']') {
                ++i_;
                break;
            }
            std::uint32_t a = 0;
            Ranges aSet;
            bool aIsSet = false;
            if (!classAtom(a, aSet, aIsSet)) return false;
            bool range = i_ + 1 < s_.size() && s_[i_] == u'-' && s_[i_ + 1] != u']';
            if (!range) {
                if (aIsSet)
                    ranges.insert(ranges.end(), aSet.begin(), aSet.end());
                else
                    ranges.push_back({a, a});
                continue;
            }
            ++i_;  // past '-'
            std::uint32_t b = 0;
            Ranges bSet;
            bool bIsSet = false;
            if (!classAtom(b, bSet, bIsSet)) return false;
            if (aIsSet || bIsSet) {
                // A class escape at either end makes the hyphen a plain character.
                if (aIsSet)
                    ranges.insert(ranges.end(), aSet.begin(), aSet.end());
                else
                    ranges.push_back({a, a});
                ranges.push_back({u'-', u'-'});
                if (bIsSet)
                    ranges.insert(ranges.end(), bSet.begin(), bSet.end());
                else
                    ranges.push_back({b, b});
                continue;
            }
            if (a > b) return false;
            ranges.push_back({a, b});
        }
        appendClass(out_, std::move(ranges), negated, caseless_);
        return true;
    }

    std::u16string_view s_;
    bool multiline_;
    bool caseless_;
    std::size_t i_ = 0;
    int groups_ = 0;
    std::u16string out_;
};

}  // namespace

bool translateJsPattern(std::u16string_view js, bool multiline, bool caseless, std::u16string& pcre,
                        int& groupCount) {
    Translator t(js, multiline, caseless);
    pcre.clear();
    groupCount = 0;
    return t.run(pcre, groupCount);
}

}  // namespace qx::platform
