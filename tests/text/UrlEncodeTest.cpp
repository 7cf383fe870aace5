#include <gtest/gtest.h>

#include "text/CodePages.h"
#include "text/UrlEncode.h"

using namespace qx;

namespace {

struct EncodeCase {
    const char* name;
    Text input;
    bool keepMarks;
    bool useUtf8;
    Text expected;
};

class UrlEncodeTest : public testing::TestWithParam<EncodeCase> {};

// clang-format off
const EncodeCase kCases[] = {
    {"SpaceIsPlus", "a b", true, true, "a+b"},
    {"LettersDigitsDashDot", "AZaz09-.", false, false, "AZaz09-."},
    {"MarksKept", "'()*", true, false, "'()*"},
    {"MarksEncodedWithoutKeep", "'()*", false, false, "%27%28%29%2A"},
    {"UnderscoreTildeAlwaysEncoded", "_~", true, true, "%5F%7E"},
    {"Reserved", "&=?/#%+", true, true, "%26%3D%3F%2F%23%25%2B"},
    {"ChineseAsUtf8", gbk(u8"中"), true, true, "%E4%B8%AD"},
    {"ChineseAsGbk", gbk(u8"中"), true, false, "%D6%D0"},
    {"FullWidthSpaceAsUtf8", gbk(u8"\u3000"), true, true, "%E3%80%80"},
    {"ControlBytes", "\t\r\n\x7f", true, false, "%09%0D%0A%7F"},
    {"ZeroByteDropped", Text("a\0b", 3), true, false, "ab"},
    {"Empty", "", true, true, ""},
    {"InvalidGbkAsUtf8", "\x81", true, true, "%EF%BF%BD"},
};
// clang-format on

}  // namespace

TEST_P(UrlEncodeTest, Encodes) {
    const EncodeCase& c = GetParam();
    EXPECT_EQ(urlEncodeText(c.input, c.keepMarks, c.useUtf8), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, UrlEncodeTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PercentEncodeBytes, EveryByteValue) {
    ByteArray all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    Text out = percentEncodeBytes(all, false);
    // 255 bytes (zero dropped): 64 stay as they are (62 alphanumerics, "-", "."), the space
    // is "+", the other 190 are three characters each.
    EXPECT_EQ(out.size(), 64u + 1u + 190u * 3u);
    EXPECT_EQ(out.substr(0, 3), "%01");
    EXPECT_EQ(out.substr(out.size() - 3), "%FF");
    EXPECT_TRUE(percentEncodeBytes({}, true).empty());
}
