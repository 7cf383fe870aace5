// A stand-in program for the restart test: it notes every start in probe.log beside itself
// and restarts itself once.
#include <fstream>
#include <string>

#include "state/ProgramState.h"
#include "app/Restart.h"
#include "platform/system/Files.h"
#include "platform/system/Process.h"

using namespace qx;
using namespace qx::app;

int main() {
    qx::ProgramState state;
    state.setExecutablePath(qx::platform::executablePath());
    qx::Text log = state.pathIn("probe.log");
    std::string before;
    qx::platform::readFile(log, before);
    qx::platform::appendFile(log, std::to_string(qx::platform::currentProcessId()) + "\n");
    if (before.empty()) qx::app::restartSelf(state, 1);
    return 0;
}
