// A strict JSON check (RFC 8259) run before any engine sees a text from the network. It keeps its
// own stack of open containers, one bit each, so nesting depth never touches the C stack.
#include <vector>

#include "script/JsonObject.h"

namespace qx {
namespace {

class JsonChecker {
public:
    explicit JsonChecker(std::u16string_view s) : s_(s) {}

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
            } else {
                return false;
            }
        }
    }

private:
    void skipSpace() {
        while (i_ < s_.size()) {
            char16_t c = s_[i_];
            if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') break;
            ++i_;
        }
    }

    // A member's name and colon; the value follows.
    bool member() {
        if (i_ >= s_.size() || s_[i_] != u'"' || !string()) return false;
        skipSpace();
        if (i_ >= s_.size() || s_[i_] != u':') return false;
        ++i_;
        skipSpace();
        return true;
    }

    // One value. An opening bracket only opens the container (and reads its first member name);
    // run() goes on with its contents.
    bool value() {
        while (true) {
            if (i_ >= s_.size()) return false;
            char16_t c = s_[i_];
            if (c == u'{' || c == u'[') {
                bool object = c == u'{';
                ++i_;
                skipSpace();
                if (i_ < s_.size() && s_[i_] == (object ? u'}' : u']')) {
                    ++i_;
                    return true;
                }
                open_.push_back(object);
                if (object && !member()) return false;
                continue;  // the first element
            }
            if (c == u'"') return string();
            if (c == u'-' || (c >= u'0' && c <= u'9')) return number();
            return word(u"true") || word(u"false") || word(u"null");
        }
    }

    bool word(std::u16string_view w) {
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }

    static bool hex(char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    }

    bool string() {
        ++i_;  // the opening quote
        while (i_ < s_.size()) {
            char16_t c = s_[i_++];
            if (c == u'"') return true;
            if (c < 0x20) return false;
            if (c != u'\\') continue;
            if (i_ >= s_.size()) return false;
            char16_t e = s_[i_++];
            switch (e) {
                case u'"':
                case u'\\':
                case u'/':
                case u'b':
                case u'f':
                case u'n':
                case u'r':
                case u't': break;
                case u'u':
                    if (i_ + 4 > s_.size()) return false;
                    for (int k = 0; k < 4; ++k)
                        if (!hex(s_[i_ + static_cast<std::size_t>(k)])) return false;
                    i_ += 4;
                    break;
                default: return false;
            }
        }
        return false;
    }

    bool digits() {
        std::size_t start = i_;
        while (i_ < s_.size() && s_[i_] >= u'0' && s_[i_] <= u'9') ++i_;
        return i_ > start;
    }

    bool number() {
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
        if (i_ < s_.size() && (s_[i_] == u'e' || s_[i_] == u'E')) {
            ++i_;
            if (i_ < s_.size() && (s_[i_] == u'+' || s_[i_] == u'-')) ++i_;
            if (!digits()) return false;
        }
        return true;
    }

    std::u16string_view s_;
    std::size_t i_ = 0;
    std::vector<bool> open_;  // true: object, false: array
};

}  // namespace

bool isJsonText(std::u16string_view text) {
    try {
        return JsonChecker(text).run();
    } catch (...) {  // out of memory for the bracket stack
        return false;
    }
}

}  // namespace qx
