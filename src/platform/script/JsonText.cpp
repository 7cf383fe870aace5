// The open containers live in a vector of flags, so nesting depth never touches the C stack.
#include "platform/script/JsonText.h"

#include "platform/script/ScriptControl.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qx::platform {
namespace {

class Scanner {
  public:
    Scanner(std::u16string_view s, JsonTape* tape, int maxDepth) : s_(s), tape_(tape), maxDepth_(maxDepth) {}

    bool run() {
        skipSpace();
        if (!value()) return false;
        while (true) {
            skipSpace();
            if (open_.empty()) return i_ == s_.size();
            bool inObject = open_.back();
            if (i_ >= s_.size()) return false;
            char16_t c = s_[i_];
            if (c == u',') {
                ++i_;
                skipSpace();
                if (inObject && !member()) return false;
                if (!value()) return false;
            } else if (c == (inObject ? u'}' : u']')) {
                ++i_;
                open_.pop_back();
                emit(JsonToken::End);
            } else {
                return false;
            }
        }
    }

  private:
    void emit(JsonToken::Kind kind) {
        if (tape_) tape_->tokens.push_back(JsonToken{kind});
    }

    void skipSpace() {
        while (i_ < s_.size()) {
            char16_t c = s_[i_];
            if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') break;
            ++i_;
        }
    }

    // A member's name and colon; the value follows.
    bool member() {
        if (i_ >= s_.size() || s_[i_] != u'"' || !string(true)) return false;
        skipSpace();
        if (i_ >= s_.size() || s_[i_] != u':') return false;
        ++i_;
        skipSpace();
        return true;
    }

    bool open(bool object) {
        open_.push_back(object);
        if (maxDepth_ >= 0 && static_cast<int>(open_.size()) > maxDepth_) return false;
        if (tape_ && static_cast<int>(open_.size()) > tape_->depth)
            tape_->depth = static_cast<int>(open_.size());
        return true;
    }

    // One value. An opening bracket only opens its container (and reads the first member name);
    // run() goes on with the contents.
    bool value() {
        while (true) {
            if (i_ >= s_.size()) return false;
            char16_t c = s_[i_];
            if (c == u'{' || c == u'[') {
                bool object = c == u'{';
                ++i_;
                emit(object ? JsonToken::ObjectStart : JsonToken::ArrayStart);
                skipSpace();
                if (i_ < s_.size() && s_[i_] == (object ? u'}' : u']')) {
                    ++i_;
                    if (maxDepth_ >= 0 && static_cast<int>(open_.size()) + 1 > maxDepth_) return false;
                    emit(JsonToken::End);
                    return true;
                }
                if (!open(object)) return false;
                if (object && !member()) return false;
                continue;  // the first element
            }
            if (c == u'"') return string(false);
            if (c == u'-' || (c >= u'0' && c <= u'9')) return number();
            if (word(u"true")) return emit(JsonToken::True), true;
            if (word(u"false")) return emit(JsonToken::False), true;
            if (word(u"null")) return emit(JsonToken::Null), true;
            return false;
        }
    }

    bool word(std::u16string_view w) {
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }

    static int hex(char16_t c) {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        return -1;
    }

    bool string(bool key) {
        ++i_;  // the opening quote
        std::size_t begin = tape_ ? tape_->strings.size() : 0;
        while (i_ < s_.size()) {
            char16_t c = s_[i_++];
            if (c == u'"') {
                if (tape_) record(key, begin);
                return true;
            }
            if (c < 0x20) return false;
            if (c != u'\\') {
                if (tape_) appendEngineUnit(tape_->strings, c);
                continue;
            }
            if (i_ >= s_.size()) return false;
            char16_t e = s_[i_++];
            char16_t out = 0;
            switch (e) {
                case u'"':
                    out = u'"';
                    break;
                case u'\\':
                    out = u'\\';
                    break;
                case u'/':
                    out = u'/';
                    break;
                case u'b':
                    out = u'\b';
                    break;
                case u'f':
                    out = u'\f';
                    break;
                case u'n':
                    out = u'\n';
                    break;
                case u'r':
                    out = u'\r';
                    break;
                case u't':
                    out = u'\t';
                    break;
                case u'u': {
                    if (i_ + 4 > s_.size()) return false;
                    int v = 0;
                    for (int k = 0; k < 4; ++k) {
                        int h = hex(s_[i_ + static_cast<std::size_t>(k)]);
                        if (h < 0) return false;
                        v = v * 16 + h;
                    }
                    i_ += 4;
                    out = static_cast<char16_t>(v);
                    break;
                }
                default:
                    return false;
            }
            if (tape_) appendEngineUnit(tape_->strings, out);
        }
        return false;
    }

    void record(bool key, std::size_t begin) {
        JsonToken t{key ? JsonToken::Key : JsonToken::String};
        t.offset = static_cast<std::uint32_t>(begin);
        t.length = static_cast<std::uint32_t>(tape_->strings.size() - begin);
        t.protoKey = key && std::string_view(tape_->strings).substr(begin) == "__proto__";
        tape_->tokens.push_back(t);
    }

    bool digits() {
        std::size_t start = i_;
        while (i_ < s_.size() && s_[i_] >= u'0' && s_[i_] <= u'9') ++i_;
        return i_ > start;
    }

    bool number() {
        std::size_t start = i_;
        if (s_[i_] == u'-') ++i_;
        if (i_ >= s_.size()) return false;
        if (s_[i_] == u'0')
            ++i_;
        else if (!digits())
            return false;
        if (i_ < s_.size() && s_[i_] == u'.') {
            ++i_;
            if (!digits()) return false;
        }
        std::size_t exponent = 0;
        if (i_ < s_.size() && (s_[i_] == u'e' || s_[i_] == u'E')) {
            exponent = i_;
            ++i_;
            if (i_ < s_.size() && (s_[i_] == u'+' || s_[i_] == u'-')) ++i_;
            if (!digits()) return false;
        }
        if (tape_) {
            ascii_.assign(s_.begin() + static_cast<std::ptrdiff_t>(start),
                          s_.begin() + static_cast<std::ptrdiff_t>(i_));
            JsonToken t{JsonToken::Number};
            auto r = std::from_chars(ascii_.data(), ascii_.data() + ascii_.size(), t.number);
            if (r.ec == std::errc::result_out_of_range) {
                // Too large is infinite, too small is zero, as the script reads such literals.
                bool negative = ascii_[0] == '-';
                bool tiny = exponent && s_[exponent + 1] == u'-';
                double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
                t.number = negative ? -magnitude : magnitude;
            } else if (r.ec != std::errc()) {
                return false;
            }
            tape_->tokens.push_back(t);
        }
        return true;
    }

    std::u16string_view s_;
    JsonTape* tape_;
    int maxDepth_;
    std::size_t i_ = 0;
    std::vector<bool> open_;  // true: object, false: array
    std::string ascii_;
};

}  // namespace

bool scanJson(std::u16string_view text, JsonTape* tape, int maxDepth) {
    try {
        if (tape) *tape = JsonTape{};
        return Scanner(text, tape, maxDepth).run();
    } catch (...) {  // out of memory for the tape or the bracket stack
        return false;
    }
}

}  // namespace qx::platform
