#pragma once
// Processes as /proc shows them, and ending them safely: a process is addressed by its pid and
// its start time together, so a pid that was reused meanwhile is never signalled.
#include <chrono>
#include <string>
#include <vector>

namespace qx::tools {

struct ProcessInfo {
    int pid = 0;
    int parentPid = 0;
    unsigned long long startTime = 0;  // clock ticks after boot; with the pid, the identity
    unsigned uid = 0;
    std::string name;           // the program's name (not cut to 15 characters where avoidable)
    std::string user;           // account name, or the number when it has none
    std::string commandLine;    // arguments joined by blanks, those with blanks quoted
    std::string executable;     // empty when it cannot be read (other users, kernel threads)
    long long memoryBytes = 0;  // resident
};

// Every process that can be read; entries that vanish or cannot be read are left out.
std::vector<ProcessInfo> listProcesses(const std::string& procRoot = "/proc");
// One process; false when it is gone or its stat cannot be read.
bool readProcess(int pid, ProcessInfo& out, const std::string& procRoot = "/proc");
std::string userName(unsigned uid);

// Processes whose name contains the filter, ignoring ASCII case; an empty filter keeps all.
std::vector<ProcessInfo> filterByName(const std::vector<ProcessInfo>& all, const std::string& filter);
// The process and all its descendants in `all`, deepest first, so that no parent restarts a
// child that was ended before it.
std::vector<ProcessInfo> processTree(const std::vector<ProcessInfo>& all, int rootPid);
// Every process of exactly that name.
std::vector<ProcessInfo> processesNamed(const std::vector<ProcessInfo>& all, const std::string& name);

// The toolbox that started the tools, and the tool itself: ending them needs a question first.
bool isToolbox(const ProcessInfo& p);
bool isOwnProcess(const ProcessInfo& p);

enum class EndResult { Sent, Gone, Denied, Failed };

// A process held by a pid file descriptor: once open, signals reach exactly this process.
class ProcessHandle {
  public:
    ProcessHandle() = default;
    ~ProcessHandle();
    ProcessHandle(ProcessHandle&& other) noexcept;
    ProcessHandle& operator=(ProcessHandle&& other) noexcept;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    // Gone when the process ended or its pid now belongs to another process.
    EndResult open(const ProcessInfo& p);
    EndResult signal(int sig);
    // True once the process has ended (a zombie counts as ended).
    bool hasEnded() const;
    bool waitEnded(std::chrono::milliseconds timeout) const;

  private:
    int fd_ = -1;
};

EndResult signalProcess(const ProcessInfo& p, int sig);

}  // namespace qx::tools
