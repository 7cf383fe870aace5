#include "platform/system/Worker.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace qx::platform {
namespace {
std::mutex mutex;
std::condition_variable allEnded;
int running = 0;

std::stop_source& source() {
    static std::stop_source s;
    return s;
}
}  // namespace

void startWorker(std::function<void(std::stop_token)> f) {
    std::stop_token token;
    {
        std::lock_guard lock(mutex);
        token = source().get_token();
        ++running;
    }
    std::thread([f = std::move(f), token] {
        f(token);
        std::lock_guard lock(mutex);
        if (--running == 0) allEnded.notify_all();
    }).detach();
}

bool waitForAllWorkers(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return allEnded.wait_for(lock, timeout, [] { return running == 0; });
}

void stopAllWorkers() {
    std::lock_guard lock(mutex);
    source().request_stop();
    source() = std::stop_source();  // workers started later get a fresh token
}

}  // namespace qx::platform
