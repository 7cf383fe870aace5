#include "state/ProgramState.h"
#include "app/StartUp.h"
#include "ui/qt/QtApplication.h"
#include "text/Strings.h"

const char* quorvexVersionRecord();

int main(int argc, char** argv) {
    // Keeps the embedded version record referenced, so the linker never drops it.
    volatile const char* record = quorvexVersionRecord();
    (void)record;

    static qx::ProgramState state;  // lives until the process ends
    qx::app::initialiseProgramState(state);
    return qx::ui::qt::runApplication(argc, argv, [](qx::ui::WindowSystem& windows) { qx::app::startUp(state, windows); });
}
