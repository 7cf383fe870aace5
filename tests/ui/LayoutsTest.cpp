// The row builders of ui: the frame every window gets, and the defaults of each control kind.
// The program's own windows are checked over its window list (tests/app).
#include <gtest/gtest.h>

#include "support/SampleLayout.h"
#include "ui/LayoutRows.h"

using namespace qx::ui;
using qx::test::findRow;

TEST(Layouts, EveryWindowGetsItsSkinElementAndPlace) {
    const WindowLayout& l = qx::test::sampleLayout();
    EXPECT_EQ(l.x, 50);
    EXPECT_EQ(l.y, 50);
    EXPECT_EQ(l.skinElement, "样例UI");
    ASSERT_FALSE(l.controls.empty());
    const ControlLayout& skin = l.controls.front();
    EXPECT_EQ(skin.name, l.skinElement);
    EXPECT_EQ(skin.kind, ControlKind::SkinElement);
    EXPECT_EQ(skin.skin, "exui默认窗口皮肤");
    EXPECT_EQ(std::tie(skin.x, skin.y, skin.width, skin.height), std::make_tuple(4, 4, 24, 24));

    const ControlLayout* close = findRow(l, "按钮EX1");
    ASSERT_TRUE(close);
    EXPECT_EQ(close->kind, ControlKind::CloseButton);
    EXPECT_EQ(std::tie(close->x, close->y, close->width, close->height), std::make_tuple(388, 8, 24, 24));
    EXPECT_EQ(close->accessibleName, "关闭");
    EXPECT_TRUE(close->container.empty());
}

TEST(Layouts, SkinsAndLineModesByKind) {
    const WindowLayout& l = qx::test::sampleLayout();
    const ControlLayout* button = findRow(l, "按钮EX2");
    EXPECT_EQ(button->font, "微软雅黑");
    EXPECT_EQ(button->skin, "默认皮肤按钮");
    EXPECT_EQ(button->container, "分组框EX1");
    EXPECT_EQ(findRow(l, "分组框EX1")->skin, "EX_UI默认皮肤_分组框");
    EXPECT_EQ(findRow(l, "图片框EX1")->skin, "Exui默认皮肤_图片框");
    EXPECT_EQ(findRow(l, "选择框EX1")->skin, "");
    EXPECT_EQ(findRow(l, "选择框EX2")->skin, "超仿QQ_选择框");
    EXPECT_FALSE(findRow(l, "编辑框EX_单行")->multiLine);
    EXPECT_TRUE(findRow(l, "编辑框EX_多行")->multiLine);
    EXPECT_FALSE(findRow(l, "编辑框EX_隐藏")->visible);
    for (auto& c : l.controls)
        if (c.kind == ControlKind::EditBox) {
            EXPECT_EQ(c.multiLine, c.height > rows::kSingleLineEditMaxHeight) << c.name;
            EXPECT_EQ(c.skin, "EX_UI默认皮肤_编辑框");
        }
    EXPECT_EQ(rows::kSingleLineEditMaxHeight, 40);
}
