#include "cli/Interrupt.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <mutex>
#include <thread>

namespace qx::cli {

namespace {

// How long the run may take to wind down after the first signal.
constexpr int kGraceMs = 1000;

struct InterruptState {
    std::stop_source source;
    std::atomic<int> signal {0};
    std::recursive_mutex mutex;  // guards partialFile and report; held by the final output
    std::string partialFile;
    std::function<void(int)> report;
};

InterruptState& state() {
    static InterruptState* s = new InterruptState;  // never destroyed: the watcher outlives main
    return *s;
}

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

void forceExit(int signal) {
    InterruptState& s = state();
    // The run may be printing its own end right now; then it exits itself.
    std::lock_guard lock(s.mutex);
    if (!s.partialFile.empty()) unlink(s.partialFile.c_str());
    if (s.report) s.report(signal);
    _exit(128 + signal);
}

void watch() {
    InterruptState& s = state();
    const sigset_t set = watchedSignals();
    int first = 0;
    while (sigwait(&set, &first) != 0) {
    }
    s.signal = first;
    s.source.request_stop();
    timespec grace {kGraceMs / 1000, (kGraceMs % 1000) * 1000000L};
    siginfo_t info;
    const int second = sigtimedwait(&set, &info, &grace);
    forceExit(second > 0 ? second : first);
}

}  // namespace

void watchInterrupts() {
    const sigset_t set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A reader that went away (a pipe into head) is a failed write, not a killed process.
    ::signal(SIGPIPE, SIG_IGN);
    state();
    std::thread(watch).detach();
}

std::stop_token interruptToken() { return state().source.get_token(); }

int interruptSignal() { return state().signal.load(); }

void setPartialFile(const std::string& nativePath) {
    std::lock_guard lock(state().mutex);
    state().partialFile = nativePath;
}

void beginFinalOutput() { state().mutex.lock(); }  // released by the process's end

void setForcedExitReport(std::function<void(int signal)> report) {
    std::lock_guard lock(state().mutex);
    state().report = std::move(report);
}

}  // namespace qx::cli
