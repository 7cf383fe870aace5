#include "platform/system/Random.h"

#include <mutex>
#include <random>

namespace qx::platform {
namespace {
std::mutex mutex;
std::mt19937& engine() {
    static std::mt19937 e(5489u);
    return e;
}
}  // namespace

void seedRandom(std::uint32_t seed) {
    std::lock_guard lock(mutex);
    engine().seed(seed);
}

int randomInt(int low, int high) {
    if (high < low) return low;
    std::lock_guard lock(mutex);
    return std::uniform_int_distribution<int>(low, high)(engine());
}

}  // namespace qx::platform
