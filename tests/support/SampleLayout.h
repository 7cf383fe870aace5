#pragma once
// Two small windows the window-model and view tests are built on, so that they need no
// feature's layout: a sample window with one control of each kind (and the shapes the model
// treats apart: a hidden box, a control in a group box, a timer), and a child to open over it.
#include <string_view>

#include "ui/LayoutRows.h"

namespace qx::test {

// The row of that name in a layout, or nullptr.
inline const ui::ControlLayout* findRow(const ui::WindowLayout& l, std::string_view name) {
    for (const ui::ControlLayout& c : l.controls)
        if (c.name == name) return &c;
    return nullptr;
}

inline const ui::WindowLayout& sampleLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout = [] {
        ui::WindowLayout l = window("SampleWindow", "样例窗口", 420, 360, "样例UI",
                                    {
                                        label("标签EX1", "标题：", 16, 16, 120, 20),
                                        label("标签EX2", "", 16, 40, 120, 20),
                                        label("标签EX3", "", 140, 40, 120, 20),
                                        group("分组框EX1", "", 16, 64, 296, 80),
                                        button("按钮EX2", "按钮", 16, 40, 263, 24).in("分组框EX1"),
                                        edit("编辑框EX_单行", 16, 152, 288, 32),
                                        edit("编辑框EX_多行", 16, 192, 288, 104),
                                        edit("编辑框EX_隐藏", 16, 192, 288, 104).hidden(),
                                        radio("单选框EX1", "甲", 16, 304, 56, 20),
                                        radio("单选框EX2", "乙", 80, 304, 56, 20),
                                        radio("单选框EX3", "丙", 144, 304, 56, 20),
                                        check("选择框EX1", "一", 208, 304, 64, 20),
                                        check("选择框EX2", "二", 280, 304, 64, 20).skin(kQqCheckSkin),
                                        picture("图片框EX1", 320, 40, 80, 80).named("保存图片"),
                                        Row(K::Timer, "时钟1", "", 0, 0, 0, 0),
                                        closeButton(388, 8),
                                    });
        l.grownWidth = 600;
        return l;
    }();
    return layout;
}

inline const ui::WindowLayout& sampleChildLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout = window("SampleChildWindow", "", 200, 120, "样例子窗口UI",
                                                  {
                                                      label("标签EX1", "子窗口", 16, 16, 120, 20),
                                                      closeButton(168, 8),
                                                  });
    return layout;
}

}  // namespace qx::test
