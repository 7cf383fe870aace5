// Accuracy of the speed test: a local server paces the test file at 2, 20 and 200 MB/s, and the
// program's own measurement (the window's sampler ticking once a second, the averaging and the
// caption) runs against it. Prints served rate, shown average and error; the goal is ±3%.
// The test file goes to /dev/null: at 200 MB/s sixteen seconds would write over 3 GB.
//   qx_speedtest_bench [RATE_MB ...]
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/Worker.h"
#include "support/doubles/UtilityDoubles.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/speedtest/SpeedTest.h"
#include "utilities/speedtest/SpeedTestWindow.h"

using namespace qx;
namespace fs = std::filesystem;

namespace {

struct Result {
    double served = 0;  // MB/s
    double shown = 0;   // MB/s, read back from the caption
    double exact = 0;   // MB/s, the average before it became text
    std::string caption;
    std::vector<std::int64_t> samples;
};

Result measure(double megabytesPerSecond, ProgramState& state) {
    test::SpeedTestServer::Behaviour paced;
    paced.bytesPerSecond = megabytesPerSecond * 1048576.0;
    test::SpeedTestServer server(paced);
    state.notice.speedTestLink.set(server.url());

    test::FakeWindowSystem windows;
    ui::WindowPtr window = ui::Window::create(speedtest::speedTestLayout());
    const std::shared_ptr<speedtest::Session> session =
        speedtest::bindSpeedTestSession(window, state, windows);
    window->created();

    // The click starts the timer; it then ticks every second as the window's timer does.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    window->click("图片框EX1");
    for (int tick = 1; tick <= speedtest::kTestTicks + 1; ++tick) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(1000 * tick));
        window->timerTick("时钟1");
    }
    while (!session->finished) std::this_thread::sleep_for(std::chrono::milliseconds(10));

    Result r;
    r.served = megabytesPerSecond;
    r.samples = session->samples.get();
    r.exact = double(speedtest::averageKb(r.samples)) / 1024.0;
    r.caption = gbkToUtf8(window->control("标签EX4").caption());
    const std::string prefix = "您的平均接入速度：";
    std::string number = r.caption.substr(r.caption.find(prefix) == 0 ? prefix.size() : 0);
    r.shown = std::strtod(number.c_str(), nullptr);
    window->click("按钮EX1");
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<double> rates;
    for (int i = 1; i < argc; ++i) rates.push_back(std::atof(argv[i]));
    if (rates.empty()) rates = {2, 20, 200};

    const fs::path root = fs::temp_directory_path() / ("qx-speedtest-bench-" + std::to_string(::getpid()));
    fs::create_directories(root / "Temp");
    fs::create_symlink("/dev/null", root / "Temp" / "Temp_SpeedTest.exe");
    static ProgramState* state = new ProgramState;  // workers may finish after main's last look
    state->setExecutablePath((root / "quorvex").string());

    std::printf("%-14s %-34s %-12s %-10s %s\n", "served MB/s", "shown", "exact MB/s", "error",
                "samples (KB/s)");
    bool allWithin = true;
    for (double rate : rates) {
        Result r = measure(rate, *state);
        double error = (r.shown / r.served - 1) * 100;
        allWithin = allWithin && std::fabs(error) <= 3;
        std::string samples;
        for (std::int64_t s : r.samples) samples += std::to_string(s) + " ";
        std::printf("%-14g %-34s %-12.4f %+7.2f%%   %s\n", r.served, r.caption.c_str(), r.exact, error,
                    samples.c_str());
        std::fflush(stdout);
    }
    platform::stopAllWorkers();
    platform::waitForAllWorkers(std::chrono::seconds(10));
    fs::remove_all(root);
    std::printf("goal: every shown average within ±3%% of the served rate: %s\n",
                allWithin ? "met" : "NOT met");
    return allWithin ? 0 : 1;
}
