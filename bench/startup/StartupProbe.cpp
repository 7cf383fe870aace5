// The program's start-up up to a shown main window, then the process ends: what the
// benchmark times against a minimal Qt window program.
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>

#include "ShownSignal.h"
#include "app/MainWindow.h"
#include "app/StartUp.h"
#include "resources/Pictures.h"
#include "state/ProgramState.h"
#include "ui/qt/QtApplication.h"
#include "ui/qt/Widgets.h"

using namespace qx;
using namespace qx::app;

const char* quorvexVersionRecord();

int main(int argc, char** argv) {
    volatile const char* record = quorvexVersionRecord();
    (void)record;
    static qx::ProgramState state;
    qx::app::initialiseProgramState(state);
    qx::ui::qt::setSharperPictureSource(&qx::res::sharperPicture);  // HiDPI screens
    return qx::ui::qt::runApplication(
        argc, argv,
        [](qx::ui::WindowSystem& windows) {
            qx::app::startUp(state, windows);
            // Once the loop has shown and painted the window.
            QTimer::singleShot(0, [] {
                QCoreApplication::processEvents();
                signalShown();  // the benchmark's clock stops here
                std::_Exit(0);
            });
        },
        qx::app::mainWindowPictures());
}
