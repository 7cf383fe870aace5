#include "utilities/regextester/RegexTest.h"

#include "script/RegexMatcher.h"

namespace qx::regextester {

Text listMatches(const Text& pattern, const Text& subject, int timeLimitMs) {
    script::RegexMatcher matcher;
    matcher.setTimeLimit(timeLimitMs);
    Text out;
    matcher.create(pattern, subject);
    const int count = matcher.matchCount();
    for (int i = 1; i <= count; ++i) {
        Text match = matcher.matchText(i);
        if (match.empty()) continue;
        out += match;
        out += "\r\n";
    }
    matcher.destroy();
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
