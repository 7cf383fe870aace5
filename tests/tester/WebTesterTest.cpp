// The tester's routines over the typed request and the answer.
#include <gtest/gtest.h>

#include <ctime>

#include "tester/WebTester.h"
#include "text/CodePages.h"

using namespace qx;
using namespace qx::tester;

namespace {

std::string utf8(std::u8string_view s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

ByteArray bytes(std::string_view s) { return ByteArray(s.begin(), s.end()); }

}  // namespace

TEST(WebTester, CollapseLineBreaks) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"a", "a"},
        {"\r\na", "a"},              // one leading break goes
        {"\r\n\r\n\r\na", "\r\na"},  // the rest of the run becomes one break
        {"a\r\n\r\n\r\nb\r\nc", "a\r\nb\r\nc"},
        {"a\r\n", "a\r\n"},  // a final break stays
        {"a\r\n\r\n", "a\r\n"},
        {"a\n\nb\r\rc", "a\n\nb\r\rc"},  // only CR LF pairs count
        {"a\r\r\n\nb", "a\r\r\n\nb"},
        {"\r\n", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(collapseLineBreaks(c.in), c.out) << c.in;
}

TEST(WebTester, TimestampIsUnixTimeWithMilliseconds) {
    EXPECT_EQ(timestampText(false, 1700000000123), "1700000000123");
    EXPECT_EQ(timestampText(true, 1700000000123), "1700000000");
    EXPECT_EQ(timestampText(false, 1700000000005), "1700000000005");  // milliseconds padded to 3
    EXPECT_EQ(timestampText(false, 1234), "1234000000000");           // short stamps padded with 0
    EXPECT_EQ(timestampText(true, 1234), "1234000000");
    EXPECT_EQ(timestampText(false, 0), "0000000000000");
    EXPECT_EQ(timestampText(false, 99999999999999), "99999999999999");  // never cut to 13

    // The clock's value: Unix seconds, whatever the time zone.
    const Text now = timestampText(false);
    ASSERT_EQ(now.size(), 13u);
    const long long seconds = std::stoll(now.substr(0, 10));
    EXPECT_LE(std::llabs(seconds - static_cast<long long>(std::time(nullptr))), 5);
    EXPECT_EQ(timestampText(true).size(), 10u);
}

TEST(WebTester, EveryPlaceholderGetsTheSameStamp) {
    for (bool ten : {true, false}) {
        const Text body = fillTimestamps("a=[romtime10]&b=[romtime10]&c=[ROMTIME10]", ten);
        const std::size_t width = ten ? 10 : 13;
        ASSERT_EQ(body.size(), std::string("a=&b=&c=[ROMTIME10]").size() + 2 * width) << body;
        EXPECT_EQ(body.substr(2, width), body.substr(2 + width + 3, width));
        EXPECT_EQ(body.substr(body.size() - 11), "[ROMTIME10]");  // case-sensitive
    }
    EXPECT_EQ(fillTimestamps("none", true), "none");
}

TEST(WebTester, AnswerRoutines) {
    EXPECT_EQ(utf8BytesToText({}), "");
    EXPECT_EQ(utf8BytesToText(bytes(utf8(u8"中文 ok"))), gbk(u8"中文 ok"));
    EXPECT_EQ(utf8BytesToText(bytes(utf8(u8"a😀b"))), "a?b");  // GBK has no emoji
    EXPECT_EQ(utf8BytesToText(bytes("a\xFF"
                                    "b")),
              "a?b");
    EXPECT_EQ(utf8BytesToText(bytes(std::string("ab\0cd", 5))), "ab");

    EXPECT_EQ(traditionalToSimplified(gbk(u8"網頁測試：請求超時")), gbk(u8"网页测试：请求超时"));
    EXPECT_EQ(traditionalToSimplified(gbk(u8"倲")), gbk(u8"倲"));  // its simplified form is not GBK

    EXPECT_FALSE(containsZeroByte({}));
    EXPECT_FALSE(containsZeroByte(bytes("abc")));
    EXPECT_TRUE(containsZeroByte(bytes(std::string("a\0b", 3))));
    EXPECT_TRUE(containsZeroByte(bytes(std::string("\0", 1))));

    EXPECT_EQ(dataSizeText(0), "0 KB");
    EXPECT_EQ(dataSizeText(1000), "0.9765625 KB");
    EXPECT_EQ(dataSizeText(1048575), "1023.999023438 KB");  // 13 significant digits
    EXPECT_EQ(dataSizeText(1048576), "1 MB");
    EXPECT_EQ(dataSizeText(1572864), "1.5 MB");
    EXPECT_EQ(dataSizeText(209715200), "200 MB");

    EXPECT_EQ(imageSizeText(16, 9), gbk(u8"宽：16  高：9"));
    EXPECT_EQ(progressText(3), gbk(u8"响应时间：3s [3/15]"));
}

TEST(WebTester, RequestAddress) {
    struct Case {
        std::string typed, used;
    };
    const Case cases[] = {
        {"127.0.0.1:8080/a", "http://127.0.0.1:8080/a"},
        {"http://x/", "http://x/"},
        {"https://x/", "https://x/"},
        {"HTTP://x/", "http://HTTP://x/"},  // the test is case-sensitive
        {"x/?next=https://y", "x/?next=https://y"},
        {"\r\nhttp://x/\r\n\r\n", "http://x/\r\n"},
        {"", "http://"},
    };
    for (const Case& c : cases) EXPECT_EQ(requestAddress(c.typed), c.used) << c.typed;
}

TEST(WebTester, AnswerTextAsTheBoxHoldsIt) {
    struct Case {
        const char* name;
        std::string body;
        bool utf8Decode, simplify;
        Text text;
    };
    const std::string longPage = std::string(3 << 20, 'a') + gbk(u8"中文") + "end";
    const Case cases[] = {
        {"up to the zero byte", std::string("abc\0def", 7), false, false, "abc"},
        {"decoding wins over simplifying", utf8(u8"繁體"), true, true, gbk(u8"繁體")},
        {"simplified", gbk(u8"繁體"), false, true, gbk(u8"繁体")},
        {"as it came", gbk(u8"繁體"), false, false, gbk(u8"繁體")},
        // Long answers are whole: only the view shows less of them.
        {"long", longPage, false, false, longPage},
        {"long, decoded", std::string(3 << 20, 'a') + utf8(u8"中文"), true, false,
         std::string(3 << 20, 'a') + gbk(u8"中文")},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(answerText(bytes(c.body), c.utf8Decode, c.simplify) == c.text) << c.name;
}

TEST(WebTester, AnswerCap) {
    EXPECT_EQ(kAnswerCapBytes, std::size_t{256} << 20);
    EXPECT_EQ(answerCap(), kAnswerCapBytes);
    EXPECT_EQ(answerCapText(kAnswerCapBytes), gbk(u8"回答超过 256 MB，已停止"));
    setAnswerCapForTests(1 << 20);
    EXPECT_EQ(answerCap(), std::size_t{1} << 20);
    setAnswerCapForTests(0);
    EXPECT_EQ(answerCap(), kAnswerCapBytes);
}
