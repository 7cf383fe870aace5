#include "script/RegexMatcher.h"

#include <chrono>
#include <mutex>

#include "platform/script/RegExp.h"
#include "platform/text/CodePage.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::script {
namespace detail {
namespace {

using platform::RegExp;
using platform::RegExpMatch;

// The subject as the expression sees it (UTF-16 units) together with a way back to byte offsets.
class Subject {
  public:
    static std::shared_ptr<const Subject> fromText(const Text& text) {
        auto s = std::make_shared<Subject>();
        s->text_ = text;
        s->units_ = platform::decodeCodePage(text, 936);
        if (!s->oneUnitPerCharacter()) s->decodeByCharacter();
        return s;
    }

    // UTF-16LE bytes: each unit is two bytes of the array; an odd last byte is kept aside.
    static std::shared_ptr<const Subject> fromBytes(const ByteArray& bytes) {
        auto s = std::make_shared<Subject>();
        s->isBytes_ = true;
        s->units_.reserve(bytes.size() / 2);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            s->units_ += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (bytes.size() % 2) s->oddByte_ = static_cast<int>(bytes.back());
        return s;
    }

    const std::u16string& units() const { return units_; }
    bool isBytes() const { return isBytes_; }
    int oddByte() const { return oddByte_; }

    // 0-based byte offset of a unit index (the end of the subject allowed).
    int byteOffset(int unit) const {
        if (unit < 0 || static_cast<std::size_t>(unit) > units_.size()) return -2;
        if (isBytes_) return unit * 2;
        std::call_once(mapOnce_, [this] { buildMap(); });
        return unitToByte_[static_cast<std::size_t>(unit)];
    }

  private:
    static std::size_t charLength(const Text& t, std::size_t i) {
        return isGbkLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
    }
    static bool validTrail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

    // True when every character of the text (one byte, or a lead byte with a proper trail byte)
    // became exactly one unit, so offsets can be found by walking the characters.
    bool oneUnitPerCharacter() const {
        std::size_t chars = 0;
        for (std::size_t i = 0; i < text_.size(); ++chars) {
            auto b = static_cast<unsigned char>(text_[i]);
            if (isGbkLead(b)) {
                if (i + 1 >= text_.size() || !validTrail(static_cast<unsigned char>(text_[i + 1])))
                    return false;
                i += 2;
            } else {
                i += 1;
            }
        }
        return chars == units_.size();
    }

    void buildMap() const {
        if (!unitToByte_.empty()) return;  // made while decoding by character
        unitToByte_.reserve(units_.size() + 1);
        for (std::size_t i = 0; i < text_.size(); i += charLength(text_, i))
            unitToByte_.push_back(static_cast<int>(i));
        unitToByte_.push_back(static_cast<int>(text_.size()));
    }

    // Invalid byte sequences: decode one character at a time, so each unit knows its bytes.
    void decodeByCharacter() {
        units_.clear();
        unitToByte_.clear();
        for (std::size_t i = 0; i < text_.size();) {
            std::size_t len = charLength(text_, i);
            std::u16string part = platform::decodeCodePage(std::string_view(text_).substr(i, len), 936);
            for (std::size_t k = 0; k < part.size(); ++k) {
                units_ += part[k];
                unitToByte_.push_back(static_cast<int>(i + std::min(k, len - 1)));
            }
            i += len;
        }
        unitToByte_.push_back(static_cast<int>(text_.size()));
    }

    Text text_;
    std::u16string units_;
    bool isBytes_ = false;
    int oddByte_ = -1;
    mutable std::once_flag mapOnce_;
    mutable std::vector<int> unitToByte_;
};

Text gbkOf(std::u16string_view units) { return platform::encodeCodePage(units, 936); }

ByteArray bytesOf(std::u16string_view units) {
    ByteArray out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

}  // namespace

// What both classes hold: the expression, the matches of the last create and the subject. A
// clone shares all three (none of them changes after create).
class RegexCore {
  public:
    bool create(const Text& pattern, std::shared_ptr<const Subject> subject, bool caseSensitive,
                bool multiline, bool global, bool quotePlaceholder) {
        regExp_.reset();
        matches_.reset();
        subject_ = std::move(subject);
        try {
            auto re = std::make_shared<RegExp>();
            re->setIgnoreCase(!caseSensitive);
            re->setMultiline(multiline);
            re->setSingleline(true);  // refused by the object, as the scripting RegExp refuses it
            re->setGlobal(global);
            re->setTimeLimit(timeLimit_);
            Text p = quotePlaceholder ? replaceAll(pattern, gbk(u8"#引号"), "\"") : pattern;
            re->setPattern(platform::decodeCodePage(p, 936));
            regExp_ = re;
            auto matches = std::make_shared<std::vector<RegExpMatch>>();
            if (!re->execute(subject_->units(), *matches)) return false;
            matches_ = std::move(matches);
            return true;
        } catch (...) {
            matches_.reset();
            return false;
        }
    }

    void destroy() {
        regExp_.reset();
        matches_.reset();
        subject_.reset();
    }

    Text pattern() const { return regExp_ ? gbkOf(regExp_->pattern()) : Text(); }
    bool patternInvalid() const { return regExp_ && !regExp_->valid(); }
    Text errorText() const { return regExp_ ? gbkOf(regExp_->errorText()) : Text(); }

    bool replaceUnits(std::u16string_view replacement, std::u16string& out) const {
        out.clear();
        if (!regExp_ || !subject_) return false;
        try {
            return regExp_->replace(subject_->units(), replacement, out);
        } catch (...) {
            out.clear();
            return false;
        }
    }

    Text replace(const Text& replacement) const {
        std::u16string out;
        if (!replaceUnits(platform::decodeCodePage(replacement, 936), out)) return {};
        return gbkOf(out);
    }

    ByteArray replaceBytes(const ByteArray& replacement) const {
        std::u16string units;
        for (std::size_t i = 0; i + 1 < replacement.size(); i += 2)
            units += static_cast<char16_t>(replacement[i] | (replacement[i + 1] << 8));
        std::u16string out;
        if (!replaceUnits(units, out)) return {};
        ByteArray bytes = bytesOf(out);
        // The odd byte of a byte-array subject is no unit of its own; it stays at the end.
        if (subject_->oddByte() >= 0) bytes.push_back(static_cast<std::uint8_t>(subject_->oddByte()));
        return bytes;
    }

    int matchCount() const { return matches_ ? static_cast<int>(matches_->size()) : 0; }

    const RegExpMatch* match(int index) const {
        if (!matches_ || index < 1 || index > static_cast<int>(matches_->size())) return nullptr;
        return &(*matches_)[static_cast<std::size_t>(index - 1)];
    }

    // The exact offset of the match in the subject's bytes (the units map back to their bytes).
    Text matchText(int index, int& position, bool wantPosition) const {
        const RegExpMatch* m = match(index);
        if (!m) return {};
        if (wantPosition) position = subject_->byteOffset(m->firstIndex);
        return gbkOf(m->value);
    }

    ByteArray matchBytes(int index) const {
        const RegExpMatch* m = match(index);
        return m ? bytesOf(m->value) : ByteArray();
    }

    const std::u16string* subMatch(int index, int subIndex, int* start) const {
        const RegExpMatch* m = match(index);
        if (!m || subIndex < 1 || subIndex > static_cast<int>(m->subMatches.size())) return nullptr;
        if (start) *start = m->subMatchIndexes[static_cast<std::size_t>(subIndex - 1)];
        return &m->subMatches[static_cast<std::size_t>(subIndex - 1)];
    }

    // An unmatched group has no place in the subject: its position is -2.
    Text subMatchText(int index, int subIndex, int& position, bool wantPosition) const {
        int start = -1;
        const std::u16string* s = subMatch(index, subIndex, &start);
        if (!s) return {};
        if (wantPosition) position = start < 0 ? -2 : subject_->byteOffset(start);
        return gbkOf(*s);
    }

    ByteArray subMatchBytes(int index, int subIndex) const {
        const std::u16string* s = subMatch(index, subIndex, nullptr);
        return s ? bytesOf(*s) : ByteArray();
    }

    int subMatchCount() const {
        const RegExpMatch* m = match(1);
        return m ? static_cast<int>(m->subMatches.size()) : 0;
    }

    std::chrono::milliseconds timeLimit_{0};
    std::shared_ptr<RegExp> regExp_;
    std::shared_ptr<const std::vector<RegExpMatch>> matches_;
    std::shared_ptr<const Subject> subject_;
};

std::shared_ptr<const Subject> subjectOfText(const Text& text) { return Subject::fromText(text); }
std::shared_ptr<const Subject> subjectOfBytes(const ByteArray& bytes) { return Subject::fromBytes(bytes); }

}  // namespace detail

using detail::RegexCore;

// ---------------------------------------------------------------------------------------------

RegexObject::RegexObject() : core_(std::make_unique<RegexCore>()) {}
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) : core_(std::make_unique<RegexCore>(*other.core_)) {}
RegexObject& RegexObject::operator=(const RegexObject& other) {
    if (this != &other) *core_ = *other.core_;
    return *this;
}
RegexObject::RegexObject(RegexObject&& other) noexcept
    : core_(std::make_unique<RegexCore>(std::move(*other.core_))) {}
RegexObject& RegexObject::operator=(RegexObject&& other) noexcept {
    if (this != &other) *core_ = std::move(*other.core_);
    return *this;
}

void RegexObject::destroy() { core_->destroy(); }
void RegexObject::setTimeLimit(int milliseconds) {
    core_->timeLimit_ = std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0);
}
RegexObject RegexObject::clone() const { return RegexObject(*this); }
bool RegexObject::create(const Text& pattern, const Text& subject, bool caseSensitive, bool multiline,
                         bool global, bool quotePlaceholder) {
    try {
        return core_->create(pattern, detail::subjectOfText(subject), caseSensitive, multiline, global,
                             quotePlaceholder);
    } catch (...) {
        return false;
    }
}
Text RegexObject::pattern() const { return core_->pattern(); }
bool RegexObject::patternInvalid() const { return core_->patternInvalid(); }
Text RegexObject::errorText() const { return core_->errorText(); }
Text RegexObject::replace(const Text& replacement) const { return core_->replace(replacement); }
int RegexObject::matchCount() const { return core_->matchCount(); }
Text RegexObject::matchText(int index, int& position, bool wantPosition) const {
    return core_->matchText(index, position, wantPosition);
}
Text RegexObject::subMatchText(int index, int subIndex, int& position, bool wantPosition) const {
    return core_->subMatchText(index, subIndex, position, wantPosition);
}
int RegexObject::subMatchCount() const { return core_->subMatchCount(); }
Text RegexObject::matchText(int index) const {
    int unused = 0;
    return core_->matchText(index, unused, false);
}
Text RegexObject::subMatchText(int index, int subIndex) const {
    int unused = 0;
    return core_->subMatchText(index, subIndex, unused, false);
}

// ---------------------------------------------------------------------------------------------

bool RegexMatcher::createFromBytes(const Text& pattern, const ByteArray& subject, bool caseSensitive,
                                   bool multiline, bool global, bool quotePlaceholder) {
    try {
        return core_->create(pattern, detail::subjectOfBytes(subject), caseSensitive, multiline, global,
                             quotePlaceholder);
    } catch (...) {
        return false;
    }
}
ByteArray RegexMatcher::replaceBytes(const ByteArray& replacement) const {
    return core_->replaceBytes(replacement);
}
ByteArray RegexMatcher::matchBytes(int index) const { return core_->matchBytes(index); }
ByteArray RegexMatcher::subMatchBytes(int index, int subIndex) const {
    return core_->subMatchBytes(index, subIndex);
}

}  // namespace qx::script
