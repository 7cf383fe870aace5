#pragma once
// Child processes for tests that list, inspect and end processes: started with posix_spawn,
// optionally holding a file open as descriptor 3 or working in a given folder; reaped (and
// killed first, if still running) when the object goes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace qx::test {

class ChildProcess {
  public:
    struct Options {
        std::string openFile;  // held open as descriptor 3
        std::string workingDirectory;
    };

    explicit ChildProcess(const std::vector<std::string>& argv, const Options& options = {}) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // Not the test's output: a grandchild left behind must not keep the runner waiting.
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (!options.openFile.empty())
            posix_spawn_file_actions_addopen(&actions, 3, options.openFile.c_str(), O_RDONLY, 0);
        if (!options.workingDirectory.empty())
            posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) pid_ = pid;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        wait();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }
    // Reaps the child; its status (or -1 once reaped before).
    int wait() {
        if (pid_ <= 0) return -1;
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -pid_;
        return status;
    }

  private:
    int pid_ = 0;
};

}  // namespace qx::test
