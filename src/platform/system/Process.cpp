#include "platform/system/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace qx::platform {

namespace {

ssize_t readRetrying(int fd, void* buffer, std::size_t size) {
    ssize_t n;
    do n = read(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

}  // namespace

int startDetached(const std::string& program, const std::vector<std::string>& args,
                  const std::string& workingDirectory) {
    // Everything the child needs is prepared before fork: after it, only async-signal-safe
    // calls are allowed in a process that runs other threads.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const char* dir = workingDirectory.empty() ? nullptr : workingDirectory.c_str();

    // Double fork so that the child is re-parented and never becomes a zombie of ours. The pipe
    // carries the grandchild's pid, then an errno if exec fails; it closes on a successful
    // exec, so the caller returns only once the program runs (a file written right after,
    // such as the same tool's file again, can no longer make that exec fail).
    int pipeFd[2];
    if (pipe2(pipeFd, O_CLOEXEC) != 0) return -1;
    pid_t first = fork();
    if (first < 0) {
        close(pipeFd[0]);
        close(pipeFd[1]);
        return -1;
    }
    if (first == 0) {
        close(pipeFd[0]);
        setsid();  // its own session and process group: no signal of ours reaches it
        pid_t second = fork();
        if (second != 0) {
            int pidValue = second;
            ssize_t ignored = write(pipeFd[1], &pidValue, sizeof pidValue);
            (void)ignored;
            _exit(second < 0 ? 1 : 0);
        }
        int error = 0;
        if (dir && chdir(dir) != 0) error = errno;
        if (error == 0) {
            int devnull = open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                dup2(devnull, 0);
                dup2(devnull, 1);
                dup2(devnull, 2);
                if (devnull > 2) close(devnull);
            }
            execvp(argv[0], argv.data());
            error = errno;
        }
        ssize_t ignored = write(pipeFd[1], &error, sizeof error);
        (void)ignored;
        _exit(127);
    }
    close(pipeFd[1]);
    int pidValue = -1;
    ssize_t got = readRetrying(pipeFd[0], &pidValue, sizeof pidValue);
    int error = 0;
    ssize_t failed =
        got == static_cast<ssize_t>(sizeof pidValue) ? readRetrying(pipeFd[0], &error, sizeof error) : 0;
    close(pipeFd[0]);
    int status = 0;
    waitpid(first, &status, 0);
    if (got != static_cast<ssize_t>(sizeof pidValue) || pidValue <= 0) return -1;
    return failed > 0 ? -1 : pidValue;
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
