#include "platform/system/Worker.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace qx::platform {
namespace {

// Detached workers may still be ending while the process exits: what they touch last is never
// destroyed, so no worker can reach a lock or a condition that static destruction has freed.
struct Registry {
    std::mutex mutex;
    std::condition_variable allEnded;
    int running = 0;
    int failNext = 0;
    std::stop_source source;
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

}  // namespace

void startWorker(std::function<void(std::stop_token)> f) {
    Registry& r = registry();
    std::stop_token token;
    bool fail = false;
    {
        std::lock_guard lock(r.mutex);
        token = r.source.get_token();
        ++r.running;
        if (r.failNext > 0) {
            --r.failNext;
            fail = true;
        }
    }
    auto ended = [&r] {
        std::lock_guard lock(r.mutex);
        if (--r.running == 0) r.allEnded.notify_all();
    };
    try {
        if (fail) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        std::thread([f = std::move(f), token, ended] {
            f(token);
            ended();
        }).detach();
    } catch (...) {
        ended();  // a worker that never ran must not be waited for
        throw;
    }
}

void failWorkerStartsForTests(int n) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.failNext = n;
}

void startWorker(std::stop_token also, std::function<void(std::stop_token)> f) {
    startWorker([also = std::move(also), f = std::move(f)](std::stop_token global) {
        std::stop_source either;
        std::stop_callback onGlobal(global, [&either] { either.request_stop(); });
        std::stop_callback onAlso(also, [&either] { either.request_stop(); });
        f(either.get_token());
    });
}

bool waitForAllWorkers(std::chrono::milliseconds timeout) {
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    return r.allEnded.wait_for(lock, timeout, [&r] { return r.running == 0; });
}

void stopAllWorkers() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.source.request_stop();
    r.source = std::stop_source();  // workers started later get a fresh token
}

}  // namespace qx::platform
