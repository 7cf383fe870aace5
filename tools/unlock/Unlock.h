#pragma once
// The file unlocker's core: which processes hold a file or folder (open descriptors, working or
// root folder, executable, memory maps, all from /proc), and ending them: TERM first, KILL
// after a grace period.
#include <chrono>
#include <string>
#include <vector>

#include "common/Processes.h"

namespace qx::unlock {

enum class UseKind { OpenFile, WorkingDirectory, RootDirectory, Executable, MemoryMap };

struct Use {
    UseKind kind;
    std::string path;  // what the process holds: the file itself or something inside the folder
};

struct Holder {
    tools::ProcessInfo process;
    std::vector<Use> uses;
};

struct Scan {
    std::vector<Holder> holders;
    // Processes whose descriptors could not be read (other users' processes without the right
    // to look): they may hold the file too.
    int uninspected = 0;
    std::vector<std::string> uninspectedUsers;
};

// The holders of `path` (a file: that very file, by device and inode, whatever its name; a
// folder: the folder or anything inside it). This process is never listed. On a path that
// does not exist, `error` says so and the scan is empty.
Scan findHolders(const std::string& path, std::string& error, const std::string& procRoot = "/proc");

// A note about the processes that could not be inspected; empty when there were none.
std::string uninspectedNote(const Scan& scan);
std::string useText(UseKind kind);

enum class Ending { Ended, Killed, Gone, Denied, StillRunning, Failed };

struct Outcome {
    tools::ProcessInfo process;
    Ending ending;
};

// TERM to each, then KILL to those still running after `grace`.
std::vector<Outcome> endProcesses(const std::vector<tools::ProcessInfo>& targets,
                                  std::chrono::milliseconds grace);
std::string summarize(const std::vector<Outcome>& outcomes);

}  // namespace qx::unlock
