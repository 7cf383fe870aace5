#include "platform/system/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

extern char** environ;

namespace qx::platform {

int startDetached(const std::string& program, const std::vector<std::string>& args,
                  const std::string& workingDirectory) {
    // Double fork so that the child is re-parented and never becomes a zombie of ours.
    int pipeFd[2];
    if (pipe2(pipeFd, O_CLOEXEC) != 0) return -1;
    pid_t first = fork();
    if (first < 0) {
        close(pipeFd[0]);
        close(pipeFd[1]);
        return -1;
    }
    if (first == 0) {
        setsid();
        pid_t second = fork();
        if (second != 0) {
            int pidValue = second;
            ssize_t ignored = write(pipeFd[1], &pidValue, sizeof pidValue);
            (void)ignored;
            _exit(second < 0 ? 1 : 0);
        }
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(127);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFd[1]);
    int pidValue = -1;
    ssize_t got = read(pipeFd[0], &pidValue, sizeof pidValue);
    close(pipeFd[0]);
    int status = 0;
    waitpid(first, &status, 0);
    return got == static_cast<ssize_t>(sizeof pidValue) ? pidValue : -1;
}

bool shellOpen(const std::string& nativePath) {
    struct stat st {};
    if (stat(nativePath.c_str(), &st) != 0) return false;
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR)) return startDetached(nativePath, {}) > 0;
    return startDetached("xdg-open", {nativePath}) > 0;
}

bool openUrl(const std::string& url) { return startDetached("xdg-open", {url}) > 0; }

int currentProcessId() { return static_cast<int>(getpid()); }

bool terminateProcess(int pid, int exitCode) {
    if (pid == 0 || pid == getpid()) exitNow(exitCode);
    return kill(pid, SIGKILL) == 0;
}

void exitNow(int code) { std::_Exit(code); }

}  // namespace qx::platform
