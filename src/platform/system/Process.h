#pragma once
// Processes: start detached or hidden, shell open, end at once.
#include <string>
#include <vector>

namespace qx::platform {

// Starts program with arguments (UTF-8 native strings) in its own session and process group,
// not waited for. Returns once the program runs: its pid, or -1 when it could not be started
// (exec failed, missing working directory).
int startDetached(const std::string& program, const std::vector<std::string>& args,
                  const std::string& workingDirectory = {});
// Opens a file the way the desktop does: executables are started, other files go to xdg-open.
bool shellOpen(const std::string& nativePath);
// Opens an address in the desktop's browser (xdg-open); false when nothing could be started.
bool openUrl(const std::string& url);
int currentProcessId();
// Ends a process (0: this one) at once. Returns false when it could not be signalled.
bool terminateProcess(int pid, int exitCode = 0);
[[noreturn]] void exitNow(int code);

}  // namespace qx::platform
