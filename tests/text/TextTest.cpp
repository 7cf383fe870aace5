#include "text/Strings.h"

#include <gtest/gtest.h>

#include "text/CodePages.h"
#include "text/TextUtilities.h"

using namespace qx;

TEST(Text, FindIsOneBasedWithStartAndMinusOneWhenAbsent) {
    EXPECT_EQ(find("abcabc", "c"), 3);
    EXPECT_EQ(find("abcabc", "c", 4), 6);
    EXPECT_EQ(find("abcabc", "c", 0), 3);
    EXPECT_EQ(find("abcabc", "x"), -1);
    EXPECT_EQ(find("abc", ""), -1);
    EXPECT_EQ(find("abc", "c", 99), -1);
    EXPECT_EQ(findLast("abcabc", "b"), 5);
    EXPECT_EQ(findLast("abcabc", "b", 4), 2);
    EXPECT_EQ(findLast("abcabc", "B", -1, true), 5);
}

TEST(Text, IgnoreCaseFoldsAsciiOnlyAndNeverMatchesATrailByte) {
    // GBK "中" is D6 D0; "乙" is D2 D2; B0 41 is a lead byte with trail 'A'.
    const Text withTrailA = "\xB0\x41" "a";
    EXPECT_EQ(find(withTrailA, "a", 1, true), 3);   // not the trail byte at 2
    EXPECT_EQ(find(withTrailA, "A", 1, true), 3);
    EXPECT_EQ(find("xAbC", "abc", 1, true), 2);
    EXPECT_EQ(find(gbk(u8"中文ABC"), "abc", 1, true), 5);
    EXPECT_EQ(find(gbk(u8"中文"), gbk(u8"文"), 1, true), 3);
    // Case-insensitive search from a start inside a double-byte character aligns forward.
    EXPECT_EQ(find(withTrailA, "a", 2, true), 3);
    EXPECT_TRUE(equalsIgnoreCase("Set-Cookie", "set-cookie"));
    EXPECT_FALSE(equalsIgnoreCase("\xB0\x41", "\xB0\x61"));
    EXPECT_EQ(toLowerAscii("\xB0\x41" "A"), "\xB0\x41" "a");
}

TEST(Text, ReplaceSplitTrimAndParts) {
    EXPECT_EQ(replaceAll("a-b-c", "-", "+"), "a+b+c");
    EXPECT_EQ(replaceFirst("a-b-c", "-", "+"), "a+b-c");
    EXPECT_EQ(replaceAll("Cookie:a=1; cookie:b", "cookie:", "", true), "a=1; b");
    EXPECT_EQ(replaceAll("aaa", "aa", "a"), "aa");
    EXPECT_EQ(trim("  x y \r\n"), "x y");
    EXPECT_TRUE(isBlank(" \xA1\xA1 "));
    EXPECT_FALSE(isBlank(" x"));
    EXPECT_EQ(split("a,,b", ""), (TextArray {"a", "", "b"}));
    EXPECT_EQ(split("a/b/c", "/", 2), (TextArray {"a", "b/c"}));
    EXPECT_TRUE(split("", ",").empty());
    EXPECT_EQ(left("abc", 5), "abc");
    EXPECT_EQ(right("abc", 2), "bc");
    EXPECT_EQ(mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(mid("abc", 9), "");
    EXPECT_EQ(fromDouble(0.1 + 0.2), "0.3");
    EXPECT_EQ(fromDouble(1e20), "1e+20");
    EXPECT_EQ(fromDouble(2.5), "2.5");
    EXPECT_EQ(toInt(" 42x"), 42);
}

TEST(CodePages, FixedPointsAndEmptyInputs) {
    EXPECT_EQ(gbkToUtf16(gbk(u8"中"), true), (ByteArray {0x2D, 0x4E}));
    EXPECT_EQ(gbk(u8"中"), "\xD6\xD0");
    EXPECT_EQ(utf16ToText(ByteArray {0xAC, 0x20}, 936, true), "\x80");
    EXPECT_EQ(gbkToUtf16("\x80", true), (ByteArray {0xAC, 0x20}));
    EXPECT_EQ(gbkToUtf16("", false), (ByteArray {0, 0}));
    EXPECT_TRUE(gbkToUtf16("", true).empty());
    EXPECT_EQ(codePageToUtf16("ab", 65001), (ByteArray {'a', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(utf16ToBytes(gbkToUtf16("abc", false), 65001), toBytes("abc"));
    EXPECT_TRUE(utf16ToBytes(ByteArray {0, 0}, 936).empty());
    EXPECT_TRUE(cutUtf16AtNul(ByteArray {1}).empty());
    EXPECT_EQ(cutUtf16AtNul(ByteArray {'a', 0}), (ByteArray {'a', 0}));
    EXPECT_EQ(utf8ToText("\xE4\xB8\xAD\xE6\x96\x87"), gbk(u8"中文"));
    // A character GBK cannot hold becomes '?'; an invalid sequence decodes to U+FFFD.
    EXPECT_EQ(gbk(u8"a😀b"), "a?b");
    EXPECT_EQ(gbkToUtf16("\x81", true), (ByteArray {0xFD, 0xFF}));
    EXPECT_EQ(shortPathOf("/tmp/a b"), "/tmp/a b");
}

TEST(CodePages, EveryValidGbkDoubleByteCodeRoundTrips) {
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            Text t {static_cast<char>(lead), static_cast<char>(trail)};
            ByteArray u = gbkToUtf16(t, true);
            if (u.size() != 2) continue;
            char16_t unit = static_cast<char16_t>(u[0] | (u[1] << 8));
            if (unit == 0xFFFD) continue;  // not assigned in code page 936
            ASSERT_EQ(utf16ToText(u, 936, true), t) << std::hex << lead << " " << trail;
            ++checked;
        }
    }
    EXPECT_GT(checked, 21000);
}

TEST(TextUtilities, FindAllPositionsAndSplitNonEmpty) {
    EXPECT_EQ(findAllPositions("aXa", "x"), (std::vector<int> {2}));
    EXPECT_EQ(findAllPositions("aaaa", "aa"), (std::vector<int> {1, 3}));
    EXPECT_TRUE(findAllPositions("abc", "").empty());
    EXPECT_EQ(splitNonEmpty("x:/h/a//b", "/"), (TextArray {"x:", "h", "a", "b"}));
    EXPECT_EQ(splitNonEmpty("a,,b", ""), (TextArray {"a", "b"}));
    EXPECT_EQ(splitNonEmpty("a/b/c/d", "/", 2), (TextArray {"a", "b/c/d"}));
}

TEST(TextUtilities, RemoveBetweenMarkers) {
    EXPECT_EQ(removeBetweenMarkers("a/x/L/abc/R/z", "L/", "R", true), "a/x/L/R/z");
    EXPECT_EQ(removeBetweenMarkers("a/x/L/abc/R/z", "L/", "R", false), "a/x//z");
    // The later left marker goes first; with markers kept the earlier one then finds the same
    // right marker and removes the rest of the stretch.
    // Without markers kept, the right marker went with the first deletion.
    EXPECT_EQ(removeBetweenMarkers("1L2L3R4", "L", "R", false), "1L24");
    EXPECT_EQ(removeBetweenMarkers("1L2L3R4", "L", "R", true), "1LR4");
    // Left marker ignores case, right marker does not.
    EXPECT_EQ(removeBetweenMarkers("xlyRz", "L", "R", false), "xz");
    EXPECT_EQ(removeBetweenMarkers("xLyrz", "L", "R", false), "xLyrz");
    EXPECT_EQ(removeBetweenMarkers("abc", "", "c", false), "abc");
}
