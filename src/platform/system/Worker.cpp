#include "platform/system/Worker.h"

#include <mutex>
#include <thread>

namespace qx::platform {
namespace {
std::mutex mutex;
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
    }
    std::thread([f = std::move(f), token] { f(token); }).detach();
}

void stopAllWorkers() {
    std::lock_guard lock(mutex);
    source().request_stop();
    source() = std::stop_source();  // workers started later get a fresh token
}

}  // namespace qx::platform
