// 窗口信息获取: what an X11 window says about itself.
#include "common/Look.h"
#include "windowinfo/WindowInfoWindow.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("窗口信息获取"),
                              [] { return new qx::windowinfo::WindowInfoWindow; });
}
