#pragma once
// Restarting the program through a small script that waits, starts the executable again
// and deletes itself.
#include "state/ProgramState.h"
#include "core/Text.h"

namespace qx::app {

// Delay normalised as the restart does it: omitted (0) or less than 1 becomes 2.
int normaliseRestartDelay(int delaySeconds);

// The Windows batch script (GBK bytes, CR LF, no final line end).
Text restartScriptBatch(const Text& shortExePath, int delaySeconds);
// The POSIX sh script that this platform runs; every path is quoted for the shell.
std::string restartScriptPosix(const std::string& nativeExePath, const std::string& nativeScriptPath,
                               int delaySeconds);

// Writes the script beside the executable, starts it hidden and ends this process.
// Returns only when the executable file does not exist.
void restartSelf(const ProgramState& state, int delaySeconds = 0);

// Ends the process (0: this one). True when it was ended.
bool terminateProcessById(int processId);

}  // namespace qx::app
