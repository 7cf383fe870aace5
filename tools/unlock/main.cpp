// 文件占用解锁: finds and ends the processes that hold a file or folder.
#include "common/Look.h"
#include "unlock/UnlockWindow.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("文件占用解锁"),
                              [] { return new qx::unlock::UnlockWindow; });
}
