// EXE编辑: the resources of Windows programs (viewed and edited) and the structure of Linux ones.
#include <QCoreApplication>
#include <QStringList>

#include "common/Look.h"
#include "exeview/ExeViewWindow.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("EXE编辑"), [] {
        auto* window = new qx::exeview::ExeViewWindow;
        // A file named on the command line (or dropped on the program's icon) opens at once.
        const QStringList args = QCoreApplication::arguments();
        if (args.size() > 1) window->openFile(args[1]);
        return window;
    });
}
