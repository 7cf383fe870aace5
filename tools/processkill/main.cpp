// 进程终止: lists the processes and ends them.
#include "common/Look.h"
#include "processkill/ProcessKillWindow.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("进程终止"),
                              [] { return new qx::processkill::ProcessKillWindow; });
}
