#include <gtest/gtest.h>

#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/encoder/EncoderEncode.h"
#include "utilities/encoder/EncoderWindow.h"

using namespace qx;
using namespace qx::encoder;

namespace {

struct EncodeCase {
    const char* name;
    Text input;  // GBK
    Text url, utf8, ansi, usc2;
};

// clang-format off
const EncodeCase kCases[] = {
    {"Letter", "A", "A", "A", "A", "%u0041"},
    {"AsciiStaysTheSame", "Hi-2.x", "Hi-2.x", "Hi-2.x", "Hi-2.x", "%u0048%u0069%u002D%u0032%u002E%u0078"},
    {"SpacesArePlus", "a b  c", "a+b++c", "a b  c", "a b  c", "%u0061%u0020%u0062%u0020%u0020%u0063"},
    {"Marks", "'()*_~", "'()*%5F%7E", "'()*_~", "'()*_~", "%u0027%u0028%u0029%u002A%u005F%u007E"},
    // GBK D6 D0 is not UTF-8: each byte becomes a replacement character, which GBK writes as "?".
    {"Chinese", gbk(u8"中"), "%D6%D0", "\xE4\xB8\xAD", "??", "%u4E2D"},
    {"LineBreak", "a\r\nb", "a%0D%0Ab", "a\r\nb", "a\r\nb", "%u0061%u000D%u000A%u0062"},
    {"LoneLeadByte", "a\x81", "a%81", "a\xEF\xBF\xBD", "a?", "%u0061%uFFFD"},
};
// clang-format on

struct EncoderEncodeTest : testing::Test {
    test::FakeWindowSystem windows;
    ProgramState state;
    ui::WindowPtr window = ui::Window::create(qx::encoder::encoderLayout());

    void SetUp() override {
        ASSERT_TRUE(window);
        bindEncoderWindow(window, state, windows);
    }
    Text box(const char* name) { return window->control(name).text(); }
};

struct EncodeCaseTest : EncoderEncodeTest, testing::WithParamInterface<EncodeCase> {};

}  // namespace

TEST_P(EncodeCaseTest, FillsTheFourBoxes) {
    const EncodeCase& c = GetParam();
    window->control("编辑框EX_原文本").setText(c.input);
    ASSERT_TRUE(window->click("按钮EX2"));
    EXPECT_EQ(box("编辑框EX_URL"), c.url);
    EXPECT_EQ(box("编辑框EX_UTF8"), c.utf8);
    EXPECT_EQ(box("编辑框EX_Ansi"), c.ansi);
    EXPECT_EQ(box("编辑框EX_usc2"), c.usc2);
    EXPECT_EQ(windows.pendingEventCalls(), 1);
    // The same four without a window.
    const EncodedTexts direct = encodeText(c.input);
    EXPECT_EQ(direct.url, c.url);
    EXPECT_EQ(direct.utf8, c.utf8);
    EXPECT_EQ(direct.ansi, c.ansi);
    EXPECT_EQ(direct.unicode, c.usc2);
}

INSTANTIATE_TEST_SUITE_P(Cases, EncodeCaseTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EncoderEncodeTest, Utf8BytesPastedAsTextComeBackInTheAnsiBox) {
    window->control("编辑框EX_原文本").setText("\xE4\xB8\xAD\xE6\x96\x87");
    window->click("按钮EX2");
    EXPECT_EQ(box("编辑框EX_URL"), "%E4%B8%AD%E6%96%87");
    EXPECT_EQ(box("编辑框EX_Ansi"), gbk(u8"中文"));
}

TEST_F(EncoderEncodeTest, EmptyInputEmptiesAllFourBoxes) {
    for (const char* b : {"编辑框EX_URL", "编辑框EX_UTF8", "编辑框EX_Ansi", "编辑框EX_usc2"})
        window->control(b).setText("old");
    window->control("编辑框EX_原文本").setText("");
    window->click("按钮EX2");
    for (const char* b : {"编辑框EX_URL", "编辑框EX_UTF8", "编辑框EX_Ansi", "编辑框EX_usc2"})
        EXPECT_EQ(box(b), "") << b;
}

TEST_F(EncoderEncodeTest, PasteReplacesTheInputWithTheClipboard) {
    window->control("编辑框EX_原文本").setText("before");
    windows.setClipboardText(gbk(u8"剪贴板 text"));
    ASSERT_TRUE(window->click("按钮EX4"));
    EXPECT_EQ(box("编辑框EX_原文本"), gbk(u8"剪贴板 text"));
    windows.setClipboardText("");
    window->click("按钮EX4");
    EXPECT_EQ(box("编辑框EX_原文本"), "");
}

TEST(EscapeUtf16, PrefixAndUnits) {
    EXPECT_EQ(escapeUtf16(gbk(u8"中A"), "\\u"), "\\u4E2D\\u0041");
    EXPECT_EQ(escapeUtf16("", "%u"), "");
    EXPECT_EQ(escapeUtf16(Text("a\0b", 3), "%u"), "%u0061");  // the conversion ends at a zero byte
    // A character GBK cannot hold (outside the BMP) reaches a GBK text as "?".
    EXPECT_EQ(escapeUtf16(gbk(u8"\U0001F600"), "%u"), "%u003F");
}
