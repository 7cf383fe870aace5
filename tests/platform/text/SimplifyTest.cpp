#include <gtest/gtest.h>

#include <string>

#include "platform/text/CodePage.h"
#include "platform/text/Simplify.h"

using namespace qx::platform;

namespace {

std::string gbkOf(const std::string& utf8) { return encodeCodePage(utf8ToUtf16(utf8), 936); }

}  // namespace

TEST(Simplify, Utf8GoesThroughOpenCc) {
    std::string out;
    ASSERT_TRUE(simplifyUtf8("繁體中文，請檢查網絡連線。", out));
    EXPECT_EQ(out, "繁体中文，请检查网络连线。");
    ASSERT_TRUE(simplifyUtf8("", out));
    EXPECT_EQ(out, "");
}

TEST(Simplify, GbkCharacterForCharacter) {
    EXPECT_EQ(simplifyGbk(gbkOf("這個網頁的內容")), gbkOf("这个网页的内容"));
    // Simplified text, ASCII, line breaks and punctuation stay as they are.
    const std::string mixed = gbkOf("简体 ASCII 123\r\n第二行：「引號」");
    EXPECT_EQ(simplifyGbk(mixed), gbkOf("简体 ASCII 123\r\n第二行：「引号」"));
    EXPECT_EQ(simplifyGbk(""), "");
}

TEST(Simplify, WhatGbkCannotHoldKeepsTheOriginal) {
    // 倲 simplifies to U+3448 and 俓 to U+201F9, neither of which GBK holds.
    EXPECT_EQ(simplifyGbk(gbkOf("倲俓體")), gbkOf("倲俓体"));
    // Bytes that form no GBK character are kept byte for byte, around converted characters.
    const std::string broken = std::string("\xFF", 1) + gbkOf("體") + "\x80" + gbkOf("體") + "\x81";
    const std::string expected = std::string("\xFF", 1) + gbkOf("体") + "\x80" + gbkOf("体") + "\x81";
    EXPECT_EQ(simplifyGbk(broken), expected);
    const std::string nul = gbkOf("體") + std::string("\0", 1) + gbkOf("體");
    EXPECT_EQ(simplifyGbk(nul), gbkOf("体") + std::string("\0", 1) + gbkOf("体"));
}

TEST(Simplify, LongTextKeepsItsLength) {
    std::string in, want;
    for (int i = 0; i < 20000; ++i) {
        in += gbkOf("乾燥的天氣裡，乾隆說：頭髮。\r\n");
        want += gbkOf("干燥的天气里，乾隆说：头发。\r\n");
    }
    EXPECT_EQ(simplifyGbk(in), want);
}
