#include "utilities/regextester/RegexTesterWindow.h"

#include <memory>

#include "ui/LayoutRows.h"
#include "utilities/regextester/RegexTest.h"

namespace qx::regextester {

using namespace control;

const ui::WindowLayout& regexTesterLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout =
        window("RegexTesterWindow", "", 380, 506, "正则调试UI",
               {
                   label("标签EX2", "正则文本：", 32, 32, 112, 24),
                   edit("编辑框EX_正则文本", 30, 56, 320, 32),
                   button("按钮EX3", "匹配", 262, 92, 88, 24),
                   label("标签EX3", "原文本：", 40, 104, 56, 24),
                   edit("编辑框EX_原文本", 32, 128, 320, 144),
                   label("标签EX4", "输出文本[每行对应的是每个匹配到的文本]：", 32, 280, 249, 24),
                   edit("编辑框EX_输出文本", 32, 304, 320, 176),
                   closeButton(344, 16),
               });
    return layout;
}

void bindRegexTesterWindow(const ui::WindowPtr& window, ProgramState&, ui::WindowSystem& windows) {
    // Handlers live inside the window: they hold it weakly.
    std::weak_ptr<ui::Window> weak = window;
    window->onClick(kMatch, [weak] {
        if (auto w = weak.lock()) runRegexTest(*w);
    });
    window->onClick(kClose, [weak, &windows] {
        if (auto w = weak.lock()) closeRegexTesterWindow(w, windows);
    });
}

namespace {
using K = ui::ControlKind;
constexpr ui::ControlRef kControls[] = {{kPattern, K::EditBox},
                                        {kSubject, K::EditBox},
                                        {kOutput, K::EditBox},
                                        {kMatch, K::Button},
                                        {kClose, K::CloseButton}};
}  // namespace

const ui::WindowDescriptor kRegexTesterWindow{"RegexTesterWindow", regexTesterLayout, bindRegexTesterWindow,
                                              kControls};

}  // namespace qx::regextester
