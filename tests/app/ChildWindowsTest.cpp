// The program's window list: every window's layout holds together, and every control a
// feature's handlers name is in its layout with the kind they expect.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/MainWindowLayout.h"
#include "app/Windows.h"

using namespace qx::ui;
using qx::app::allWindowLayouts;
using qx::app::childWindows;
using qx::app::findWindowLayout;

namespace {

struct Rect {
    int x, y, w, h;
};

const ControlLayout* find(const WindowLayout& l, const std::string& name) {
    for (auto& c : l.controls)
        if (c.name == name) return &c;
    return nullptr;
}

// What a descriptor's control names get wrong against its layout; empty when nothing.
std::vector<std::string> controlNameProblems(const WindowDescriptor& d, const WindowLayout& l) {
    std::vector<std::string> problems;
    for (const ControlRef& ref : d.controls) {
        const ControlLayout* c = find(l, ref.name);
        if (!c)
            problems.push_back(std::string(d.name) + " has no control " + ref.name);
        else if (c->kind != ref.kind)
            problems.push_back(std::string(d.name) + " " + ref.name + " is of another kind");
    }
    return problems;
}

}  // namespace

TEST(ChildWindows, EveryNamedControlIsInItsLayoutWithItsKind) {
    std::size_t named = 0;
    std::set<std::string_view> windows;
    for (const WindowDescriptor& d : childWindows()) {
        SCOPED_TRACE(std::string(d.name));
        EXPECT_TRUE(windows.insert(d.name).second) << "listed twice";
        const WindowLayout* l = findWindowLayout(d.name);
        ASSERT_TRUE(l);
        EXPECT_EQ(l->name, d.name);
        EXPECT_EQ(controlNameProblems(d, *l), std::vector<std::string>{});
        named += d.controls.size();
    }
    EXPECT_EQ(windows.size(), 9u);
    EXPECT_GE(named, 70u);
}

// The main window's controls its handlers, the tool launcher and the notice name.
TEST(ChildWindows, TheMainWindowsNamedControlsAreInItsLayout) {
    const WindowDescriptor& main = qx::app::mainWindowDescriptor();
    EXPECT_EQ(main.name, "MainWindow");
    EXPECT_EQ(findWindowLayout(main.name), &main.layout());
    EXPECT_EQ(controlNameProblems(main, main.layout()), std::vector<std::string>{});
    EXPECT_GE(main.controls.size(), 36u);
}

// The check catches a misspelt name and a control of another kind.
TEST(ChildWindows, TheControlNameCheckCatchesAMisspeltName) {
    const WindowDescriptor* speed = nullptr;
    for (const WindowDescriptor& d : childWindows())
        if (d.name == "SpeedTestWindow") speed = &d;
    ASSERT_TRUE(speed);
    const ControlRef wrong[] = {{"标签EX33", ControlKind::Label}, {"时钟1", ControlKind::Button}};
    WindowDescriptor misspelt = *speed;
    misspelt.controls = wrong;
    EXPECT_EQ(controlNameProblems(misspelt, *findWindowLayout(speed->name)),
              (std::vector<std::string>{"SpeedTestWindow has no control 标签EX33",
                                        "SpeedTestWindow 时钟1 is of another kind"}));
}

TEST(EveryWindowLayout, NamesAreUniqueAndContainersExist) {
    for (const WindowLayout* layout : allWindowLayouts()) {
        const WindowLayout& l = *layout;
        SCOPED_TRACE(l.name);
        std::set<std::string> names;
        for (auto& c : l.controls) {
            EXPECT_TRUE(names.insert(c.name).second) << "duplicate " << c.name;
            if (c.container.empty()) {
                EXPECT_EQ(c.page, -1) << c.name;
                continue;
            }
            const ControlLayout* box = find(l, c.container);
            ASSERT_TRUE(box) << c.name << " in " << c.container;
            if (box->kind == ControlKind::TabControl) {
                EXPECT_GE(c.page, 0) << c.name;
                EXPECT_LT(c.page, static_cast<int>(box->pages.size())) << c.name;
            } else {
                EXPECT_EQ(box->kind, ControlKind::GroupBox) << c.name;
                EXPECT_EQ(c.page, -1) << c.name;
            }
        }
    }
}

// Every drawn control lies inside its container: the window at its largest size, a group box,
// or a tab page. One group box of the main window overhangs its page by design (the page clips
// its lower edge), which the check names explicitly.
TEST(EveryWindowLayout, EveryControlLiesInsideItsContainer) {
    for (const WindowLayout* layout : allWindowLayouts()) {
        const WindowLayout& l = *layout;
        SCOPED_TRACE(l.name);
        for (auto& c : l.controls) {
            if (c.kind == ControlKind::Timer) continue;  // not drawn
            Rect outer{0, 0, l.grownWidth ? l.grownWidth : l.width, l.grownHeight ? l.grownHeight : l.height};
            if (!c.container.empty()) {
                const ControlLayout* box = find(l, c.container);
                ASSERT_TRUE(box);
                outer = {0, 0, box->width, box->height};
            }
            EXPECT_GE(c.x, 0) << c.name;
            EXPECT_GE(c.y, 0) << c.name;
            EXPECT_LE(c.x + c.width, outer.w) << c.name;
            if (l.name == "MainWindow" && c.name == "分组框EX3") {
                EXPECT_EQ(c.y + c.height - outer.h, 12);
                continue;
            }
            EXPECT_LE(c.y + c.height, outer.h) << c.name;
        }
    }
}
