#include <gtest/gtest.h>

#include <string>

#include "platform/text/TextStream.h"

using namespace qx::platform;

TEST(TextStream, BinaryBytesReadBackAsTextInTheCharset) {
    // The sequence the callers use: binary write, back to 0, switch to text, read.
    TextStream s;
    ASSERT_TRUE(s.open());
    ASSERT_TRUE(s.write("\x2D\x4E\x87\x65"));  // 中文 as UTF-16LE
    ASSERT_TRUE(s.setPosition(0));
    ASSERT_TRUE(s.setType(TextStream::kText));
    ASSERT_TRUE(s.setCharset("unicode"));
    std::u16string text;
    ASSERT_TRUE(s.readText(text));
    EXPECT_EQ(text, u"中文");
    EXPECT_EQ(s.position(), 4u);
    s.close();
    EXPECT_FALSE(s.readText(text));
    EXPECT_TRUE(text.empty());
}

TEST(TextStream, TypeChangesOnlyAtTheStartAndReadsFollowTheMode) {
    TextStream s;
    EXPECT_FALSE(s.write("x"));  // not open
    s.open();
    s.write("abc");
    EXPECT_FALSE(s.setType(TextStream::kText));  // position 3
    std::u16string text;
    EXPECT_FALSE(s.readText(text));  // still binary
    s.setPosition(1);
    s.write("XYZ");  // overwrites and extends
    s.setPosition(0);
    EXPECT_EQ(s.read(), "aXYZ");
    EXPECT_FALSE(s.setPosition(9));
    EXPECT_FALSE(s.setType(3));
}

TEST(TextStream, CharsetNamesAndByteOrderMarks) {
    std::u16string text;
    EXPECT_TRUE(bytesToText("\xEF\xBB\xBF\xE4\xB8\xAD", "UTF-8", text));
    EXPECT_EQ(text, u"中");
    EXPECT_TRUE(bytesToText("\xD6\xD0", " gb2312 ", text));
    EXPECT_EQ(text, u"中");
    EXPECT_TRUE(bytesToText("\xA4\xA4", "big5", text));
    EXPECT_EQ(text, u"中");
    EXPECT_TRUE(bytesToText("\x80", "iso-8859-1", text));  // read as windows-1252, as browsers do
    EXPECT_EQ(text, u"€");
    EXPECT_TRUE(bytesToText(std::string("A\0B", 3), "unicode", text));  // the odd last byte is no character
    EXPECT_EQ(text, u"A");
    EXPECT_FALSE(bytesToText("abc", "no-such-charset", text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(bytesToText("abc", "", text));
    EXPECT_FALSE(charsetKnown("x-unknown"));
    EXPECT_TRUE(charsetKnown("Shift_JIS"));

    TextStream s;
    EXPECT_FALSE(s.setCharset("bogus"));
    EXPECT_EQ(s.charset(), "unicode");
}

TEST(TextStream, TextToBytesAndWriteText) {
    std::string bytes;
    EXPECT_TRUE(textToBytes(u"中a", "utf-8", bytes));
    EXPECT_EQ(bytes,
              "\xE4\xB8\xAD"
              "a");
    EXPECT_TRUE(textToBytes(u"中😀", "gbk", bytes));
    EXPECT_EQ(bytes, "\xD6\xD0?");
    EXPECT_FALSE(textToBytes(u"x", "bogus", bytes));

    TextStream s;
    s.open();
    s.setType(TextStream::kText);
    s.setCharset("utf-8");
    EXPECT_TRUE(s.writeText(u"文"));
    EXPECT_EQ(s.size(), 3u);
    s.setPosition(0);
    s.setType(TextStream::kBinary);
    EXPECT_EQ(s.read(), "\xE6\x96\x87");
}
