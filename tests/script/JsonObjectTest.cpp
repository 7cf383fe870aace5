#include <gtest/gtest.h>

#include "support/ThreadWithStack.h"
#include <pthread.h>

#include <cmath>
#include <functional>
#include <thread>

#include "text/CodePages.h"
#include "platform/script/ScriptControl.h"
#include "script/JsonObject.h"

using namespace qx;
using namespace qx::script;

using qx::gbk;
using qx::script::JsonObject;
using qx::Text;
using qx::TextArray;

namespace {

using qx::test::onThreadWithStack;

Text engineEval(const JsonObject& j, std::u16string_view code) {
    auto engine = j.engineObject();
    if (!engine) return {};
    auto t = engine->eval(code).text;
    return Text(t.begin(), t.end());
}

}  // namespace

TEST(JsonCheck, AcceptsJsonOnly) {
    for (std::u16string_view good :
         {u"{}", u"[]", u" {\"a\" : [1, -2.5e+3, true, false, null, \"x\\u00e9\\n\"]} ", u"\"text\"", u"0",
          u"-0.0E-1", u"[[[]]]", u"{\"a\":{\"b\":{}}}", u"\"\u2028\""})
        EXPECT_TRUE(qx::script::isJsonText(good)) << std::string(good.begin(), good.end());
    for (std::u16string_view bad : {u"",
                                    u" ",
                                    u"{",
                                    u"[1,]",
                                    u"{\"a\":1,}",
                                    u"{a:1}",
                                    u"{'a':1}",
                                    u"01",
                                    u"1.",
                                    u".5",
                                    u"+1",
                                    u"1e",
                                    u"NaN",
                                    u"[1] [2]",
                                    u"tru",
                                    u"\"a\nb\"",
                                    u"\"\\x41\"",
                                    u"\"\\u12\"",
                                    u"alert(1)",
                                    u"[1,2]//",
                                    u"{\"a\":1};f()",
                                    u"(function(){})()",
                                    u"[}",
                                    u"{]",
                                    u"{\"a\"}",
                                    u"\"open",
                                    u"[1 2]"})
        EXPECT_FALSE(qx::script::isJsonText(bad)) << std::string(bad.begin(), bad.end());
    std::u16string deep = std::u16string(100000, u'[') + std::u16string(100000, u']');
    EXPECT_TRUE(qx::script::isJsonText(deep));
    EXPECT_FALSE(qx::script::isJsonText(deep.substr(1)));
}

TEST(JsonObjectParse, ReadsByPath) {
    JsonObject j;
    ASSERT_TRUE(j.parse("{\"list\":[1,2]}"));
    EXPECT_EQ(j.getText("list"), "1,2");
    EXPECT_EQ(j.getText("list", true), "[1,2]");
    ASSERT_TRUE(j.parse(
        "{\"data\":{\"rsp_body\":{\"RspMsg_body\":{\"note_list\":[{\"html_content\":\"<p>v1</p>\"}]}}}}"));
    EXPECT_EQ(j.getText("data['rsp_body']['RspMsg_body']['note_list'][0]['html_content']"), "<p>v1</p>");
    ASSERT_TRUE(j.parse("[{\"a\":5}]"));
    EXPECT_EQ(j.getText("[0].a"), "5");
    EXPECT_EQ(j.getText("da[0].a"), "5");  // already qualified
    EXPECT_EQ(j.getText(), "[object Object]");
}

TEST(JsonObjectParse, LineFeedsAreRemovedFirst) {
    JsonObject j;
    ASSERT_TRUE(j.parse("{\"a\":\"x\ny\",\n\"b\":1}"));
    EXPECT_EQ(j.getText("a"), "xy");
    EXPECT_EQ(j.getText("b"), "1");
}

TEST(JsonObjectParse, TextsThatAreNotJsonFailAndNeverRun) {
    JsonObject j;
    for (const char* bad : {"", "alert(1)", "(function(){ this.hacked = 1 })()", "{\"a\":1};hacked=1",
                            "[1,2]//", "{a:1}", "hacked=1", "\"x\"+(hacked=1)"}) {
        EXPECT_FALSE(j.parse(bad)) << bad;
        EXPECT_EQ(engineEval(j, u"typeof hacked"), "undefined") << bad;
        EXPECT_EQ(j.typeOf(), 0);
    }
    EXPECT_FALSE(j.parse("{a:1}", true));  // the literal form is checked the same way
    EXPECT_FALSE(j.parse("null"));
    // A JSON string is a value, not code to evaluate.
    ASSERT_TRUE(j.parse("\"1+1\""));
    EXPECT_EQ(j.getText(), "1+1");
}

TEST(JsonObjectParse, AFailedParseLeavesNoDocument) {
    JsonObject j;
    ASSERT_TRUE(j.parse("{\"a\":1}"));
    EXPECT_FALSE(j.parse("{\"a\":"));
    EXPECT_EQ(j.getText("a"), "");
    EXPECT_EQ(j.typeOf(), 0);
    // Each parse starts afresh: variables of the earlier engine are gone.
    j.setExpression("x", "7");
    engineEval(j, u"var leftover = 1");
    ASSERT_TRUE(j.parse("{}"));
    EXPECT_EQ(engineEval(j, u"typeof leftover"), "undefined");
}

TEST(JsonObjectParse, DeepNestingFailsWithoutCrashing) {
    auto check = [] {
        JsonObject j;
        Text arrays = Text(100000, '[') + Text(100000, ']');
        EXPECT_FALSE(j.parse(arrays));
        Text objects;
        for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
        objects += "1" + Text(100000, '}');
        EXPECT_FALSE(j.parse(objects));
        EXPECT_FALSE(j.parse(Text(100000, '[')));
        ASSERT_TRUE(j.parse(Text(200, '[') + Text(200, ']')));  // ordinary depths load
        EXPECT_EQ(j.typeOf(), 5);
    };
    check();
    std::thread(check).join();
    onThreadWithStack(8 << 20, check);
}

TEST(JsonObjectParse, TenMegabytesLoad) {
    Text big = "{\"items\":[";
    int n = 0;
    while (big.size() < 10 * 1024 * 1024) {
        if (n) big += ",";
        big += "{\"id\":" + std::to_string(n) + ",\"name\":\"item " + std::to_string(n) +
               "\",\"tags\":[\"a\",\"b\"],\"ok\":true}";
        ++n;
    }
    big += "]}";
    JsonObject j;
    ASSERT_TRUE(j.parse(big));
    EXPECT_EQ(j.count("items"), n);
    EXPECT_EQ(j.getText("items[" + std::to_string(n - 1) + "].name"), "item " + std::to_string(n - 1));
    EXPECT_LT(j.engineObject()->memoryInUse(), qx::platform::ScriptControl::kDefaultMemoryCap);
}

TEST(JsonObjectParse, OddCharactersSurvive) {
    JsonObject j;
    // Escaped lone surrogates are JSON; GBK has no character for them.
    ASSERT_TRUE(j.parse("{\"s\":\"a\\ud800b\\udc00\"}"));
    EXPECT_EQ(j.getText("s"), "a?b?");
    EXPECT_EQ(j.count(), 0);
    // Invalid UTF-8 is replaced on the way to GBK; the text then still parses.
    Text fromNet = qx::utf8ToText("{\"s\":\"\xff\xfe\xc3\"}");
    ASSERT_TRUE(j.parse(fromNet));
    EXPECT_FALSE(j.getText("s").empty());
    // Invalid GBK bytes, and a GBK character whose second byte is a backslash.
    ASSERT_TRUE(j.parse("{\"s\":\"\x81\"}"));  // the lone lead byte is replaced, the quote kept
    EXPECT_EQ(j.getText("s"), "?");
    ASSERT_TRUE(j.parse("{\"s\":\"" + gbk(u8"乗中") + "\"}"));
    EXPECT_EQ(j.getText("s"), gbk(u8"乗中"));
}

TEST(JsonObjectRead, TypeCodes) {
    JsonObject j;
    ASSERT_TRUE(j.parse("{\"n\":null,\"b\":true,\"i\":2,\"o\":{},\"a\":[],\"s\":\"x\"}"));
    EXPECT_EQ(j.typeOf("missing"), 0);
    EXPECT_EQ(j.typeOf("missing.deeper"), 0);
    EXPECT_EQ(j.typeOf("n"), 0);
    EXPECT_EQ(j.typeOf("b"), 1);
    EXPECT_EQ(j.typeOf("i"), 2);
    EXPECT_EQ(j.typeOf("o"), 4);
    EXPECT_EQ(j.typeOf("a"), 5);
    EXPECT_EQ(j.typeOf("s"), 6);
    EXPECT_EQ(j.typeOf(), 4);
    j.setExpression("f", "(function(){})");
    EXPECT_EQ(j.typeOf("f"), -1);
}

TEST(JsonObjectRead, CountsNamesAndQualifiedPaths) {
    JsonObject j;
    ASSERT_TRUE(j.parse("{\"a\":[1,2,3],\"o\":{\"x\":1,\"y\":{}},\"s\":\"t\"}"));
    EXPECT_EQ(j.count("a"), 3);
    EXPECT_EQ(j.count("o"), 0);
    EXPECT_EQ(j.count("missing"), 0);
    TextArray names;
    EXPECT_EQ(j.memberNames(names, "o"), 2);
    EXPECT_EQ(names, (TextArray{"x", "y"}));
    EXPECT_EQ(j.memberNames(names), 3);
    EXPECT_EQ(j.memberNames(names, "a"), 0);
    EXPECT_TRUE(names.empty());
    Text path = "o.x";
    EXPECT_TRUE(j.qualifyPath(path));
    EXPECT_EQ(path, "da.o.x");
    path = "[0]";
    EXPECT_FALSE(j.qualifyPath(path));
    EXPECT_EQ(path, "da[0]");
    path = "data";  // begins with the root name but is no variable
    EXPECT_FALSE(j.qualifyPath(path));
    EXPECT_EQ(path, "da.data");
    EXPECT_TRUE(j.exists("s"));
    EXPECT_FALSE(j.exists("z"));
    EXPECT_EQ(j.getNumber("a[1]"), 2);
    EXPECT_EQ(j.getNumber("s"), 0);
    EXPECT_EQ(j.getItemText(2, "a"), "3");
    EXPECT_EQ(j.getItemText(0, "a", true), "1");
    EXPECT_EQ(j.getItemText(9, "a"), "");
    EXPECT_EQ(j.getJson("o"), "{\"x\":1,\"y\":{}}");
    EXPECT_EQ(j.toJsonText(), "{\"a\":[1,2,3],\"o\":{\"x\":1,\"y\":{}},\"s\":\"t\"}");
    EXPECT_EQ(j.getText("no.such.member"), "");
}

TEST(JsonObjectWrite, BackslashesRoundTripAsOne) {
    JsonObject j;
    j.setText("p", "C:\\dir\\file");
    EXPECT_EQ(j.getText("p"), "C:\\dir\\file");
    EXPECT_EQ(j.getJson("p"), "\"C:\\dir\\file\"");
    j.setText("q", "it's \"quoted\"\r\n" + gbk(u8"中乗"));
    EXPECT_EQ(j.getText("q"), "it's \"quoted\"\r\n" + gbk(u8"中乗"));
    EXPECT_EQ(j.typeOf("q"), 6);
    // A child object reads the stored backslash back as one as well.
    JsonObject child = j.getObject();
    EXPECT_EQ(child.getText("p"), "C:\\dir\\file");
    EXPECT_NE(child.engineObject(), j.engineObject());
}

TEST(JsonObjectWrite, SetJsonMergesOrReplaces) {
    JsonObject j;
    ASSERT_TRUE(j.parse("{\"o\":{\"a\":1,\"s\":\"x\",\"in\":{\"k\":1}}}"));
    j.setText("o", "{\"a\":2,\"s\":\"y\",\"in\":{\"m\":2},\"new\":true}", true);
    EXPECT_EQ(j.getJson("o"), "{\"a\":2,\"s\":\"y\",\"in\":{\"k\":1,\"m\":2},\"new\":true}");
    j.setJson("fresh.x", "[1]");  // fails quietly: fresh does not exist
    EXPECT_EQ(j.typeOf("fresh"), 0);
    j.setJson("fresh", "[1]");
    EXPECT_EQ(j.getJson("fresh"), "[1]");
    j.setJson("empty", "");
    EXPECT_EQ(j.getJson("empty"), "{}");
    j.setJson("fresh", "[2,3]");  // not an object: replaced
    EXPECT_EQ(j.getJson("fresh"), "[2,3]");
}

TEST(JsonObjectWrite, ArraysAndNumbers) {
    JsonObject j;
    j.append("list", "a'b");
    j.append("list", "{\"x\":1}", true);
    EXPECT_EQ(j.count("list"), 2);
    EXPECT_EQ(j.getItemText(0, "list"), "a'b");
    EXPECT_EQ(j.getItemObject(1, "list").getText("x"), "1");
    j.setItem(0, "list", "c\\d");
    EXPECT_EQ(j.getItemText(0, "list"), "c\\d");
    j.setItem(2, "list", "3", true);
    EXPECT_EQ(j.getJson("list"), "[\"c\\d\",{\"x\":1},3]");
    j.removeItem(1, "list");
    EXPECT_EQ(j.getJson("list"), "[\"c\\d\",3]");
    j.setNumber("n", 0.1);
    EXPECT_EQ(j.getNumber("n"), 0.1);
    j.setNumber("big", 1e20);
    EXPECT_EQ(j.getText("big"), "100000000000000000000");
    j.setNumber("nan", std::nan(""));
    EXPECT_EQ(j.getText("nan"), "NaN");
    j.remove("n");
    EXPECT_EQ(j.typeOf("n"), 0);
    j.clear();
    EXPECT_EQ(j.toJsonText(), "{}");
}

TEST(JsonObjectWrite, NodeValuesCollectLeaves) {
    JsonObject j;
    ASSERT_TRUE(j.parse("{\"a\":1,\"b\":{\"c\":\"x\\\\y\",\"d\":[true,null]},\"e\":\"z\"}"));
    TextArray values;
    EXPECT_EQ(j.nodeValues(values, "", false), 2);
    EXPECT_EQ(values, (TextArray{"1", "z"}));
    EXPECT_EQ(j.nodeValues(values, "", true), 5);
    EXPECT_EQ(values, (TextArray{"1", "x\\y", "true", "", "z"}));
    EXPECT_EQ(j.nodeValues(values, "a", true), 0);
}

TEST(JsonObjectLifecycle, CloneSharesDestroyReleases) {
    JsonObject j;
    ASSERT_TRUE(j.parse("{\"a\":1}"));
    JsonObject c = j.clone();
    EXPECT_EQ(c.engineObject(), j.engineObject());
    c.setNumber("a", 2);
    EXPECT_EQ(j.getText("a"), "2");
    j.destroy();
    EXPECT_EQ(j.getText("a"), "");
    EXPECT_FALSE(j.parse("{}"));  // no engine: parse fails at once
    EXPECT_EQ(j.count(), 0);
    EXPECT_EQ(c.getText("a"), "2");
    EXPECT_EQ(c.rootName(), "da");
    ASSERT_TRUE(c.parse("{\"b\":3}"));  // the shared engine is left to the other holder
    EXPECT_EQ(c.getText("b"), "3");
}

TEST(JsonObjectLifecycle, IndependentObjectsOnThreads) {
    auto work = [](int k) {
        for (int i = 0; i < 30; ++i) {
            JsonObject j;
            Text v = std::to_string(k * 1000 + i);
            ASSERT_TRUE(j.parse("{\"v\":" + v + "}"));
            ASSERT_EQ(j.getText("v"), v);
        }
    };
    std::thread a(work, 1), b(work, 2);
    a.join();
    b.join();
}
