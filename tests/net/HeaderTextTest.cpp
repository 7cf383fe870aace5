#include <gtest/gtest.h>

#include "text/CodePages.h"
#include "net/HeaderText.h"

using namespace qx;
using namespace qx::net;

TEST(HeaderText, TextBefore) {
    EXPECT_EQ(textBefore("Set-Cookie: a=1", ": "), "Set-Cookie");
    EXPECT_EQ(textBefore("a-b-c", "-", 3), "a-b");
    EXPECT_EQ(textBefore("a-b-c", "-", 0), "a");
    EXPECT_EQ(textBefore("abc", "-"), "");
    EXPECT_EQ(textBefore("aXbxc", "x"), "aXb");
    EXPECT_EQ(textBefore("aXbxc", "x", 1, true), "a");
}

TEST(HeaderText, TextBetween) {
    EXPECT_EQ(textBetween("Set-Cookie: a=1; path=/", "Set-Cookie:", ";"), " a=1");
    EXPECT_EQ(textBetween("set-cookie: a=1;", "Set-Cookie:", ";"), " a=1");
    EXPECT_EQ(textBetween("set-cookie: a=1;", "Set-Cookie:", ";", 1, true), "");
    EXPECT_EQ(textBetween("x=\"v\" y=\"w\"", gbk(u8"y=#引号"), gbk(u8"#引号")), "w");
    EXPECT_EQ(textBetween("[a][b]", "[", "]", 3), "b");
    EXPECT_EQ(textBetween("[a", "[", "]"), "");
    EXPECT_EQ(textBetween("a]", "[", "]"), "");
    EXPECT_EQ(textBetween("[]", "[", "]"), "");
    // A Chinese text: delimiters found on character boundaries only.
    EXPECT_EQ(textBetween(gbk(u8"名字：张三；"), gbk(u8"："), gbk(u8"；")), gbk(u8"张三"));
}

TEST(HeaderText, HeaderLines) {
    EXPECT_EQ(headerLineName("  Content-Type :  text/html "), "Content-Type");
    EXPECT_EQ(headerLineValue("  Content-Type :  text/html "), "text/html");
    EXPECT_EQ(headerLineValue("Range:bytes=0-"), "bytes=0-");
    EXPECT_EQ(headerLineValue("Host: a:80"), "a:80");
    EXPECT_EQ(headerLineName("no colon"), "");
    EXPECT_EQ(headerLineValue("no colon"), "");
}

TEST(HeaderText, NormalizeHeaderNames) {
    EXPECT_EQ(normalizeHeaderNames("content-type: a\r\nx-CSRF-token:b\r\nnocolon\r\n\r\naccept: */*"),
              "Content-Type: a\r\nX-CSRF-Token:b\r\nAccept: */*");
    EXPECT_EQ(normalizeHeaderNames("\r\nAccept: */*\r\nreferer: http://x/a-b"),
              "Accept: */*\r\nReferer: http://x/a-b");
    EXPECT_EQ(normalizeHeaderNames("a--b: 1"), "A--B: 1");
    EXPECT_EQ(normalizeHeaderNames(""), "");
    EXPECT_EQ(normalizeHeaderNames("only text"), "");
    EXPECT_EQ(capitalizeFirst("abc"), "Abc");
    EXPECT_EQ(capitalizeFirst("ABC"), "ABC");
    EXPECT_EQ(capitalizeFirst(""), "");
    EXPECT_EQ(capitalizeFirst(gbk(u8"中")), gbk(u8"中"));
}

TEST(HeaderText, Base64) {
    auto b64 = [](std::string_view s) { return toText(base64Encode(toBytes(s))); };
    EXPECT_EQ(b64(""), "");
    EXPECT_EQ(b64("f"), "Zg==");
    EXPECT_EQ(b64("fo"), "Zm8=");
    EXPECT_EQ(b64("foo"), "Zm9v");
    EXPECT_EQ(b64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(b64("user:pass"), "dXNlcjpwYXNz");
    EXPECT_EQ(toText(base64Encode({0xFF, 0xFE, 0x00})), "//4A");
    std::string longInput(1000, 'x');
    EXPECT_EQ(b64(longInput).find('\n'), std::string::npos);
    EXPECT_EQ(b64(longInput).size(), 1336u);
}
