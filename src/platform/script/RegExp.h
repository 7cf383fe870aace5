#pragma once
// A regular-expression object with the behaviour of the scripting RegExp: JavaScript syntax and
// semantics over UTF-16 subjects, on PCRE2 (16-bit). Indexes and lengths count UTF-16 units.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qx::platform {

struct RegExpMatch {
    std::u16string value;
    int firstIndex = 0;  // 0-based, UTF-16 units of the subject
    int length = 0;
    // One entry per capture group; an unmatched group is empty.
    std::vector<std::u16string> subMatches;
    // Where each group starts in the subject, -1 for an unmatched group.
    std::vector<int> subMatchIndexes;
};

class RegExp {
  public:
    RegExp();
    ~RegExp();
    RegExp(const RegExp&) = delete;
    RegExp& operator=(const RegExp&) = delete;

    void setPattern(std::u16string_view pattern);
    const std::u16string& pattern() const { return pattern_; }
    void setIgnoreCase(bool on);
    bool ignoreCase() const { return ignoreCase_; }
    void setMultiline(bool on);
    bool multiline() const { return multiline_; }
    void setGlobal(bool on) { global_ = on; }
    bool global() const { return global_; }

    // A bound on the time one execute or replace may take, on top of the effort bound of each
    // search (which a pattern that is slow at every position stays under). Zero, the default,
    // sets none. Past it the call fails like a search that gives up.
    void setTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }

    // The object knows no "Singleline" property (JavaScript has no such flag): always refused.
    bool setSingleline(bool on);

    // All matches (only the first without Global). False when the pattern does not compile or a
    // match needs more than the bounded effort; `out` is then empty.
    bool execute(std::u16string_view subject, std::vector<RegExpMatch>& out) const;

    // Replaces the matches (all with Global, else the first). The replacement understands $1..$99,
    // $&, $`, $' and $$. False (and `out` empty) on the same failures as execute.
    bool replace(std::u16string_view subject, std::u16string_view replacement, std::u16string& out) const;

    // True when the pattern compiles (compiling it on first use).
    bool valid() const;
    // Why the pattern did not compile or the last match failed; empty when all went well.
    std::u16string errorText() const;

  private:
    struct Compiled;
    std::shared_ptr<const Compiled> compiled() const;
    void invalidate();
    // Calls `each` with the code-unit offsets (start/end pairs, -1 unset) of every match in order.
    bool forEachMatch(std::u16string_view subject,
                      const std::function<void(const std::vector<int>&)>& each) const;

    std::u16string pattern_;
    bool ignoreCase_ = false;
    bool multiline_ = false;
    bool global_ = false;
    std::chrono::milliseconds timeLimit_{0};
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const Compiled> compiled_;
    mutable bool compileTried_ = false;
    mutable std::u16string error_;
};

}  // namespace qx::platform
