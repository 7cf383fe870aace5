#include "utilities/speedtest/SpeedTestSession.h"

namespace qx::speedtest {

std::stop_source Session::beginDownload() {
    std::stop_source next;
    downloadStop_.update([&next](std::stop_source& current) {
        current.request_stop();
        current = next;
    });
    return next;
}

void Session::stopDownload() {
    downloadStop_.update([](std::stop_source& current) { current.request_stop(); });
}

void Session::onProgress(const std::stop_token& download, std::int64_t total, std::int64_t downloaded) {
    downloadStop_.update([&](std::stop_source&) {
        if (download.stop_requested()) return;
        totalBytes = total;
        downloadedBytes = downloaded;
    });
}

Session::Tick Session::onTick() {
    const std::int64_t downloaded = downloadedBytes;
    const std::int64_t delta = downloaded - previousBytes;
    lastDelta = delta;
    Tick t;
    t.number = ++tickCount;
    t.caption = secondCaption(delta);
    if (t.number > kWarmUpTicks) {
        t.counted = true;
        samples.update([delta](std::vector<std::int64_t>& v) { v.push_back(sampleOf(delta)); });
    }
    previousBytes = downloaded;
    return t;
}

void Session::reset() {
    downloadStop_.update([this](std::stop_source& current) {
        current.request_stop();
        downloadedBytes = 0;
        totalBytes = 0;
    });
    previousBytes = 0;
    lastDelta = 0;
    tickCount = 0;
    samples.set({});
    started = false;
    finished = true;
}

}  // namespace qx::speedtest
