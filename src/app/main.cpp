#include "app/MainWindow.h"
#include "app/StartUp.h"
#include "resources/Pictures.h"
#include "state/ProgramState.h"
#include "text/Strings.h"
#include "ui/qt/QtApplication.h"
#include "ui/qt/Widgets.h"

const char* quorvexVersionRecord();

int main(int argc, char** argv) {
    // Keeps the embedded version record referenced, so the linker never drops it.
    volatile const char* record = quorvexVersionRecord();
    (void)record;

    static qx::ProgramState state;  // lives until the process ends
    qx::app::initialiseProgramState(state);
    qx::ui::qt::setSharperPictureSource(&qx::res::sharperPicture);  // HiDPI screens
    return qx::ui::qt::runApplication(
        argc, argv, [](qx::ui::WindowSystem& windows) { qx::app::startUp(state, windows); },
        qx::app::mainWindowPictures());
}
