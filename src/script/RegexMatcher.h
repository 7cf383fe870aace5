#pragma once
// Regular expressions over GBK texts (JavaScript syntax, see platform/script/RegExp.h).
// Indexes are 1-based; positions are 0-based byte offsets into the subject text, -2 when unknown.
// Byte-array subjects and results hold UTF-16LE units, and their positions count bytes of the array.
#include <memory>

#include "core/Text.h"

namespace qx::script {

namespace detail {
class RegexCore;
}

// The smaller form: no byte-array operations.
class RegexObject {
  public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject& other);  // a clone
    RegexObject& operator=(const RegexObject& other);
    RegexObject(RegexObject&& other) noexcept;
    RegexObject& operator=(RegexObject&& other) noexcept;

    void destroy();
    RegexObject clone() const;
    // Bounds the time the next creates may spend matching (0, the default: no bound beyond the
    // effort bound of each search); past it create fails like a search that gives up.
    void setTimeLimit(int milliseconds);
    // Case is ignored unless caseSensitive; quotePlaceholder turns each "#引号" of the pattern into '"'.
    // False when the pattern does not compile or matching it takes more than a bounded effort.
    bool create(const Text& pattern, const Text& subject, bool caseSensitive = false, bool multiline = true,
                bool global = true, bool quotePlaceholder = false);
    Text pattern() const;
    // After a create that failed: whether the pattern does not compile (otherwise the search gave
    // up), and the engine's words for what went wrong (English, ASCII).
    bool patternInvalid() const;
    Text errorText() const;
    // Every match (the first one without global) replaced; "$1".."$99", "$&", "$`", "$'", "$$".
    Text replace(const Text& replacement) const;
    int matchCount() const;
    Text matchText(int index, int& position, bool wantPosition = false) const;
    Text subMatchText(int index, int subIndex, int& position, bool wantPosition = false) const;
    int subMatchCount() const;

    Text matchText(int index) const;
    Text subMatchText(int index, int subIndex) const;

  protected:
    std::unique_ptr<detail::RegexCore> core_;
};

// The full form: the same operations, plus byte-array subjects and results.
class RegexMatcher : public RegexObject {
  public:
    RegexMatcher clone() const { return *this; }
    bool createFromBytes(const Text& pattern, const ByteArray& subject, bool caseSensitive = false,
                         bool multiline = true, bool global = true, bool quotePlaceholder = false);
    ByteArray replaceBytes(const ByteArray& replacement) const;
    ByteArray matchBytes(int index) const;
    ByteArray subMatchBytes(int index, int subIndex) const;
};

}  // namespace qx::script
