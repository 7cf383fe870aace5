#include <gtest/gtest.h>

#include "text/CodePages.h"
#include "text/Decoders.h"

using namespace qx;

TEST(DecodeUtf8Bytes, ReadsTheBytesAsUtf8) {
    EXPECT_EQ(decodeUtf8Bytes("\xE4\xB8\xAD\xE6\x96\x87"), gbk(u8"中文"));
    EXPECT_EQ(decodeUtf8Bytes("plain"), "plain");
    EXPECT_EQ(decodeUtf8Bytes("a\xFF"
                              "b"),
              "a?b");                             // U+FFFD has no GBK form
    EXPECT_EQ(decodeUtf8Bytes("\xE4\xB8"), "?");  // a cut-off sequence is not read past
    EXPECT_EQ(decodeUtf8Bytes(""), "");
}

TEST(DecodePercent, EscapesBecomeBytesAndPlusStays) {
    EXPECT_EQ(decodePercent("a%20b"), "a b");
    EXPECT_EQ(decodePercent("a+b"), "a+b");
    EXPECT_EQ(decodePercent("%D6%d0%CE%C4"), gbk(u8"中文"));
    EXPECT_EQ(decodePercent("%%41"), "%A");
    EXPECT_EQ(decodePercent(""), "");
    EXPECT_EQ(decodePercent("a%00b"), "a");  // the bytes are read as text, which ends at a zero
}

TEST(DecodePercent, PercentNearTheEndOrWithoutHexIsCopied) {
    EXPECT_EQ(decodePercent("abc%"), "abc%");
    EXPECT_EQ(decodePercent("abc%4"), "abc%4");
    EXPECT_EQ(decodePercent("%"), "%");
    EXPECT_EQ(decodePercent("%41%"), "A%");
    EXPECT_EQ(decodePercent("%zz%4g"), "%zz%4g");
    EXPECT_EQ(decodePercent(gbk(u8"%中")), gbk(u8"%中"));
}

TEST(DecodeUnicodeEscapes, EscapesDecodedWithApostrophesAndLineBreaksKept) {
    EXPECT_EQ(decodeUnicodeEscapes("\\u4e2d\\u6587"), gbk(u8"中文"));
    EXPECT_EQ(decodeUnicodeEscapes("it's \\u4E2D"), gbk(u8"it's 中"));
    EXPECT_EQ(decodeUnicodeEscapes("'quoted'"), "'quoted'");
    EXPECT_EQ(decodeUnicodeEscapes("line1\r\nline2 \\u0041\r\n"), "line1\r\nline2 A\r\n");
    EXPECT_EQ(decodeUnicodeEscapes("\r\\u0041"), "A");   // a lone CR at the very start goes
    EXPECT_EQ(decodeUnicodeEscapes("%41%u0042"), "AB");  // the script's own escapes too
    EXPECT_EQ(decodeUnicodeEscapes("\\ud83d\\ude00"), "?");
    EXPECT_EQ(decodeUnicodeEscapes(""), "");
}

TEST(DecodeUnicodeEscapes, InvalidEscapesStayAsTheScriptLeavesThem) {
    EXPECT_EQ(decodeUnicodeEscapes("\\uZZZZ"), "%uZZZZ");
    EXPECT_EQ(decodeUnicodeEscapes("x\\u4e2"), "x%u4e2");
    EXPECT_EQ(decodeUnicodeEscapes("\\u"), "%u");
    EXPECT_EQ(decodeUnicodeEscapes("100%"), "100%");
}

TEST(DecodeUnicodeEscapes, ScriptFailureFallsBackToUtf16Bytes) {
    // A trailing backslash leaves the script's string open: the bytes 2D 4E are read as U+4E2D and
    // the odd last byte is no character.
    EXPECT_EQ(decodeUnicodeEscapes("-N\\"), gbk(u8"中"));
    // A lone LF inside the text breaks the script the same way.
    EXPECT_EQ(decodeUnicodeEscapes("-N\n"), gbk(u8"中"));
}

TEST(DecodeUnicodeEscapes, LongInputs) {
    Text escaped, expected;
    for (int k = 0; k < 50000; ++k) {
        escaped += "\\u4e2d'\r\n";
        expected += gbk(u8"中'\r\n");
    }
    EXPECT_TRUE(decodeUnicodeEscapes(escaped) == expected);
}
