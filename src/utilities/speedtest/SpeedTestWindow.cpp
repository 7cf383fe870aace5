#include "utilities/speedtest/SpeedTestWindow.h"

#include <memory>
#include <stop_token>

#include "platform/http/Internet.h"
#include "platform/system/Clock.h"
#include "platform/system/Files.h"
#include "platform/system/Worker.h"
#include "text/CodePages.h"
#include "ui/WindowTask.h"
#include "utilities/speedtest/SpeedTest.h"

namespace qx::speedtest {

namespace {

constexpr const char* kPicture = "图片框EX1";
constexpr const char* kHint = "标签EX1";     // "点击图标测速"
constexpr const char* kRunning = "标签EX2";  // "正在测速"
constexpr const char* kSpeed = "标签EX3";    // one second's speed
constexpr const char* kAverage = "标签EX4";  // the average
constexpr const char* kProgress = "进度条EX1";
constexpr const char* kTimer = "时钟1";
constexpr int kTickMs = 1000;
constexpr int kFadeSleepMs = 1;

using WeakWindow = std::weak_ptr<ui::Window>;

// One step of a cross-fade: the picture and the progress ring move one step apart, the labels
// follow them.
void fadeStep(ui::Window& w, int pictureStep) {
    ui::Control picture = w.control(kPicture);
    ui::Control progress = w.control(kProgress);
    picture.setAlpha(picture.alpha() + pictureStep);
    progress.setAlpha(progress.alpha() - pictureStep);
    w.control(kHint).setAlpha(picture.alpha());
    w.control(kAverage).setAlpha(picture.alpha());
    w.control(kRunning).setAlpha(progress.alpha());
    w.control(kSpeed).setAlpha(progress.alpha());
}

void fadeToRunning(const WeakWindow& weak) {
    auto w = weak.lock();
    if (!w) return;
    w->control(kRunning).setVisible(true);
    w->control(kSpeed).setVisible(true);
    w->control(kAverage).setVisible(false);
    w->control(kPicture).setDisabled(true);
    w->control(kAverage).setCaption(gbk(u8"您的平均接入速度"));
    const int steps = w->control(kPicture).alpha();
    for (int i = 0; i < steps && !w->destroyed(); ++i) {
        fadeStep(*w, -1);
        platform::sleepMs(kFadeSleepMs);
    }
    w->control(kHint).setVisible(false);
    w->control(kPicture).setVisible(false);
    w->control(kAverage).setVisible(false);
}

// Stores the counts of the running test; a test that was stopped counts nothing more. The
// check and the store happen under the lock the stop is requested under.
void onSpeedTestProgress(SpeedTestState& s, const std::stop_token& test, std::int64_t total,
                         std::int64_t downloaded) {
    s.downloadStop.update([&](std::stop_source&) {
        if (test.stop_requested()) return;
        s.totalBytes = total;
        s.downloadedBytes = downloaded;
    });
}

void speedTestDownload(ProgramState& state, const WeakWindow& weak, std::stop_source test,
                       std::stop_token global) {
    std::stop_callback onGlobal(global, [&test] { test.request_stop(); });
    const std::stop_token token = test.get_token();
    SpeedTestState& s = state.speedTest;
    // The resumed download appends to the sink: emptied first, it holds this test's bytes only
    // instead of every test's (a few GB each on a fast line).
    platform::deleteFile(state.pathIn(kSpeedTestFile));
    platform::downloadToFile(
        state.notice.speedTestLink.get(), state.pathIn(kSpeedTestFile),
        [&](std::int64_t total, std::int64_t downloaded, int, std::int64_t, int) {
            // A window that went away without its test finishing takes its download with it.
            auto w = weak.lock();
            if (!w || w->destroyed()) test.request_stop();
            onSpeedTestProgress(s, token, total, downloaded);
        },
        0, true, token);
}

void finishSpeedTest(SpeedTestState& s, const WeakWindow& weak, int fadeSleepMs = kFadeSleepMs) {
    s.downloadStop.update([](std::stop_source& test) { test.request_stop(); });
    const Text caption = averageCaption(averageKb(s.samples.get()));
    if (auto w = weak.lock()) {
        w->control(kAverage).setCaption(caption);
        w->control(kHint).setVisible(true);
        w->control(kPicture).setVisible(true);
        w->control(kAverage).setVisible(true);
        for (int i = 0; i < 255 && !w->destroyed(); ++i) {
            fadeStep(*w, +1);
            if (fadeSleepMs > 0) platform::sleepMs(fadeSleepMs);
        }
        w->control(kAverage).setVisible(true);
        w->control(kPicture).setDisabled(false);
    }
    s.finished = true;
}

void startSpeedTest(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    SpeedTestState& s = state.speedTest;
    if (s.started) {
        windows.messageBox(window.get(), gbk(u8"因为某些不可控的因素，重新测速请关闭此窗口再打开"),
                           gbk(u8"网速测速"), ui::MessageStyle::Ok);
        return;
    }
    WeakWindow weak = window;
    std::stop_source test;
    s.downloadStop.set(test);
    // Without its workers the test does not start and the window stays as it was.
    if (!ui::startWindowTask(windows, *window, [&state, weak, test](std::stop_token global) {
            speedTestDownload(state, weak, test, global);
        }))
        return;
    if (!ui::startWindowTask(windows, *window, [weak](std::stop_token) { fadeToRunning(weak); })) {
        test.request_stop();
        return;
    }
    window->control(kTimer).setInterval(kTickMs);
    s.finished = false;
    s.started = true;
}

void onSpeedTestTick(ui::Window& window, SpeedTestState& s) {
    ui::Control timer = window.control(kTimer);
    if (timer.interval() == 0) return;  // a tick that was on its way when the timer stopped
    if (s.tickCount == kTestTicks) {
        timer.setInterval(0);
        WeakWindow weak = window.weak_from_this();
        try {
            platform::startWorker([&s, weak](std::stop_token) { finishSpeedTest(s, weak); });
        } catch (...) {
            // No thread for the closing fade: the result is shown at once, and the close
            // button works again.
            finishSpeedTest(s, weak, 0);
        }
        return;
    }
    // One read serves both the delta and the next tick's base, so no byte falls between them.
    const std::int64_t downloaded = s.downloadedBytes;
    const std::int64_t delta = downloaded - s.previousBytes;
    s.lastDelta = delta;
    const int tick = ++s.tickCount;
    window.control(kProgress).setPosition(tick);
    if (tick > kWarmUpTicks) {
        window.control(kSpeed).setCaption(secondCaption(delta));
        s.samples.update([delta](std::vector<std::int64_t>& v) { v.push_back(sampleOf(delta)); });
    }
    s.previousBytes = downloaded;
}

void resetSpeedTest(ui::Window& window, SpeedTestState& s) {
    // A download left over from an earlier window must not count into this one's test. Its
    // counts go too, under the same lock: the first second of a download that starts late
    // would otherwise be measured against the last test's bytes and come out negative.
    s.downloadStop.update([&s](std::stop_source& test) {
        test.request_stop();
        s.downloadedBytes = 0;
        s.totalBytes = 0;
    });
    s.previousBytes = 0;
    s.lastDelta = 0;
    window.control(kPicture).setTop(64);
    s.tickCount = 0;
    window.control(kProgress).setPosition(0);
    s.samples.set({});
    s.started = false;
    s.finished = true;
}

void closeSpeedTestWindow(const ui::WindowPtr& window, SpeedTestState& s, ui::WindowSystem& windows) {
    if (s.finished) windows.destroy(window);
}

}  // namespace

void bindSpeedTestWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    WeakWindow weak = window;
    window->onCreated([weak, &state] {
        if (auto w = weak.lock()) resetSpeedTest(*w, state.speedTest);
    });
    window->onClick(kPicture, [weak, &state, &windows] {
        if (auto w = weak.lock()) startSpeedTest(w, state, windows);
    });
    window->onTimer(kTimer, [weak, &state] {
        if (auto w = weak.lock()) onSpeedTestTick(*w, state.speedTest);
    });
    window->onClick("按钮EX1", [weak, &state, &windows] {
        if (auto w = weak.lock()) closeSpeedTestWindow(w, state.speedTest, windows);
    });
}

}  // namespace qx::speedtest
