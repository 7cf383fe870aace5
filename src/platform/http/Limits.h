#pragma once
// Limits of one transfer on top of the idle time-out: a whole-request deadline and a cap on the
// answer's body. Zero means no limit.
#include <chrono>
#include <cstddef>

namespace qx::platform {

struct TransferLimits {
    std::chrono::milliseconds deadline {0};
    std::size_t maxBodyBytes = 0;
};

}  // namespace qx::platform
