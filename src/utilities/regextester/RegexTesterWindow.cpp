#include "utilities/regextester/RegexTesterWindow.h"

#include <memory>

#include "utilities/regextester/RegexTest.h"

namespace qx::regextester {

void bindRegexTesterWindow(const ui::WindowPtr& window, ProgramState&, ui::WindowSystem& windows) {
    // Handlers live inside the window: they hold it weakly.
    std::weak_ptr<ui::Window> weak = window;
    window->onClick("按钮EX3", [weak] {
        if (auto w = weak.lock()) runRegexTest(*w);
    });
    window->onClick("按钮EX1", [weak, &windows] {
        if (auto w = weak.lock()) closeRegexTesterWindow(w, windows);
    });
}

}  // namespace qx::regextester
