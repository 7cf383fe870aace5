#include "ui/PumpingDelay.h"

#include <algorithm>
#include <chrono>

#include "platform/system/Clock.h"

namespace qx::ui {

namespace {

long long unitFactor(int unit) {
    switch (unit) {
        case 1:
            return 1000;
        case 2:
            return 60'000;
        case 3:
            return 3'600'000;
        default:
            return 1;
    }
}

// Short enough that a click or a repaint is never held up noticeably.
constexpr long long kSliceMs = 10;

}  // namespace

void pumpingDelay(WindowSystem& windows, int amount, int unit) {
    using Clock = std::chrono::steady_clock;
    const long long total = static_cast<long long>(amount) * unitFactor(unit);
    if (total <= 0) return;
    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(total);
    for (;;) {
        // Off the UI thread this does nothing and the loop is a plain sleep.
        windows.processPendingEvents();
        const Clock::time_point now = Clock::now();
        if (now >= due) return;
        // Rounded up, so the wait never ends early.
        long long left = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
        platform::sleepMs(static_cast<int>(std::min(left, kSliceMs)));
    }
}

}  // namespace qx::ui
