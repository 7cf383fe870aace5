#include <gtest/gtest.h>

#include "text/CodePages.h"
#include "utilities/encoder/EncoderDecode.h"
#include "utilities/encoder/EncoderWindow.h"

using namespace qx;
using namespace qx::encoder;

namespace {

struct EncoderWindowTest : testing::Test {
    ui::WindowPtr window = ui::Window::create(qx::encoder::encoderLayout());

    void SetUp() override {
        ASSERT_TRUE(window);
        registerDecodeHandler(*window);
    }

    Text decode(const Text& input, const char* radio) {
        window->control("编辑框EX_原文本").setText(input);
        if (radio) window->control(radio).setChecked(true);
        EXPECT_TRUE(window->click("按钮EX3"));
        return window->control("编辑框EX_解码文本").text();
    }
};

}  // namespace

TEST_F(EncoderWindowTest, WindowGrowsAndShowsTheOutputBox) {
    EXPECT_EQ(window->height(), 517);
    EXPECT_FALSE(window->control("编辑框EX_解码文本").visible());
    decode("x", nullptr);
    EXPECT_EQ(window->height(), 668);
    EXPECT_TRUE(window->control("编辑框EX_解码文本").visible());
}

TEST_F(EncoderWindowTest, EachRadioButtonPicksItsDecoder) {
    EXPECT_EQ(decode("\xE4\xB8\xAD", "单选框EX1"), gbk(u8"中"));
    EXPECT_EQ(decode("a%20b+c", "单选框EX2"), "a b+c");
    EXPECT_EQ(decode("\\u4e2d\\u6587", "单选框EX3"), gbk(u8"中文"));
}

TEST_F(EncoderWindowTest, NoRadioCheckedKeepsTheBoxText) {
    for (const char* radio : {"单选框EX1", "单选框EX2", "单选框EX3"})
        window->control(radio).setChecked(false);
    window->control("编辑框EX_解码文本").setText("earlier");
    EXPECT_EQ(decode("a%20b", nullptr), "earlier");
    EXPECT_TRUE(window->control("编辑框EX_解码文本").visible());
}
