#include <gtest/gtest.h>

#include "net/HtmlText.h"
#include "tester/HtmlToTextToggle.h"
#include "tester/WebTesterWindow.h"
#include "text/CodePages.h"

using namespace qx;
using namespace qx::net;
using namespace qx::tester;

namespace {

struct ToggleTest : testing::Test {
    ui::WindowPtr window = ui::Window::create(tester::webTesterLayout());
    Shared<Text> saved;

    void SetUp() override {
        ASSERT_TRUE(window);
        registerHtmlToText(*window, saved);
    }
    Text press(const Text& page) {
        box().setText(page);
        return press();
    }
    Text press() {
        EXPECT_TRUE(window->click("按钮EX6"));
        return box().text();
    }
    ui::Control box() { return window->control("编辑框EX_最后文本"); }
    Text caption() { return window->control("按钮EX6").caption(); }
};

}  // namespace

TEST_F(ToggleTest, ConvertsAndRestoresThePageExactly) {
    ASSERT_EQ(caption(), gbk(u8"取文本"));
    const Text page = "<p>a</p>\r\n<p>b &amp; c</p>";
    EXPECT_EQ(press(page), "a\r\n\r\nb & c");
    EXPECT_EQ(caption(), gbk(u8"撤回"));
    EXPECT_EQ(saved.get(), page);
    EXPECT_EQ(press(), page);
    EXPECT_EQ(caption(), gbk(u8"取文本"));
}

TEST_F(ToggleTest, FallsThroughTheConverters) {
    // Only blanks from the document: the regex converter's text.
    EXPECT_EQ(press("&nbsp;&nbsp;<span hidden>x</span>"), "x");
    press();
    // Nothing from the first two: the Chinese characters, run together.
    EXPECT_EQ(press(gbk(u8"<script>var s = '中 文';</script>")), gbk(u8"中文"));
    press();
    // Nothing at all: the failure message, and the page still comes back.
    EXPECT_EQ(press("<script>var s;</script>"), gbk(u8"取文本失败，请检查后再试"));
    EXPECT_EQ(caption(), gbk(u8"撤回"));
    EXPECT_EQ(press(), "<script>var s;</script>");
}

TEST(PageToPlainText, TheConvertersWithoutTheWindow) {
    EXPECT_EQ(pageToPlainText("<p>a</p><p>b</p>"), "a\r\n\r\nb");
    EXPECT_EQ(pageToPlainText(gbk(u8"<script>var s = '中 文';</script>")), gbk(u8"中文"));
    EXPECT_EQ(pageToPlainText("<script>var s;</script>"), "");  // the caller says it failed
    EXPECT_EQ(pageToPlainText("   "), "");
    EXPECT_EQ(pageToPlainText(""), "");
}

TEST_F(ToggleTest, EmptyPageNoticeRestoresTheSavedText) {
    EXPECT_EQ(press(emptyPageNotice()), "");  // nothing saved before the first conversion
    EXPECT_EQ(caption(), gbk(u8"取文本"));
    press("<b>page</b>");
    press();
    EXPECT_EQ(press(emptyPageNotice()), "<b>page</b>");
    EXPECT_EQ(caption(), gbk(u8"取文本"));
}
