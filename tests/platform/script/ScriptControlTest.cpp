#include <gtest/gtest.h>

#include "support/ThreadWithStack.h"
#include <pthread.h>

#include <functional>
#include <set>
#include <string>
#include <thread>

#include "platform/script/ScriptControl.h"

using qx::platform::ScriptControl;
using qx::platform::ScriptValue;

namespace {

ScriptControl& jscript(ScriptControl& c) {
    c.setLanguage(u"JScript");
    return c;
}

using qx::test::onThreadWithStack;

}  // namespace

TEST(ScriptControlLanguage, OnlyJScriptIsSpoken) {
    ScriptControl c;
    EXPECT_TRUE(c.eval(u"1").text.empty());
    EXPECT_FALSE(c.errorText().empty());  // no language yet
    EXPECT_TRUE(c.setLanguage(u"JScript"));
    EXPECT_EQ(c.language(), u"JScript");
    EXPECT_FALSE(c.setLanguage(u"VBScript"));
    EXPECT_FALSE(c.errorText().empty());
    EXPECT_EQ(c.language(), u"JScript");
    EXPECT_TRUE(c.setLanguage(u"JavaScript"));
    EXPECT_EQ(c.eval(u"1+1").text, u"2");
}

TEST(ScriptControlEval, ValuesAsTheScriptWritesThem) {
    ScriptControl c;
    jscript(c);
    EXPECT_EQ(c.eval(u"1/3").text, u"0.3333333333333333");
    EXPECT_EQ(c.eval(u"0.1+0.2").text, u"0.30000000000000004");
    EXPECT_EQ(c.eval(u"1e21").text, u"1e+21");
    EXPECT_EQ(c.eval(u"1e4*1700000000000+12").text, u"17000000000000012");
    auto n = c.eval(u"2.5");
    EXPECT_EQ(n.kind, ScriptValue::Kind::Number);
    EXPECT_EQ(n.number, 2.5);
    auto u = c.eval(u"undefined");
    EXPECT_EQ(u.kind, ScriptValue::Kind::Empty);
    EXPECT_TRUE(u.text.empty());
    auto z = c.eval(u"null");
    EXPECT_EQ(z.kind, ScriptValue::Kind::Null);
    EXPECT_TRUE(z.text.empty());
    EXPECT_TRUE(c.eval(u"1 == 1").isTrue());
    EXPECT_EQ(c.eval(u"[1,2]").text, u"1,2");
    EXPECT_EQ(c.eval(u"var x = 5; x * 2").text, u"10");
    EXPECT_EQ(c.eval(u"x").text, u"5");  // variables of an eval stay global
    EXPECT_TRUE(c.errorText().empty());
}

TEST(ScriptControlEval, StringsKeepEveryUnit) {
    ScriptControl c;
    jscript(c);
    EXPECT_EQ(c.eval(u"'\\ud800'").text, std::u16string(1, char16_t(0xD800)));
    EXPECT_EQ(c.eval(u"'\U0001F600'.length").text, u"2");
    EXPECT_EQ(c.eval(u"'中文' + 'a'").text, u"中文a");
    std::u16string odd = u"x\xDC00y\U0001F600";
    EXPECT_EQ(qx::platform::engineStringToUtf16(qx::platform::utf16ToEngineString(odd)), odd);
    EXPECT_EQ(qx::platform::engineStringToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(qx::platform::engineStringToUtf16("a\xFF\xC3"), u"a\uFFFD\uFFFD");
}

TEST(ScriptControlEval, MathRandomDiffersBetweenControlsMadeTogether) {
    // One control after another, each drawing once, as a caller that makes a control per value.
    std::set<std::u16string> seen;
    for (int i = 0; i < 20; ++i) {
        ScriptControl c;
        ScriptValue v = jscript(c).eval(u"Math.random()");
        ASSERT_EQ(v.kind, ScriptValue::Kind::Number);
        EXPECT_GE(v.number, 0.0);
        EXPECT_LT(v.number, 1.0);
        seen.insert(v.text);
    }
    EXPECT_EQ(seen.size(), 20u);
}

TEST(ScriptControlErrors, ErrorsAreCaughtAndReported) {
    ScriptControl c;
    jscript(c);
    EXPECT_FALSE(c.executeStatement(u"function ("));
    EXPECT_NE(c.errorText().find(u"SyntaxError"), std::u16string::npos);
    EXPECT_TRUE(c.executeStatement(u"var ok = 1"));
    EXPECT_TRUE(c.errorText().empty());
    EXPECT_TRUE(c.eval(u"throw new Error('boom')").text.empty());
    EXPECT_NE(c.errorText().find(u"boom"), std::u16string::npos);
    EXPECT_TRUE(c.eval(u"throw 'plain'").text.empty());
    EXPECT_EQ(c.errorText(), u"plain");
    // An object whose toString throws is still a value; its text is what the failed conversion gives.
    EXPECT_EQ(c.eval(u"({toString: function(){ throw 1 }})").kind, ScriptValue::Kind::Object);
    EXPECT_TRUE(c.eval(u"missing.member").text.empty());
    EXPECT_FALSE(c.errorText().empty());
    EXPECT_FALSE(c.addCode(u"}"));
    EXPECT_TRUE(c.run(u"nothing", {}).text.empty());
    EXPECT_FALSE(c.errorText().empty());
}

TEST(ScriptControlErrors, DeepRecursionAndNestingFailWithoutOverflow) {
    auto check = [] {
        ScriptControl c;
        jscript(c);
        EXPECT_TRUE(c.eval(u"function f(n){ return 1 + f(n + 1) } f(0)").text.empty());
        EXPECT_FALSE(c.errorText().empty());
        std::u16string deep = std::u16string(100000, u'(') + u"1" + std::u16string(100000, u')');
        EXPECT_TRUE(c.eval(deep).text.empty());
        EXPECT_FALSE(c.errorText().empty());
        std::u16string deepJson = std::u16string(100000, u'[') + std::u16string(100000, u']');
        EXPECT_FALSE(c.setGlobalFromJson(u"d", deepJson));
        EXPECT_EQ(c.eval(u"1").text, u"1");  // still usable
    };
    check();
    std::thread(check).join();
    onThreadWithStack(8 << 20, check);
}

TEST(ScriptControlRun, PassesExactlyTheGivenArguments) {
    ScriptControl c;
    jscript(c);
    ASSERT_TRUE(c.addCode(
        u"function f(){ return arguments.length + ':' + Array.prototype.join.call(arguments, ',') }"));
    EXPECT_EQ(c.run(u"f", {u"a", u"b"}).text, u"2:a,b");
    EXPECT_EQ(c.run(u"f", {}).text, u"0:");
    EXPECT_TRUE(c.run(u"f", {u"1", u"2", u"3", u"4", u"5", u"6", u"7"}).text.empty());
    EXPECT_FALSE(c.errorText().empty());
    c.reset();
    EXPECT_TRUE(c.run(u"f", {}).text.empty());  // reset discards added code
    EXPECT_EQ(c.language(), u"JScript");
}

TEST(ScriptControlJson, LoadsAGlobalWithoutRunningScript) {
    ScriptControl c;
    jscript(c);
    EXPECT_TRUE(c.setGlobalFromJson(u"d", u"{\"a\":[1,2],\"s\":\"x\\u2028y\"}"));
    EXPECT_EQ(c.eval(u"d.a.length").text, u"2");
    EXPECT_EQ(c.eval(u"d.s.length").text, u"3");
    EXPECT_FALSE(c.setGlobalFromJson(u"e", u"(function(){ hacked = 1 })()"));
    EXPECT_EQ(c.eval(u"typeof hacked").text, u"undefined");
    EXPECT_TRUE(c.setGlobalFromJson(u"p", u"{\"__proto__\":{\"x\":1}}"));
    EXPECT_EQ(c.eval(u"({}).x").text, u"");  // never reaches Object.prototype
    EXPECT_EQ(c.eval(u"p.x").text, u"");
    EXPECT_EQ(c.eval(u"p.__proto__.x").text, u"1");
}

TEST(ScriptControlJson, ValuesAsJsonParseMakesThem) {
    ScriptControl c;
    jscript(c);
    ASSERT_TRUE(c.setGlobalFromJson(u"v",
                                    u"[1e400,-1e400,1e-400,-0,0.1,123456789012345678901234567890,"
                                    u"\"\\ud83d\\ude00\",{\"k\":1,\"k\":2},[],{}]"));
    EXPECT_EQ(c.eval(u"v[0]").text, u"Infinity");
    EXPECT_EQ(c.eval(u"v[1]").text, u"-Infinity");
    EXPECT_EQ(c.eval(u"v[2]").text, u"0");
    EXPECT_EQ(c.eval(u"1 / v[3]").text, u"-Infinity");
    EXPECT_TRUE(c.eval(u"v[4] === 0.1").isTrue());
    EXPECT_EQ(c.eval(u"v[5]").text, u"1.2345678901234568e+29");
    EXPECT_EQ(c.eval(u"v[6].length + ':' + v[6].charCodeAt(1)").text, u"2:56832");
    EXPECT_EQ(c.eval(u"v[7].k").text, u"2");  // the last of two equal names wins
    EXPECT_EQ(c.eval(u"JSON.stringify(v.slice(8))").text, u"[[],{}]");
    EXPECT_EQ(c.eval(u"v.length").text, u"10");
    // The engine's own JSON depth is the limit.
    std::u16string ok = std::u16string(1000, u'[') + std::u16string(1000, u']');
    EXPECT_TRUE(c.setGlobalFromJson(u"d", ok));
    EXPECT_FALSE(c.setGlobalFromJson(u"d", u"[" + ok + u"]"));
    EXPECT_FALSE(c.setGlobalFromJson(u"d", u"{\"a\":" + ok + u"}"));
}

TEST(ScriptControlMemory, TheCapStopsAScriptWithoutHarm) {
    ScriptControl c(16 << 20);
    jscript(c);
    EXPECT_TRUE(c.eval(u"var s = 'x'; while (true) { s = s + s }").text.empty());
    EXPECT_FALSE(c.errorText().empty());
    EXPECT_LE(c.memoryInUse(), std::size_t{16} << 20);
    EXPECT_TRUE(c.executeStatement(u"s = null"));
    EXPECT_EQ(c.eval(u"'still' + ' here'").text, u"still here");
}

TEST(ScriptControlProperties, KeptAndValidated) {
    ScriptControl c;
    jscript(c);
    EXPECT_EQ(c.timeout(), 10000);
    EXPECT_TRUE(c.setTimeout(-1));
    EXPECT_EQ(c.timeout(), -1);
    EXPECT_FALSE(c.setTimeout(-5));
    EXPECT_EQ(c.timeout(), -1);
    EXPECT_TRUE(c.setState(1));
    EXPECT_FALSE(c.setState(7));
    EXPECT_EQ(c.state(), 1);
    c.setAllowUI(false);
    EXPECT_FALSE(c.allowUI());
    c.setSiteHwnd(0x1234);
    EXPECT_EQ(c.siteHwnd(), 0x1234);
}
