// 图标提取: icons of executables, desktop entries and the icon theme.
#include "common/Look.h"
#include "iconextract/IconExtractWindow.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("图标提取"),
                              [] { return new qx::iconextract::IconExtractWindow; });
}
