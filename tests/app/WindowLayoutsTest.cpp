// The program's windows as their features lay them out: sizes, skins, close buttons, the main
// window's pages and the controls that only a grown window shows.
#include <gtest/gtest.h>

#include <map>

#include "app/Windows.h"
#include "support/SampleLayout.h"

using namespace qx::ui;
using qx::app::allWindowLayouts;
using qx::app::findWindowLayout;
using qx::test::findRow;

TEST(WindowLayouts, SizesSkinElementsAndCloseButtons) {
    struct Expect {
        const char* name;
        int w, h;
        const char* skin;
        int closeX, closeY;
    };
    const Expect expected[] = {
        {"MainWindow", 732, 354, "主界面UI", 694, 15},
        {"AboutWindow", 466, 273, "关于UI", 432, 13},
        {"ResolverWindow", 325, 509, "云盘解析UI", 296, 12},
        {"SiteIconWindow", 325, 354, "网站取图标UI", 296, 8},
        {"RegexTesterWindow", 380, 506, "正则调试UI", 344, 16},
        {"WebTesterWindow", 523, 603, "网页测试UI", 488, 16},
        {"EncoderWindow", 685, 517, "编码转换UI", 648, 16},
        {"AvatarWindow", 308, 364, "取QQ头像UI", 280, 8},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        const WindowLayout* found = findWindowLayout(e.name);
        ASSERT_TRUE(found);
        const WindowLayout& l = *found;
        EXPECT_EQ(l.name, e.name);
        EXPECT_EQ(l.width, e.w);
        EXPECT_EQ(l.height, e.h);
        EXPECT_EQ(l.x, 50);
        EXPECT_EQ(l.y, 50);
        EXPECT_EQ(l.title, std::string(e.name) == "MainWindow" ? "Quorvex工具箱" : "");

        EXPECT_EQ(l.skinElement, e.skin);
        const ControlLayout* skin = findRow(l, l.skinElement);
        ASSERT_TRUE(skin);
        EXPECT_EQ(skin->kind, ControlKind::SkinElement);

        const ControlLayout* close = findRow(l, "按钮EX1");
        ASSERT_TRUE(close);
        EXPECT_EQ(close->kind, ControlKind::CloseButton);
        EXPECT_EQ(close->x, e.closeX);
        EXPECT_EQ(close->y, e.closeY);
        EXPECT_TRUE(close->container.empty());
    }
    EXPECT_EQ(findWindowLayout("Nope"), nullptr);
}

TEST(WindowLayouts, ControlsBeyondTheFirstSizeBelongToTheGrownWindow) {
    const WindowLayout* tester = findWindowLayout("WebTesterWindow");
    EXPECT_EQ(tester->grownWidth, 906);
    int beyond = 0;
    for (auto& c : tester->controls)
        if (c.kind != ControlKind::Timer && c.x >= 520) ++beyond;
    EXPECT_EQ(beyond, 5);  // divider, "<-", two size labels, the preview

    const WindowLayout* encoder = findWindowLayout("EncoderWindow");
    EXPECT_EQ(encoder->grownHeight, 668);
    const ControlLayout* decoded = findRow(*encoder, "编辑框EX_解码文本");
    EXPECT_GT(decoded->y + decoded->height, encoder->height);
    EXPECT_FALSE(decoded->visible);
}

TEST(WindowLayouts, MainWindowHasItsPagesAndButtons) {
    const WindowLayout& l = *findWindowLayout("MainWindow");
    const ControlLayout* tab = findRow(l, "选择夹EX1");
    ASSERT_TRUE(tab);
    EXPECT_EQ(tab->pages, (std::vector<std::string>{"首页", "工具", "系统"}));
    std::map<int, int> perPage;
    int placeholders = 0;
    for (auto& c : l.controls) {
        if (c.container == "选择夹EX1" && c.kind == ControlKind::Button) ++perPage[c.page];
        if (c.caption == "待定") ++placeholders;
    }
    EXPECT_EQ(perPage[2], 20);
    EXPECT_EQ(placeholders, 10);
    for (int n = 1; n <= 39; ++n) EXPECT_TRUE(findRow(l, "按钮EX" + std::to_string(n))) << n;
    const ControlLayout* cloud = findRow(l, "按钮EX9");
    EXPECT_EQ(cloud->caption, "OneDriveForBusiness取直链");
    EXPECT_EQ(cloud->container, "分组框EX2");
    EXPECT_EQ(cloud->x, 136);
    EXPECT_EQ(cloud->width, 184);
    EXPECT_EQ(cloud->font, "微软雅黑");
    EXPECT_EQ(cloud->skin, "默认皮肤按钮");
    const ControlLayout* joke = findRow(l, "骚话标签");
    const ControlLayout* log = findRow(l, "编辑框EX_更新内容");
    EXPECT_EQ(std::tie(joke->x, joke->y, joke->width, joke->height),
              std::tie(log->x, log->y, log->width, log->height));
    EXPECT_EQ(findRow(l, "图片框EX2")->picture, "update");
}

TEST(WindowLayouts, SkinsAndLineModesByKind) {
    const WindowLayout& tester = *findWindowLayout("WebTesterWindow");
    for (auto& c : tester.controls) {
        if (c.kind != ControlKind::CheckBox) continue;
        bool qq = c.name == "选择框EX6" || c.name == "选择框EX7";
        EXPECT_EQ(c.skin == "超仿QQ_选择框", qq) << c.name;
    }
    for (const WindowLayout* l : allWindowLayouts())
        for (auto& c : l->controls)
            if (c.kind == ControlKind::EditBox) {
                EXPECT_EQ(c.multiLine, c.height > 40) << l->name << " " << c.name;
                EXPECT_EQ(c.skin, "EX_UI默认皮肤_编辑框");
            }
}
