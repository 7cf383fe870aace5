#pragma once
// SIGINT, SIGTERM and SIGHUP stop the running transfer through a stop token instead of killing
// the process mid-write. The run then ends on its own with 128 + the signal's number; if it
// has not within a second (or a second signal comes), the watcher ends it, removing the file
// being written first. So no half-written file is ever left under its final name.
#include <functional>
#include <stop_token>
#include <string>

namespace qx::cli {

// Blocks the signals in this thread (and so in every thread started after) and starts the
// thread that waits for them. Call it before any other thread starts.
void watchInterrupts();

std::stop_token interruptToken();
// The signal that arrived, 0 when none.
int interruptSignal();

// The temporary file to remove if the watcher has to end the run (empty: none).
void setPartialFile(const std::string& nativePath);

// While the run prints its final output and exits, the watcher must not end it.
void beginFinalOutput();

// What the watcher prints when it ends the run itself (a JSON line or nothing extra).
void setForcedExitReport(std::function<void(int signal)> report);

}  // namespace qx::cli
