#include "cli/CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace qx::test {

namespace {

// A run that has not ended after this long is killed, so a hanging program fails its test
// instead of the whole suite.
constexpr auto kHardLimit = std::chrono::seconds(90);

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

void drain(int& fd, std::string& into) {
    char buffer[65536];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
        into.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        close(fd);  // EIO on a terminal whose other side is gone
        fd = -1;
    }
}

}  // namespace

CliResult runCli(const CliRun& run) {
    std::vector<std::string> argv{QX_CLI_PATH};
    argv.insert(argv.end(), run.args.begin(), run.args.end());
    std::map<std::string, std::string> env{{"PATH", "/usr/bin:/bin"}, {"LANG", "C.UTF-8"}};
    if (const char* home = std::getenv("HOME")) env["HOME"] = home;
    for (const auto& [k, v] : run.env) env[k] = v;
    std::vector<std::string> envp;
    for (const auto& [k, v] : env) envp.push_back(k + "=" + v);
    std::vector<char*> argPointers = pointers(argv);
    std::vector<char*> envPointers = pointers(envp);

    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    int master = -1, slave = -1;
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return {};
    if (run.terminal) {
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {};
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
    } else if (pipe2(out, O_CLOEXEC) != 0) {
        return {};
    }
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);

    const pid_t pid = fork();
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (run.terminal) {
            setsid();
            ioctl(slave, TIOCSCTTY, 0);
            dup2(slave, 1);
            dup2(slave, 2);
        } else {
            dup2(out[1], 1);
            dup2(err[1], 2);
        }
        if (run.closeInput) {
            close(0);
        } else {
            dup2(run.input ? in[0] : devNull, 0);
        }
        execve(argPointers[0], argPointers.data(), envPointers.data());
        _exit(127);
    }
    CliResult result;
    if (pid < 0) return result;
    close(in[0]);
    close(devNull);
    if (run.terminal) {
        close(slave);
    } else {
        close(out[1]);
    }
    close(err[1]);

    // Standard input goes in whole and is then closed (small inputs: the pipe holds them).
    if (run.input) {
        std::string_view rest = *run.input;
        while (!rest.empty()) {
            const ssize_t n = write(in[1], rest.data(), rest.size());
            if (n <= 0) break;
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    close(in[1]);

    int outFd = run.terminal ? master : out[0];
    int errFd = run.terminal ? -1 : err[0];
    if (run.terminal) close(err[0]);
    const auto start = std::chrono::steady_clock::now();
    bool exited = false;
    int status = 0;
    while (outFd >= 0 || errFd >= 0 || !exited) {
        pollfd fds[2];
        nfds_t count = 0;
        if (outFd >= 0) fds[count++] = {outFd, POLLIN, 0};
        if (errFd >= 0) fds[count++] = {errFd, POLLIN, 0};
        if (count > 0) poll(fds, count, 10);
        else usleep(10000);
        for (nfds_t i = 0; i < count; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            if (fds[i].fd == outFd) drain(outFd, result.out);
            else drain(errFd, result.err);
        }
        if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
        if (!exited && !result.interruptSent && run.interruptWhen && run.interruptWhen()) {
            kill(pid, run.interruptSignal);
            result.interruptSent = true;
        }
        if (std::chrono::steady_clock::now() - start > kHardLimit) {
            if (!exited) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                exited = true;
            }
            break;
        }
        // A terminal reports no end of file while the child lives; after it, EIO ends the loop.
    }
    if (outFd >= 0) close(outFd);
    if (errFd >= 0) close(errFd);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) result.exitCode = 128 + WTERMSIG(status);
    return result;
}

}  // namespace qx::test
