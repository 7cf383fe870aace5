#include <gtest/gtest.h>

#include <thread>

#include "text/CodePages.h"
#include "script/RegexMatcher.h"

using namespace qx;
using namespace qx::script;

using qx::ByteArray;
using qx::gbk;
using qx::script::RegexMatcher;
using qx::script::RegexObject;
using qx::Text;

namespace {

ByteArray utf16le(std::u16string_view s) { return qx::unitsToBytes(s); }

}  // namespace

TEST(RegexMatcherCreate, DefaultFlagsIgnoreCaseMultilineGlobal) {
    RegexMatcher m;
    ASSERT_TRUE(m.create("ab", "xAB ab"));
    EXPECT_EQ(m.matchCount(), 2);
    EXPECT_EQ(m.matchText(1), "AB");
    ASSERT_TRUE(m.create("^y$", "x\r\ny\r\nz"));
    EXPECT_EQ(m.matchCount(), 1);
    ASSERT_TRUE(m.create("ab", "xAB", true));  // case-sensitive on request
    EXPECT_EQ(m.matchCount(), 0);
    ASSERT_TRUE(m.create("^y", "x\ny", false, false));  // single-line on request
    EXPECT_EQ(m.matchCount(), 0);
    ASSERT_TRUE(m.create("a", "aaa", false, true, false));  // first match only
    EXPECT_EQ(m.matchCount(), 1);
    EXPECT_EQ(m.pattern(), "a");
}

TEST(RegexMatcherCreate, QuotePlaceholderBecomesADoubleQuote) {
    RegexMatcher m;
    Text page = "<a href=\"/fn?abcdefghijk\">";
    ASSERT_TRUE(m.create(gbk(u8"#引号(/fn\\?[^#引号]{10,})#引号"), page, false, true, true, true));
    EXPECT_EQ(m.subMatchText(1, 1), "/fn?abcdefghijk");
    EXPECT_EQ(m.pattern(), "\"(/fn\\?[^\"]{10,})\"");
    ASSERT_TRUE(m.create(gbk(u8"#引号(x)"), page));  // without the flag the placeholder stays text
    EXPECT_EQ(m.matchCount(), 0);
}

TEST(RegexMatcherCreate, BadPatternsFailAndLeaveNothingToRead) {
    RegexMatcher m;
    for (const char* bad : {"(", "[z-a]", "a**", "(?<x>a)", "\\"}) {
        EXPECT_FALSE(m.create(bad, "abc")) << bad;
        EXPECT_EQ(m.matchCount(), 0);
        EXPECT_EQ(m.matchText(1), "");
        EXPECT_EQ(m.subMatchCount(), 0);
        EXPECT_TRUE(m.matchBytes(1).empty());
        EXPECT_EQ(m.replace("x"), "");
    }
    // Deep nesting is refused without recursion; a long plain pattern still works.
    EXPECT_FALSE(m.create(Text(100000, '(') + Text(100000, ')'), "abc"));
    EXPECT_FALSE(m.create(Text(100000, '['), "abc"));
    ASSERT_TRUE(m.create(Text(20000, 'a'), Text(20001, 'a')));
    EXPECT_EQ(m.matchCount(), 1);
}

TEST(RegexMatcherCreate, CatastrophicPatternsOverLongSubjectsGiveUp) {
    Text subject(10240, 'a');
    subject += "!";
    RegexMatcher m;
    for (const char* evil : {"(a+)+$", "(a|aa)+$", "(\\w+\\s?)+$"}) {
        EXPECT_FALSE(m.create(evil, subject)) << evil;
        EXPECT_EQ(m.matchCount(), 0);
    }
    RegexObject o;
    EXPECT_FALSE(o.create("(a+)+$", subject));
    EXPECT_EQ(o.replace(""), "");
}

TEST(RegexMatcherCreate, ATimeLimitHoldsForLaterCreatesAndClones) {
    const Text subject(1 << 20, 'a');
    RegexMatcher m;
    m.setTimeLimit(100);
    EXPECT_FALSE(m.create("\\w*x|a", subject));
    EXPECT_EQ(m.matchCount(), 0);
    RegexMatcher copy = m.clone();
    EXPECT_FALSE(copy.create("\\w*x|a", subject));
    ASSERT_TRUE(m.create("a", "aa"));
    EXPECT_EQ(m.matchCount(), 2);
}

TEST(RegexMatcherMatches, EmptyMatchesAreCollectedButCarryNoText) {
    RegexMatcher m;
    ASSERT_TRUE(m.create("a*", "baa"));
    ASSERT_EQ(m.matchCount(), 3);
    EXPECT_EQ(m.matchText(1), "");
    EXPECT_EQ(m.matchText(2), "aa");
    EXPECT_EQ(m.matchText(3), "");
    EXPECT_EQ(m.matchText(0), "");
    EXPECT_EQ(m.matchText(4), "");
}

TEST(RegexMatcherMatches, PositionsAreByteOffsetsIntoTheGbkSubject) {
    RegexMatcher m;
    ASSERT_TRUE(m.create("a", gbk(u8"中文a")));
    int pos = -99;
    EXPECT_EQ(m.matchText(1, pos, true), "a");
    EXPECT_EQ(pos, 4);
    // A repeated text after double-byte characters is still found where it is.
    ASSERT_TRUE(m.create("a", gbk(u8"中a中a")));
    ASSERT_EQ(m.matchCount(), 2);
    m.matchText(2, pos, true);
    EXPECT_EQ(pos, 5);
    ASSERT_TRUE(m.create("aa", "aaaa"));
    m.matchText(2, pos, true);
    EXPECT_EQ(pos, 2);
    // Without wantPosition the out value is left alone.
    pos = 77;
    m.matchText(1, pos);
    EXPECT_EQ(pos, 77);
    // An invalid lead byte still maps back to the right bytes.
    ASSERT_TRUE(m.create("b", Text("\x81"
                                   "a") +
                                  gbk(u8"中") + "b"));
    m.matchText(1, pos, true);
    EXPECT_EQ(pos, 4);
}

TEST(RegexMatcherMatches, SubMatches) {
    RegexMatcher m;
    ASSERT_TRUE(m.create("action=(.*?)&sign=(.{10,}?)&p=", "x action=down&sign=0123456789ab&p=1"));
    EXPECT_EQ(m.subMatchCount(), 2);
    EXPECT_EQ(m.subMatchText(1, 1), "down");
    EXPECT_EQ(m.subMatchText(1, 2), "0123456789ab");
    int pos = 0;
    m.subMatchText(1, 2, pos, true);
    EXPECT_EQ(pos, 19);
    EXPECT_EQ(m.subMatchText(1, 3), "");
    EXPECT_EQ(m.subMatchText(2, 1), "");
    // The count is that of the first match; an unmatched group is empty and has no position.
    ASSERT_TRUE(m.create("(x)|(y)", "yx"));
    EXPECT_EQ(m.subMatchCount(), 2);
    EXPECT_EQ(m.subMatchText(1, 1, pos, true), "");
    EXPECT_EQ(pos, -2);
    EXPECT_EQ(m.subMatchText(1, 2, pos, true), "y");
    EXPECT_EQ(pos, 0);
    ASSERT_TRUE(m.create(gbk(u8"(文)(b)"), gbk(u8"中文b")));
    m.subMatchText(1, 2, pos, true);
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(m.subMatchText(1, 1), gbk(u8"文"));
}

TEST(RegexMatcherReplace, ReplacesEveryMatch) {
    RegexObject o;
    ASSERT_TRUE(o.create("<script[\\s\\S]*?</script>|<style[\\s\\S]*?</style>|<[^>]+>|&.{1,8};",
                         "<p>a&amp;b</p><SCRIPT>x</script>c"));
    EXPECT_EQ(o.replace(""), "abc");
    RegexMatcher m;
    ASSERT_TRUE(m.create(gbk(u8"(中)(文)"), gbk(u8"中文 中文")));
    EXPECT_EQ(m.replace("$2$1"), gbk(u8"文中 文中"));
    ASSERT_TRUE(m.create("b", "abcb", false, true, false));
    EXPECT_EQ(m.replace("[$&]"), "a[b]cb");
}

TEST(RegexMatcherBytes, ByteArraysHoldUtf16Units) {
    RegexMatcher m;
    ByteArray subject = utf16le(u"x中a中a");
    ASSERT_TRUE(m.createFromBytes("a", subject));
    ASSERT_EQ(m.matchCount(), 2);
    EXPECT_EQ(m.matchBytes(2), utf16le(u"a"));
    EXPECT_EQ(m.matchText(1), "a");
    int pos = 0;
    m.matchText(2, pos, true);
    EXPECT_EQ(pos, 8);  // bytes of the array
    ASSERT_TRUE(m.createFromBytes(gbk(u8"(中)(a)"), subject));
    EXPECT_EQ(m.subMatchBytes(1, 1), utf16le(u"中"));
    EXPECT_EQ(m.replaceBytes(utf16le(u"$2")), utf16le(u"xaa"));
    ByteArray odd = utf16le(u"ab");
    odd.push_back(0x7A);
    ASSERT_TRUE(m.createFromBytes("b", odd));
    ByteArray expected = utf16le(u"aB");
    expected.push_back(0x7A);
    EXPECT_EQ(m.replaceBytes(utf16le(u"B")), expected);
}

TEST(RegexMatcherObject, CloneSharesTheMatchesAndDestroyEmpties) {
    RegexMatcher m;
    ASSERT_TRUE(m.create("\\d", "t=17a2"));
    RegexMatcher c = m.clone();
    m.destroy();
    EXPECT_EQ(m.matchCount(), 0);
    EXPECT_EQ(m.pattern(), "");
    ASSERT_EQ(c.matchCount(), 3);
    Text digits;
    for (int i = 1; i <= c.matchCount(); ++i) digits += c.matchText(i);
    EXPECT_EQ(digits, "172");
    EXPECT_EQ(c.replace(""), "t=a");
}

TEST(RegexMatcherObject, InstancesOnSeveralThreads) {
    auto work = [] {
        for (int i = 0; i < 200; ++i) {
            RegexMatcher m;
            ASSERT_TRUE(
                m.create("<meta.+?charset=[^\\w]?([-\\w]+)", "<meta http-equiv=x charset=\"utf-8\">"));
            ASSERT_EQ(m.subMatchText(1, 1), "utf-8");
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
}
