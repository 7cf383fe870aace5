#pragma once
// The working state of one speech window: its fetch and its playbacks.
#include <atomic>

namespace qx::speech {

struct Session {
    // One fetch at a time: two would write the same speech file at once.
    std::atomic<bool> fetchRunning{false};
    // The latest playback; only it puts the play button back to rest.
    std::atomic<unsigned> playTicket{0};
};

}  // namespace qx::speech
