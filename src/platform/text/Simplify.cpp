#include "platform/text/Simplify.h"

#include <opencc.h>
#include <unicode/ucnv.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/library/SharedLibrary.h"
#include "platform/text/CodePage.h"
#include "platform/text/Utf8.h"

namespace qx::platform {
namespace {

struct OpenCc : Imports {
    OpenCc() : Imports(QX_OPENCC_SONAME) {}
    QX_IMPORT(opencc_open);
    QX_IMPORT(opencc_convert_utf8);
    QX_IMPORT(opencc_convert_utf8_free);
    QX_IMPORT(opencc_close);
};

// Loading the dictionaries takes a while: one converter for the whole run, opened on first use.
// OpenCC keeps its last error in a global, so conversions take turns.
class T2s {
  public:
    static T2s& instance() {
        static T2s t;
        return t;
    }
    bool ready() const { return handle_ != invalid(); }
    bool convert(std::string_view utf8, std::string& out) {
        if (!ready()) return false;
        std::lock_guard lock(mutex_);
        char* converted = cc_->opencc_convert_utf8(handle_, utf8.data(), utf8.size());
        if (!converted) return false;
        out.assign(converted);
        cc_->opencc_convert_utf8_free(converted);
        return true;
    }

  private:
    static opencc_t invalid() { return reinterpret_cast<opencc_t>(static_cast<std::intptr_t>(-1)); }
    T2s()
        : cc_(imported<OpenCc>()),
          handle_(cc_ ? cc_->opencc_open(OPENCC_DEFAULT_CONFIG_TRAD_TO_SIMP) : invalid()) {}
    ~T2s() {
        if (ready()) cc_->opencc_close(handle_);
    }
    const OpenCc* cc_;
    opencc_t handle_;
    std::mutex mutex_;
};

std::vector<char32_t> codePoints(std::string_view utf8) {
    std::vector<char32_t> out;
    std::u16string units = utf8ToUtf16(utf8);
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        out.push_back(c);
    }
    return out;
}

// One character of the GBK text: its bytes and, when it is a character at all, its code point.
struct Unit {
    std::size_t begin = 0, end = 0;
    char32_t original = 0;
    char32_t simplified = 0;
    bool character = false;
};

// Splits the GBK text into characters by asking ICU which bytes produced which code point; bytes
// that decode to nothing usable are kept apart as non-characters.
std::vector<Unit> unitsOf(std::string_view gbk) {
    std::vector<Unit> units;
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> conv(ucnv_open("windows-936-2000", &err), &ucnv_close);
    if (U_FAILURE(err) || !conv) return units;
    std::vector<UChar> target(gbk.size() * 2 + 16);
    std::vector<int32_t> offsets(target.size(), -1);
    UChar* t = target.data();
    const char* s = gbk.data();
    ucnv_toUnicode(conv.get(), &t, target.data() + target.size(), &s, gbk.data() + gbk.size(), offsets.data(),
                   true, &err);
    if (U_FAILURE(err)) return units;
    const std::size_t produced = static_cast<std::size_t>(t - target.data());
    for (std::size_t i = 0; i < produced;) {
        std::size_t j = i + 1;
        while (j < produced && offsets[j] == offsets[i]) ++j;
        Unit u;
        // Every byte belongs to some unit, so nothing of the input can get lost.
        u.begin = units.empty() ? 0 : units.back().end;
        u.end = j < produced && offsets[j] >= 0 ? static_cast<std::size_t>(offsets[j]) : gbk.size();
        if (u.end < u.begin) u.end = u.begin;
        const char32_t c = target[i];
        const bool substitute = c == 0xFFFD || (c == 0x1A && gbk[u.begin] != 0x1A);
        u.character = j == i + 1 && c != 0 && !substitute && !(c >= 0xD800 && c < 0xE000);
        u.original = u.simplified = c;
        if (u.end > u.begin) {
            units.push_back(u);
        } else if (!units.empty()) {
            units.back().character = false;  // two code points from the same bytes
        }
        i = j;
    }
    return units;
}

// Simplifies the characters of units[from, to): the whole run at once when OpenCC keeps the
// character count, else line by line, and a line that still changes its count character by
// character, so every result lines up with the character it replaces.
void simplifyRun(std::vector<Unit>& units, std::size_t from, std::size_t to, int level) {
    std::string utf8;
    std::size_t characters = 0;
    for (std::size_t k = from; k < to; ++k) {
        if (!units[k].character) continue;
        appendUtf8(utf8, units[k].original);
        ++characters;
    }
    if (characters == 0) return;
    std::string converted;
    if (!T2s::instance().convert(utf8, converted)) return;
    std::vector<char32_t> result = codePoints(converted);
    if (result.size() == characters) {
        std::size_t r = 0;
        for (std::size_t k = from; k < to; ++k)
            if (units[k].character) units[k].simplified = result[r++];
        return;
    }
    if (level == 0) {
        std::size_t start = from;
        for (std::size_t k = from; k < to; ++k) {
            if (units[k].original != U'\n') continue;
            simplifyRun(units, start, k + 1, 1);
            start = k + 1;
        }
        simplifyRun(units, start, to, 1);
    } else if (to - from > 1) {
        for (std::size_t k = from; k < to; ++k) simplifyRun(units, k, k + 1, 2);
    }
}

}  // namespace

bool simplifyUtf8(std::string_view utf8, std::string& out) {
    if (!T2s::instance().convert(utf8, out)) {
        out.assign(utf8);
        return false;
    }
    return true;
}

std::string simplifyGbk(std::string_view gbk) {
    if (gbk.empty() || !T2s::instance().ready()) return std::string(gbk);
    std::vector<Unit> units = unitsOf(gbk);
    if (units.empty()) return std::string(gbk);
    simplifyRun(units, 0, units.size(), 0);
    std::string out;
    out.reserve(gbk.size());
    for (const Unit& u : units) {
        const std::string_view original = gbk.substr(u.begin, u.end - u.begin);
        if (u.simplified == u.original || u.simplified > 0xFFFF ||
            encodeCodePage(std::u16string(1, static_cast<char16_t>(u.original)), 936) != original) {
            out += original;
            continue;
        }
        std::string encoded = encodeCodePage(std::u16string(1, static_cast<char16_t>(u.simplified)), 936);
        // '?' is the converter's mark for a character GBK cannot hold.
        out += encoded.empty() || (encoded == "?" && u.simplified != U'?') ? std::string(original) : encoded;
    }
    return out;
}

}  // namespace qx::platform
