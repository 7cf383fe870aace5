#include <gtest/gtest.h>

#include "text/CodePages.h"
#include "script/RegexMatcher.h"
#include "script/ScriptHost.h"

using namespace qx;
using namespace qx::script;

using qx::gbk;
using qx::script::ScriptHost;
using qx::Text;

TEST(ScriptHostCalls, StatementsEvalAndErrors) {
    ScriptHost h;
    EXPECT_FALSE(h.executeStatement("function broken( {"));
    EXPECT_FALSE(h.lastError().empty());
    EXPECT_TRUE(h.executeStatement(
        "function getseq(){return 1e4*(new Date).getTime()+parseInt(9999*Math.random());}"));
    EXPECT_TRUE(h.lastError().empty());
    Text seq = h.eval("getseq()");
    ASSERT_FALSE(seq.empty());
    qx::script::RegexMatcher digits;
    ASSERT_TRUE(digits.create("\\d", seq));
    Text kept;
    for (int i = 1; i <= digits.matchCount(); ++i) kept += digits.matchText(i);
    EXPECT_EQ(kept, seq);  // the script writes such a number without exponent or point
    EXPECT_GE(seq.size(), 17u);
    EXPECT_EQ(h.eval("undefined"), "");
    EXPECT_EQ(h.eval("null"), "");
    EXPECT_EQ(h.eval(gbk(u8"'中' + 1")), gbk(u8"中1"));
    EXPECT_EQ(h.eval("nosuch()"), "");
    EXPECT_FALSE(h.lastError().empty());
    EXPECT_EQ(h.eval("2 > 1"), "true");
    EXPECT_TRUE(h.lastError().empty());
}

TEST(ScriptHostCalls, RunPassesTheGivenArguments) {
    ScriptHost h;
    ASSERT_TRUE(h.addCode(
        "function n(){ return arguments.length + '|' + Array.prototype.join.call(arguments, '|') }"));
    EXPECT_EQ(h.run("n", Text("a"), Text("b")), "2|a|b");
    EXPECT_EQ(h.run("n"), "0|");
    EXPECT_EQ(h.run("n", Text("1"), std::nullopt, Text("3")), "1|1");  // stops at the first one not given
    EXPECT_EQ(h.run("n", Text("1"), Text("2"), Text("3"), Text("4"), Text("5"), Text("6")), "6|1|2|3|4|5|6");
    ASSERT_TRUE(h.executeStatement("function xx(){var x='%u4e2d%u6587';return unescape(x);}"));
    EXPECT_EQ(h.run("xx"), gbk(u8"中文"));
    EXPECT_EQ(h.run("missing"), "");
    EXPECT_FALSE(h.lastError().empty());
    h.reset();
    EXPECT_EQ(h.run("n"), "");
}

TEST(ScriptHostProperties, LanguageAndControlProperties) {
    ScriptHost h;
    EXPECT_EQ(h.language(2), "JScript");
    EXPECT_EQ(h.language(1), "JScript");  // the other language is refused
    EXPECT_FALSE(h.lastError().empty());
    EXPECT_EQ(h.language(), "JScript");
    EXPECT_TRUE(h.lastError().empty());
    EXPECT_EQ(h.timeout(), -1);
    EXPECT_EQ(h.timeout(5000), 5000);
    EXPECT_EQ(h.state(), 0);
    EXPECT_EQ(h.state(1), 1);
    EXPECT_TRUE(h.allowUI());
    EXPECT_FALSE(h.allowUI(false));
    EXPECT_EQ(h.siteHwnd(), 0);
    EXPECT_EQ(h.siteHwnd(42), 42);
}

TEST(ScriptHostLifecycle, CloneSharesDestroyReportsNoObject) {
    ScriptHost h;
    ASSERT_TRUE(h.executeStatement("var shared = 3"));
    ScriptHost c = h.clone();
    EXPECT_EQ(c.eval("shared"), "3");
    EXPECT_EQ(c.engineObject(), h.engineObject());
    h.destroy();
    EXPECT_EQ(h.eval("shared"), "");
    EXPECT_EQ(h.lastError(), gbk(u8"对象为空"));
    EXPECT_FALSE(h.executeStatement("1"));
    EXPECT_EQ(c.eval("shared"), "3");
    EXPECT_TRUE(c.lastError().empty());
}
