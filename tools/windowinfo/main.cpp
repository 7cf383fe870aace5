// 窗口信息获取: what an X11 window says about itself (on Wayland: the XWayland windows).
#include <cstdlib>

#include "common/Look.h"
#include "windowinfo/WindowInfoWindow.h"

int main(int argc, char** argv) {
    // On Wayland the pointer is known to XWayland only over X11 windows, this one included: run
    // as an X11 program there (unless told otherwise), so dragging the crosshair works.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* display = std::getenv("DISPLAY");
    if (wayland && *wayland && display && *display && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    return qx::tools::runTool(argc, argv, QStringLiteral("窗口信息获取"),
                              [] { return new qx::windowinfo::WindowInfoWindow; });
}
