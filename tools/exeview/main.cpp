// EXE编辑: the resources of Windows programs and the structure of Linux ones, for viewing.
#include "common/Look.h"
#include "exeview/ExeViewWindow.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("EXE编辑"),
                              [] { return new qx::exeview::ExeViewWindow; });
}
