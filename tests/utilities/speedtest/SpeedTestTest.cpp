#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/Worker.h"
#include "support/RunDirectory.h"
#include "support/doubles/UtilityDoubles.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/speedtest/SpeedTest.h"
#include "utilities/speedtest/SpeedTestWindow.h"

using namespace qx;
using namespace qx::speedtest;
using qx::test::eventually;
using qx::test::RunDirectory;

namespace {

// Workers of a test may outlive it by a moment; the state they hold on to lives for the run,
// as the program's does.
ProgramState& programState() {
    static ProgramState* state = new ProgramState;
    return *state;
}

Text caption(const Text& average) { return gbk(u8"您的平均接入速度：") + average; }

// Open descriptors of this process on the test file.
int openHandlesOn(const std::string& name) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        auto target = std::filesystem::read_symlink(e.path(), ec);
        if (!ec && target.filename() == name) ++n;
    }
    return n;
}

class SpeedTestWindowTest : public ::testing::Test {
  protected:
    SpeedTestWindowTest() : run_("speedtest"), state_(programState()) {
        state_.setExecutablePath(run_.executable());
        state_.notice.speedTestLink.set("");
        open();
    }
    ~SpeedTestWindowTest() override {
        // Nothing of a test may run on into the next one.
        EXPECT_TRUE(eventually([&] { return session_->finished.load(); }));
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(10)));
    }

    void open() {
        window_ = ui::Window::create(speedTestLayout());
        session_ = bindSpeedTestSession(window_, state_, windows_);
        window_->created();
    }
    ui::Control control(const char* name) { return window_->control(name); }

    // Clicks the picture and waits for the running look.
    void start() {
        ASSERT_TRUE(window_->click("图片框EX1"));
        ASSERT_TRUE(eventually([&] { return !control("图片框EX1").visible(); }));
    }
    void tick() { window_->timerTick("时钟1"); }
    // The seventeenth tick, then the closing fade.
    void finish() {
        tick();
        ASSERT_TRUE(eventually([&] { return session_->finished.load(); }));
    }

    RunDirectory run_;
    ProgramState& state_;
    test::FakeWindowSystem windows_;
    ui::WindowPtr window_;
    std::shared_ptr<Session> session_;
};

struct AverageCase {
    const char* name;
    std::vector<std::int64_t> kbPerSecond;  // seconds 4..16; the warm-up seconds get other values
    const char* lastSecond;                 // the caption of the sixteenth second
    const char* average;                    // the shown average after "您的平均接入速度："
};

class Average : public SpeedTestWindowTest, public ::testing::WithParamInterface<AverageCase> {};

// The sampler is fed through the counts the download would set; the address is empty, so the
// download ends at once and the counts are the test's alone.
TEST_P(Average, SamplesEverySecondAndShowsTheAverage) {
    const AverageCase& c = GetParam();
    ASSERT_EQ(c.kbPerSecond.size(), 13u);
    start();
    // The running look.
    EXPECT_EQ(control("时钟1").interval(), 1000);
    EXPECT_FALSE(session_->finished);
    EXPECT_TRUE(session_->started);
    EXPECT_TRUE(control("图片框EX1").disabled());
    EXPECT_FALSE(control("标签EX1").visible());
    EXPECT_FALSE(control("标签EX4").visible());
    EXPECT_TRUE(control("标签EX2").visible());
    EXPECT_TRUE(control("标签EX3").visible());
    EXPECT_EQ(control("图片框EX1").alpha(), 0);
    EXPECT_EQ(control("标签EX1").alpha(), 0);
    EXPECT_EQ(control("标签EX4").alpha(), 0);
    EXPECT_EQ(control("进度条EX1").alpha(), 255);
    EXPECT_EQ(control("标签EX2").alpha(), 255);
    EXPECT_EQ(control("标签EX3").alpha(), 255);
    EXPECT_EQ(control("标签EX4").caption(), gbk(u8"您的平均接入速度"));
    // The close button does nothing while the test runs.
    window_->click("按钮EX1");
    EXPECT_FALSE(window_->destroyed());

    std::int64_t total = 0;
    for (int second = 1; second <= 16; ++second) {
        std::int64_t kb = second <= 3 ? 77777 * second : c.kbPerSecond[std::size_t(second - 4)];
        total += kb * 1024 + (second % 2 ? 1023 : 0);  // parts of a KB are cut off
        session_->downloadedBytes = total;
        tick();
        EXPECT_EQ(control("进度条EX1").position(), second);
        if (second <= 3) {
            EXPECT_EQ(control("标签EX3").caption(), "");  // warm-up
        }
    }
    EXPECT_EQ(control("标签EX3").caption(), c.lastSecond);
    EXPECT_EQ(session_->samples.get().size(), 13u);
    finish();
    EXPECT_EQ(control("标签EX4").caption(), caption(c.average));
    EXPECT_EQ(control("时钟1").interval(), 0);

    // The idle look again.
    EXPECT_TRUE(control("图片框EX1").visible());
    EXPECT_FALSE(control("图片框EX1").disabled());
    EXPECT_TRUE(control("标签EX1").visible());
    EXPECT_TRUE(control("标签EX4").visible());
    EXPECT_EQ(control("图片框EX1").alpha(), 255);
    EXPECT_EQ(control("标签EX4").alpha(), 255);
    EXPECT_EQ(control("进度条EX1").alpha(), 0);
    EXPECT_EQ(control("标签EX3").alpha(), 0);

    // A tick still on its way after the stop changes nothing.
    tick();
    EXPECT_EQ(session_->tickCount, 16);
    // A second test needs a new window.
    window_->click("图片框EX1");
    ASSERT_EQ(windows_.messages().size(), 1u);
    EXPECT_EQ(windows_.messages()[0].message, gbk(u8"因为某些不可控的因素，重新测速请关闭此窗口再打开"));
    EXPECT_EQ(windows_.messages()[0].title, gbk(u8"网速测速"));
    EXPECT_EQ(windows_.messages()[0].owner, "SpeedTestWindow");
    EXPECT_EQ(windows_.messages()[0].style, ui::MessageStyle::Ok);
    EXPECT_EQ(control("时钟1").interval(), 0);
    window_->click("按钮EX1");
    EXPECT_TRUE(window_->destroyed());
}

std::vector<std::int64_t> same(std::int64_t kb) { return std::vector<std::int64_t>(13, kb); }

INSTANTIATE_TEST_SUITE_P(Seconds, Average,
                         ::testing::Values(
                             // Repeated samples count once: 100, 100, 200 ... average 150.
                             AverageCase{"RepeatsCountOnce",
                                         {100, 100, 200, 100, 200, 200, 100, 100, 200, 200, 100, 100, 200},
                                         "200 KB/s",
                                         "0.146484375MB/s"},
                             AverageCase{"OneAndAHalfMegabytes", same(1500), "1.46484375 MB/s", "1.464MB/s"},
                             AverageCase{"HalfAMegabyte", same(500), "500 KB/s", "0.48828125MB/s"},
                             AverageCase{"OneMegabyte", same(1024), "1 MB/s", "1MB/s"},
                             AverageCase{"JustBelowAMegabyte", same(1023), "1023 KB/s", "0.9990234375MB/s"},
                             AverageCase{"Nothing", same(0), "0 KB/s", "0MB/s"},
                             // Past 2 GiB within the test: 64-bit counts keep the speeds right.
                             AverageCase{"TwoHundredMegabytes", same(204800), "200 MB/s", "200MB/s"},
                             // Averages of 100000 KB/s and more are shown whole (not cut to five digits).
                             AverageCase{"FastAndUneven",
                                         {150000, 160000, 150000, 160000, 150000, 160000, 150000, 160000,
                                          150000, 160000, 150000, 160000, 150000},
                                         "146.484375 MB/s",
                                         "151.3MB/s"}),
                         [](const ::testing::TestParamInfo<AverageCase>& i) {
                             return std::string(i.param.name);
                         });

// The window as its layout makes it: the frame every window has, the idle look, the ring's steps.
TEST(SpeedTestLayout, SizeFrameAndRunningLookHidden) {
    const ui::WindowLayout& l = speedTestLayout();
    EXPECT_EQ(l.name, kSpeedTestWindow.name);
    EXPECT_EQ(&kSpeedTestWindow.layout(), &l);
    EXPECT_EQ(l.width, 340);
    EXPECT_EQ(l.height, 423);
    EXPECT_EQ(l.skinElement, "网速测试UI");
    ui::WindowPtr w = ui::Window::create(l);
    EXPECT_EQ(w->skinElement().name(), "网速测试UI");
    EXPECT_EQ(w->control(control::kClose).left(), 312);
    EXPECT_EQ(w->control(control::kClose).top(), 8);
    EXPECT_EQ(w->control(control::kProgress).alpha(), 0);
    EXPECT_FALSE(w->control(control::kRunning).visible());
    for (const ui::ControlLayout& c : l.controls)
        if (c.name == control::kProgress) {
            EXPECT_EQ(c.width, 170);
            EXPECT_EQ(c.height, 170);
            EXPECT_EQ(c.maximum, 16);
            EXPECT_EQ(c.skin, "EX_UI默认皮肤_进度条");
        }
}

TEST(SpeedTestTexts, SecondsSamplesAndAverages) {
    EXPECT_EQ(secondCaption(1048576), "1 MB/s");
    EXPECT_EQ(secondCaption(1048575), "1023.999023438 KB/s");  // a byte short of a megabyte
    EXPECT_EQ(secondCaption(1048470), "1023.896484375 KB/s");
    EXPECT_EQ(secondCaption(std::int64_t{3} << 30), "3072 MB/s");
    EXPECT_EQ(sampleOf(1024 * 1500 + 1023), 1500);
    EXPECT_EQ(averageKb({100, 100, 200}), 150);
    EXPECT_EQ(averageKb({}), 0);
    EXPECT_EQ(averageKb({7, 8}), 7);  // truncated
    EXPECT_EQ(averageCaption(1500), caption("1.464MB/s"));
    EXPECT_EQ(averageCaption(500), caption("0.48828125MB/s"));
    EXPECT_EQ(averageCaption(1024), caption("1MB/s"));
    EXPECT_EQ(averageCaption(0), caption("0MB/s"));
    EXPECT_EQ(averageCaption(99999), caption("97.65MB/s"));
    EXPECT_EQ(averageCaption(123456), caption("120.5MB/s"));
    EXPECT_EQ(averageCaption(204800), caption("200MB/s"));
}

// A real download from the local file server: the request, the stop at the seventeenth tick,
// and a second test in a reopened window that appends to the same file.
TEST_F(SpeedTestWindowTest, DownloadsStopsAtTheEndAndStartsTheSinkAfreshNextTime) {
    test::SpeedTestServer::Behaviour paced;
    paced.bytesPerSecond = 64.0 * 1048576;
    test::SpeedTestServer server(paced);
    state_.notice.speedTestLink.set(server.url());
    const std::string file = "Temp/Temp_SpeedTest.exe";

    start();
    ASSERT_TRUE(server.server().waitForRequests(1, 5000));
    EXPECT_EQ(server.lastProblem(), "");
    std::vector<std::string> lines = server.server().lastRequest().headerLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              test::SpeedTestServer::expectedHeaderLines(0));
    for (int i = 0; i < 16; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        tick();
    }
    finish();
    // No byte is counted once the test has ended, and the transfer and the file are closed.
    const std::int64_t counted = session_->downloadedBytes;
    EXPECT_GT(counted, 0);
    EXPECT_TRUE(server.server().waitForNoOpenConnections(5000));
    EXPECT_TRUE(eventually([&] { return openHandlesOn("Temp_SpeedTest.exe") == 0; }));
    EXPECT_EQ(session_->downloadedBytes, counted);
    const auto firstSize = std::int64_t(std::filesystem::file_size(run_.path(file)));
    EXPECT_GE(firstSize, counted);
    EXPECT_LE(firstSize, counted + 10240);  // at most the chunk under way at the stop
    EXPECT_EQ(control("标签EX4").caption().rfind(caption(""), 0), 0u);
    EXPECT_NE(control("标签EX4").caption(), caption("0MB/s"));

    // Close, reopen, test again: fetched from the start once more, into an emptied sink.
    window_->click("按钮EX1");
    ASSERT_TRUE(window_->destroyed());
    open();
    EXPECT_FALSE(session_->started);
    EXPECT_EQ(session_->tickCount, 0);
    EXPECT_TRUE(session_->samples.get().empty());
    EXPECT_EQ(control("图片框EX1").top(), 64);
    start();
    ASSERT_TRUE(server.server().waitForRequests(2, 5000));
    EXPECT_EQ(server.server().lastRequest().headerLines().back(), "Range:bytes=0-");
    for (int i = 0; i < 16; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        tick();
    }
    finish();
    EXPECT_TRUE(server.server().waitForNoOpenConnections(5000));
    EXPECT_TRUE(eventually([&] { return openHandlesOn("Temp_SpeedTest.exe") == 0; }));
    const std::int64_t secondCounted = session_->downloadedBytes;
    const auto secondSize = std::int64_t(std::filesystem::file_size(run_.path(file)));
    EXPECT_GE(secondSize, secondCounted);
    EXPECT_LE(secondSize, secondCounted + 10240);
    EXPECT_EQ(session_->samples.get().size(), 13u);
}

// A reopened window against a server that starts late: the first counted second must not be
// measured against the bytes of the test before, whose counts the reset must clear (the test
// leaves them as the first test left them).
TEST_F(SpeedTestWindowTest, ReopenedWindowNeverCountsBackwards) {
    test::SpeedTestServer::Behaviour paced;
    paced.bytesPerSecond = 64.0 * 1048576;
    test::SpeedTestServer server(paced);
    state_.notice.speedTestLink.set(server.url());
    start();
    ASSERT_TRUE(eventually([&] { return session_->downloadedBytes > 1048576; }));
    for (int i = 0; i < 16; ++i) tick();
    finish();
    ASSERT_GT(session_->previousBytes, 1048576);
    window_->click("按钮EX1");
    ASSERT_TRUE(window_->destroyed());

    paced.startAfterMs = 1500;
    server.setBehaviour(paced);
    open();
    start();
    const std::int64_t atStart = session_->downloadedBytes;
    for (int i = 0; i < 3; ++i) tick();  // the warm-up passes before the first byte comes
    ASSERT_TRUE(eventually([&] {
        const std::int64_t now = session_->downloadedBytes;
        return now > 0 && now != atStart;
    }));
    for (int second = 4; second <= 16; ++second) {
        tick();
        const Text shown = control("标签EX3").caption();
        EXPECT_NE(shown.substr(0, 1), "-") << "second " << second << ": " << shown;
    }
    for (std::int64_t kb : session_->samples.get()) EXPECT_GE(kb, 0);
    finish();
    EXPECT_EQ(control("标签EX4").caption().find('-'), Text::npos) << control("标签EX4").caption();
}

// Without a thread for the closing fade, the seventeenth tick still ends the test: the result
// shows at once and the close button works again.
TEST_F(SpeedTestWindowTest, TheEndWithoutAThreadStillEndsTheTest) {
    start();
    for (int i = 0; i < 16; ++i) tick();
    platform::failWorkerStartsForTests(1);
    tick();
    EXPECT_TRUE(session_->finished);
    EXPECT_EQ(control("标签EX4").caption(), caption("0MB/s"));
    EXPECT_TRUE(control("图片框EX1").visible());
    EXPECT_FALSE(control("图片框EX1").disabled());
    window_->click("按钮EX1");
    EXPECT_TRUE(window_->destroyed());
}

struct ServerCase {
    const char* name;
    int kind;  // 0 empty address, 1 closed port, 2 stall, 3 close early, 4 full speed
};

class BadServer : public SpeedTestWindowTest, public ::testing::WithParamInterface<ServerCase> {};

TEST_P(BadServer, SixteenTicksRunAndTheTestEnds) {
    const ServerCase& c = GetParam();
    test::SpeedTestServer::Behaviour b;
    if (c.kind == 2) b.stallAfter = 100000;
    if (c.kind == 3) b.closeAfter = 50000, b.length = 50000;
    test::SpeedTestServer server(b);
    if (c.kind == 1) {
        int port;
        {
            test::TestServer gone;
            port = gone.port();
        }
        state_.notice.speedTestLink.set("http://127.0.0.1:" + std::to_string(port) + "/speedtest.bin");
    } else if (c.kind >= 2) {
        state_.notice.speedTestLink.set(server.url());
    }
    start();
    if (c.kind >= 2) {
        ASSERT_TRUE(server.server().waitForRequests(1, 5000));
        ASSERT_TRUE(eventually([&] { return session_->downloadedBytes > 0; }));
    }
    for (int i = 0; i < 16; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        tick();
    }
    finish();
    EXPECT_EQ(session_->samples.get().size(), 13u);
    if (c.kind <= 1) {
        EXPECT_EQ(control("标签EX4").caption(), caption("0MB/s"));
    }
    EXPECT_EQ(control("标签EX4").caption().rfind(caption(""), 0), 0u);
    EXPECT_TRUE(server.server().waitForNoOpenConnections(5000));
    EXPECT_TRUE(eventually([&] { return openHandlesOn("Temp_SpeedTest.exe") == 0; }));
    window_->click("按钮EX1");
    EXPECT_TRUE(window_->destroyed());
}

INSTANTIATE_TEST_SUITE_P(Answers, BadServer,
                         ::testing::Values(ServerCase{"EmptyAddress", 0}, ServerCase{"Unreachable", 1},
                                           ServerCase{"StallsAfterTheFirstBytes", 2},
                                           ServerCase{"ClosesEarly", 3}, ServerCase{"FullSpeed", 4}),
                         [](const ::testing::TestParamInfo<ServerCase>& i) {
                             return std::string(i.param.name);
                         });

}  // namespace
