#include <gtest/gtest.h>

#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/regextester/RegexTest.h"
#include "utilities/regextester/RegexTesterWindow.h"

using namespace qx;
using namespace qx::regextester;

namespace {

struct MatchCase {
    const char* name;
    Text pattern, subject, matches;
    // What the window's output box shows: the matches, or why there are none.
    Text shown;
};

const Text kGaveUp = gbk(u8"匹配超时，已停止");

// clang-format off
const MatchCase kCases[] = {
    {"EmptyMatchesLeftOut", "a*", "baa", "aa\r\n", "aa\r\n"},
    {"CaseIgnored", "abc", "xxABCxx", "ABC\r\n", "ABC\r\n"},
    {"EveryMatchEndsWithCrLf", "\\d+", "a1b22", "1\r\n22\r\n", "1\r\n22\r\n"},
    {"MultiLine", "^\\w+$", "one\r\ntwo", "one\r\ntwo\r\n", "one\r\ntwo\r\n"},
    {"Chinese", gbk(u8"中."), gbk(u8"中文，中国"), gbk(u8"中文\r\n中国\r\n"), gbk(u8"中文\r\n中国\r\n")},
    {"NoMatch", "x", "abc", "", ""},
    {"EmptyPattern", "", "abc", "", ""},
    {"DoesNotCompile", "(a", "(a", "", gbk(u8"正则表达式有误：syntax error in regular expression")},
    {"BadQuantifier", "*", "*", "", gbk(u8"正则表达式有误：syntax error in regular expression")},
    {"Catastrophic", "(a+)+$", Text(30, 'a') + "b", "", kGaveUp},
    {"InvalidGbkInSubject", "a.", "a\x81\x20" "a", "a?\r\n", "a?\r\n"},
};
// clang-format on

struct RegexTesterTest : testing::Test {
    test::FakeWindowSystem windows;
    ProgramState state;
    ui::WindowPtr window = ui::Window::create(qx::regextester::regexTesterLayout());

    void SetUp() override {
        ASSERT_TRUE(window);
        bindRegexTesterWindow(window, state, windows);
    }
    Text run(const Text& pattern, const Text& subject) {
        window->control("编辑框EX_正则文本").setText(pattern);
        window->control("编辑框EX_原文本").setText(subject);
        EXPECT_TRUE(window->click("按钮EX3"));
        return window->control("编辑框EX_输出文本").text();
    }
};

struct MatchCaseTest : RegexTesterTest, testing::WithParamInterface<MatchCase> {};

}  // namespace

TEST_P(MatchCaseTest, ListsTheNonEmptyMatches) {
    const MatchCase& c = GetParam();
    window->control("编辑框EX_输出文本").setText("earlier");
    EXPECT_EQ(run(c.pattern, c.subject), c.shown);
    EXPECT_EQ(matchOutput(c.pattern, c.subject), c.shown);
    EXPECT_EQ(listMatches(c.pattern, c.subject), c.matches);
    // The list form: the same matches, and whether the pattern could be run at all.
    TextArray matches;
    const bool ran = collectMatches(c.pattern, c.subject, matches);
    Text joined;
    for (const Text& m : matches) joined += m + "\r\n";
    EXPECT_EQ(joined, c.matches);
    const std::string name = c.name;
    EXPECT_EQ(ran, name != "DoesNotCompile" && name != "BadQuantifier" && name != "Catastrophic") << name;
}

INSTANTIATE_TEST_SUITE_P(Cases, MatchCaseTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegexTesterTest, ManyMatchesAreAllListed) {
    Text out = run("a", Text(10000, 'a'));
    EXPECT_EQ(out.size(), 30000u);
    EXPECT_EQ(out.substr(0, 6), "a\r\na\r\n");
    // A million take a fraction of the window's time limit in a release build (see the
    // benchmark); a sanitizer build may be slower than that, so no limit here.
    out = listMatches("a", Text(1 << 20, 'a'), 0);
    EXPECT_EQ(out.size(), 3u << 20);
}

TEST_F(RegexTesterTest, APatternSlowAtEveryPositionGivesUp) {
    // Each search scans to the end of the text and then matches one "a": within the effort
    // bound of one search, but a million of them would take many minutes.
    EXPECT_EQ(run("\\w*x|a", Text(1 << 20, 'a')), kGaveUp);
}

TEST_F(RegexTesterTest, CloseButtonDestroysTheWindow) {
    ASSERT_TRUE(window->click("按钮EX1"));
    EXPECT_TRUE(window->destroyed());
    EXPECT_EQ(windows.destroyedNames(), std::vector<std::string>{"RegexTesterWindow"});
}
