#include "ui/Layout.h"

namespace qx::ui {

const std::vector<WindowLayout>& allLayouts() {
    static const std::vector<WindowLayout> layouts = {
        {"MainWindow", "Quorvex工具箱", 732, 354, 50, 50,
         {
             {"主界面UI", ControlKind::SkinElement, "", "", -1, 4, 4, 24, 24},
             {"按钮EX1", ControlKind::CloseButton, "", "", -1, 694, 15, 24, 24},
         }},
    };
    return layouts;
}

const WindowLayout* findLayout(std::string_view windowName) {
    for (auto& l : allLayouts())
        if (l.name == windowName) return &l;
    return nullptr;
}

}  // namespace qx::ui
