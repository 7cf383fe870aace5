#pragma once
// One speed test's working state: the download's counts and stop, the ticks and the samples.
// The window's handlers and the command line drive the same session: the download reports into
// onProgress, a clock calls onTick once a second.
#include <atomic>
#include <cstdint>
#include <stop_token>
#include <vector>

#include "core/Shared.h"
#include "core/Text.h"
#include "utilities/speedtest/SpeedTest.h"

namespace qx::speedtest {

class Session {
  public:
    explicit Session(int ticks = kTestTicks) : ticks_(ticks) {}

    // A fresh stop for the next download; the one before it is stopped.
    std::stop_source beginDownload();
    // Stops the current download.
    void stopDownload();
    // Stores the counts of the download whose token this is; a stopped download counts nothing
    // more. The check and the store happen under the lock the stop is requested under.
    void onProgress(const std::stop_token& download, std::int64_t total, std::int64_t downloaded);

    // What one tick shows: its number and, past the warm-up, the second's speed.
    struct Tick {
        int number = 0;
        bool counted = false;  // a sample was recorded (past the warm-up)
        Text caption;          // the second's speed (also given during the warm-up)
    };
    // One second has passed: the bytes since the last tick become its speed and, after the
    // warm-up, a sample. One read serves both the delta and the next tick's base.
    Tick onTick();
    // Every tick of the test has run.
    bool complete() const { return tickCount == ticks_; }

    std::int64_t averageKb() const { return speedtest::averageKb(samples.get()); }
    Text averageCaption() const { return speedtest::averageCaption(averageKb()); }

    // Back to no test: the download stops and its counts go under the same lock, so a late
    // download is never measured against an earlier test's bytes.
    void reset();

    int ticks() const { return ticks_; }

    std::atomic<bool> started{false};  // a test ran since the window was last created
    std::atomic<bool> finished{true};  // no test runs; only then does the window's close work
    // Byte counts are 64-bit: a 16-second test on a fast line passes 2 GiB.
    std::atomic<std::int64_t> downloadedBytes{0};
    std::atomic<std::int64_t> totalBytes{0};  // Content-Length as last reported; kept, not used
    std::atomic<int> tickCount{0};
    std::atomic<std::int64_t> lastDelta{0};
    std::atomic<std::int64_t> previousBytes{0};
    Shared<std::vector<std::int64_t>> samples;  // KB of each counted second

  private:
    const int ticks_;
    Shared<std::stop_source> downloadStop_;
};

}  // namespace qx::speedtest
