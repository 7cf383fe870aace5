#include "utilities/speedtest/SpeedTestWindow.h"

#include <memory>
#include <stop_token>

#include "platform/http/Internet.h"
#include "platform/system/Clock.h"
#include "platform/system/Files.h"
#include "platform/system/Worker.h"
#include "text/CodePages.h"
#include "ui/LayoutRows.h"
#include "ui/WindowTask.h"
#include "utilities/speedtest/SpeedTest.h"

namespace qx::speedtest {

namespace {

using namespace control;

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

void speedTestDownload(ProgramState& state, Session& s, const WeakWindow& weak, std::stop_source test,
                       std::stop_token global) {
    std::stop_callback onGlobal(global, [&test] { test.request_stop(); });
    const std::stop_token token = test.get_token();
    // The resumed download appends to the sink: emptied first, it holds this test's bytes only
    // instead of every test's (a few GB each on a fast line).
    platform::deleteFile(state.pathIn(kSpeedTestFile));
    platform::downloadToFile(
        state.notice.speedTestLink.get(), state.pathIn(kSpeedTestFile),
        [&](std::int64_t total, std::int64_t downloaded, int, std::int64_t, int) {
            // A window that went away without its test finishing takes its download with it.
            auto w = weak.lock();
            if (!w || w->destroyed()) test.request_stop();
            s.onProgress(token, total, downloaded);
        },
        0, true, token);
}

void finishSpeedTest(Session& s, const WeakWindow& weak, int fadeSleepMs = kFadeSleepMs) {
    s.stopDownload();
    const Text caption = s.averageCaption();
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

void startSpeedTest(const ui::WindowPtr& window, ProgramState& state, const std::shared_ptr<Session>& session,
                    ui::WindowSystem& windows) {
    Session& s = *session;
    if (s.started) {
        windows.messageBox(window.get(), gbk(u8"因为某些不可控的因素，重新测速请关闭此窗口再打开"),
                           gbk(u8"网速测速"), ui::MessageStyle::Ok);
        return;
    }
    WeakWindow weak = window;
    std::stop_source test = s.beginDownload();
    // Without its workers the test does not start and the window stays as it was.
    if (!ui::startWindowTask(windows, *window, [&state, session, weak, test](std::stop_token global) {
            speedTestDownload(state, *session, weak, test, global);
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

void onSpeedTestTick(ui::Window& window, const std::shared_ptr<Session>& session) {
    Session& s = *session;
    ui::Control timer = window.control(kTimer);
    if (timer.interval() == 0) return;  // a tick that was on its way when the timer stopped
    if (s.complete()) {
        timer.setInterval(0);
        WeakWindow weak = window.weak_from_this();
        try {
            platform::startWorker([session, weak](std::stop_token) { finishSpeedTest(*session, weak); });
        } catch (...) {
            // No thread for the closing fade: the result is shown at once, and the close
            // button works again.
            finishSpeedTest(s, weak, 0);
        }
        return;
    }
    const Session::Tick t = s.onTick();
    window.control(kProgress).setPosition(t.number);
    if (t.counted) window.control(kSpeed).setCaption(t.caption);
}

void resetSpeedTest(ui::Window& window, Session& s) {
    s.reset();
    window.control(kPicture).setTop(64);
    window.control(kProgress).setPosition(0);
}

void closeSpeedTestWindow(const ui::WindowPtr& window, const Session& s, ui::WindowSystem& windows) {
    if (s.finished) windows.destroy(window);
}

}  // namespace

const ui::WindowLayout& speedTestLayout() {
    using namespace ui::rows;
    // Idle look: the picture and its hint; the running look (ring, "正在测速", speed) fades in.
    static const ui::WindowLayout layout =
        window("SpeedTestWindow", "", 340, 423, "网速测试UI",
               {
                   picture("图片框EX1", 90, 64, 160, 128).picture("speedTest").named("开始测速"),
                   label("标签EX2", "正在测速", 90, 96, 160, 32).centered().hidden().alpha(0),
                   label("标签EX3", "", 90, 176, 160, 32).centered().hidden().alpha(0),
                   // One step per counted second of the sixteen.
                   Row(K::ProgressBar, "进度条EX1", "", 85, 216, 170, 170).alpha(0).maximum(kTestTicks),
                   label("标签EX1", "点击图标测速", 90, 224, 160, 32).centered(),
                   label("标签EX4", "您的平均接入速度", 43, 368, 254, 32).centered(),
                   Row(K::Timer, "时钟1", "", -74, -40, 26, 26),
                   closeButton(312, 8),
               });
    return layout;
}

std::shared_ptr<Session> bindSpeedTestSession(const ui::WindowPtr& window, ProgramState& state,
                                              ui::WindowSystem& windows) {
    auto session = std::make_shared<Session>();
    WeakWindow weak = window;
    window->onCreated([weak, session] {
        if (auto w = weak.lock()) resetSpeedTest(*w, *session);
    });
    window->onClick(kPicture, [weak, &state, session, &windows] {
        if (auto w = weak.lock()) startSpeedTest(w, state, session, windows);
    });
    window->onTimer(kTimer, [weak, session] {
        if (auto w = weak.lock()) onSpeedTestTick(*w, session);
    });
    window->onClick(kClose, [weak, session, &windows] {
        if (auto w = weak.lock()) closeSpeedTestWindow(w, *session, windows);
    });
    return session;
}

void bindSpeedTestWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    bindSpeedTestSession(window, state, windows);
}

namespace {
using K = ui::ControlKind;
constexpr ui::ControlRef kControls[] = {
    {kPicture, K::PictureBox}, {kHint, K::Label},           {kRunning, K::Label}, {kSpeed, K::Label},
    {kAverage, K::Label},      {kProgress, K::ProgressBar}, {kTimer, K::Timer},   {kClose, K::CloseButton},
};
}  // namespace

const ui::WindowDescriptor kSpeedTestWindow{"SpeedTestWindow", speedTestLayout, bindSpeedTestWindow,
                                            kControls};

}  // namespace qx::speedtest
