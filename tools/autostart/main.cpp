// 启动项添加: the programs that start with the desktop session.
#include "autostart/AutostartWindow.h"
#include "common/Look.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("启动项添加"),
                              [] { return new qx::autostart::AutostartWindow; });
}
