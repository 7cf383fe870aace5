#include "utilities/regextester/RegexTest.h"

#include "script/RegexMatcher.h"

namespace qx::regextester {

bool collectMatches(const Text& pattern, const Text& subject, TextArray& matches, int timeLimitMs) {
    matches.clear();
    script::RegexMatcher matcher;
    matcher.setTimeLimit(timeLimitMs);
    const bool ok = matcher.create(pattern, subject);
    const int count = matcher.matchCount();
    for (int i = 1; i <= count; ++i) {
        Text match = matcher.matchText(i);
        if (!match.empty()) matches.push_back(std::move(match));
    }
    matcher.destroy();
    return ok;
}

Text listMatches(const Text& pattern, const Text& subject, int timeLimitMs) {
    TextArray matches;
    collectMatches(pattern, subject, matches, timeLimitMs);
    Text out;
    for (const Text& match : matches) {
        out += match;
        out += "\r\n";
    }
    return out;
}

void runRegexTest(ui::Window& window) {
    ui::Control output = window.control("编辑框EX_输出文本");
    output.setText("");
    output.setText(
        listMatches(window.control("编辑框EX_正则文本").text(), window.control("编辑框EX_原文本").text()));
}

void closeRegexTesterWindow(const ui::WindowPtr& window, ui::WindowSystem& windows) {
    windows.destroy(window);
}

}  // namespace qx::regextester
