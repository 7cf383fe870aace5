#pragma once
#include <cstdint>

namespace qx::platform {

struct LocalTime {
    int year, month, day, hour, minute, second, weekday;
};

LocalTime localTime();
// Milliseconds since an arbitrary start, as the system tick count (wraps like a 32-bit value).
std::uint32_t tickCount();
long long unixTime();
// Milliseconds since 1970-01-01 00:00:00 UTC.
long long unixTimeMilliseconds();
void sleepMs(int ms);

}  // namespace qx::platform
