#include "utilities/regextester/RegexTest.h"

#include "script/RegexMatcher.h"
#include "text/CodePages.h"
#include "utilities/regextester/RegexTesterControls.h"

namespace qx::regextester {

namespace {

enum class MatchEnd { Listed, BadPattern, GaveUp };

MatchEnd findMatches(const Text& pattern, const Text& subject, TextArray& matches, int timeLimitMs,
                     Text& why) {
    matches.clear();
    script::RegexMatcher matcher;
    matcher.setTimeLimit(timeLimitMs);
    const bool ok = matcher.create(pattern, subject);
    const int count = matcher.matchCount();
    for (int i = 1; i <= count; ++i) {
        Text match = matcher.matchText(i);
        if (!match.empty()) matches.push_back(std::move(match));
    }
    MatchEnd end = MatchEnd::Listed;
    if (!ok) {
        end = matcher.patternInvalid() ? MatchEnd::BadPattern : MatchEnd::GaveUp;
        why = matcher.errorText();
    }
    matcher.destroy();
    return end;
}

Text joinLines(const TextArray& matches) {
    Text out;
    for (const Text& match : matches) {
        out += match;
        out += "\r\n";
    }
    return out;
}

}  // namespace

bool collectMatches(const Text& pattern, const Text& subject, TextArray& matches, int timeLimitMs) {
    Text why;
    return findMatches(pattern, subject, matches, timeLimitMs, why) == MatchEnd::Listed;
}

Text listMatches(const Text& pattern, const Text& subject, int timeLimitMs) {
    TextArray matches;
    collectMatches(pattern, subject, matches, timeLimitMs);
    return joinLines(matches);
}

Text badPatternText(const Text& why) { return gbk(u8"正则表达式有误：") + why; }
Text gaveUpText() { return gbk(u8"匹配超时，已停止"); }

Text matchOutput(const Text& pattern, const Text& subject, int timeLimitMs) {
    TextArray matches;
    Text why;
    switch (findMatches(pattern, subject, matches, timeLimitMs, why)) {
        case MatchEnd::Listed:
            return joinLines(matches);
        case MatchEnd::BadPattern:
            return badPatternText(why);
        case MatchEnd::GaveUp:
            return gaveUpText();
    }
    return {};
}

void runRegexTest(ui::Window& window) {
    ui::Control output = window.control(control::kOutput);
    output.setText("");
    output.setText(
        matchOutput(window.control(control::kPattern).text(), window.control(control::kSubject).text()));
}

void closeRegexTesterWindow(const ui::WindowPtr& window, ui::WindowSystem& windows) {
    windows.destroy(window);
}

}  // namespace qx::regextester
