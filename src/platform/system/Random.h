#pragma once
#include <cstdint>

namespace qx::platform {

// The program's one random generator, as the runtime's: seeded explicitly, shared by threads.
void seedRandom(std::uint32_t seed);
// A whole number from low to high, both included, all equally likely.
int randomInt(int low, int high);

}  // namespace qx::platform
