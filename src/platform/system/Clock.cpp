#include "platform/system/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace qx::platform {

LocalTime localTime() {
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday};
}

std::uint32_t tickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

long long unixTime() { return static_cast<long long>(std::time(nullptr)); }

long long unixTimeMilliseconds() {
    using namespace std::chrono;
    return static_cast<long long>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

void sleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace qx::platform
