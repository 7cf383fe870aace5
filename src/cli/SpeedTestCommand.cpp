// speedtest [URL]: the speed test's download, sampled once a second, with the window's warm-up,
// per-second captions and average; the address defaults to the one the online notice gives.
#include <CLI/CLI.hpp>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/Command.h"
#include "notice/Notice.h"
#include "notice/ShareNote.h"
#include "platform/http/Internet.h"
#include "utilities/speedtest/SpeedTest.h"
#include "utilities/speedtest/SpeedTestSession.h"

namespace qx::cli {

namespace {

// The download goes nowhere: only its pace matters.
constexpr const char* kSink = "/dev/null";

struct SpeedTestOptions {
    std::string url;
    int seconds = speedtest::kTestTicks;
};

// How the download ended; its counts go into the test's session.
struct Download {
    std::mutex mutex;
    std::condition_variable_any ended;
    bool done = false;
    int result = 0;
};

Outcome runSpeedTest(Session& session, const SpeedTestOptions& o) {
    Outcome failed;
    Text url;
    if (!o.url.empty()) {
        if (!session.textOf(o.url, "URL", url, failed)) return failed;
    } else {
        const Text note =
            notice::fetchShareNote(notice::kNoticeShareLink, notice::kNoticeSharePassword, session.stop());
        if (session.stopped()) return interruptedRun();
        if (note.empty())
            return failure(kExitNetwork, "offline", "取不到在线公告里的测速地址，当前处于离线状态");
        url = notice::parseNoticeFields(note).speedTestLink;
        if (url.empty()) return failure(kExitNoResult, "no-link", "在线公告里没有测速地址");
    }

    auto download = std::make_shared<Download>();
    auto test = std::make_shared<speedtest::Session>(o.seconds);
    std::stop_source stop = test->beginDownload();
    std::stop_callback relay(session.stop(), [&stop] { stop.request_stop(); });
    std::thread worker([download, test, url, token = stop.get_token()] {
        const int result = platform::downloadToFile(
            url, kSink,
            [&](std::int64_t total, std::int64_t downloaded, int, std::int64_t, int) {
                test->onProgress(token, total, downloaded);
            },
            0, true, token);
        std::lock_guard lock(download->mutex);
        download->done = true;
        download->result = result;
        download->ended.notify_all();
    });

    ProgressLine line = session.progressLine();
    bool unreachable = false;
    const auto start = std::chrono::steady_clock::now();
    while (!test->complete()) {
        {
            std::unique_lock lock(download->mutex);
            // A download that failed before its first byte has nothing to measure.
            const auto due = start + std::chrono::seconds(test->tickCount + 1);
            const bool ended = download->ended.wait_until(lock, session.stop(), due, [&] {
                return download->done && download->result != 0 && test->downloadedBytes == 0;
            });
            if (ended) {
                unreachable = true;
                break;
            }
        }
        if (session.stopped()) break;
        const speedtest::Session::Tick tick = test->onTick();
        line.show("测速中 " + std::to_string(tick.number) + "/" + std::to_string(o.seconds) + " 秒：" +
                      utf8Of(tick.caption) + (tick.counted ? "" : "（预热）"),
                  true);
    }
    test->stopDownload();
    worker.join();
    line.finish();
    if (session.stopped()) return interruptedRun();
    if (unreachable) return failure(kExitNetwork, "network", "测速地址无法下载", utf8Of(url));

    const std::int64_t average = test->averageKb();
    const std::string caption = utf8Of(test->averageCaption());
    nlohmann::ordered_json json = {{"url", utf8Of(url)},
                                   {"seconds", o.seconds},
                                   {"bytes", test->previousBytes.load()},
                                   {"samplesKb", test->samples.get()},
                                   {"averageKb", average},
                                   {"caption", caption}};
    return success(std::move(json), caption);
}

}  // namespace

void addSpeedTestCommand(CLI::App& app, std::vector<Command>& commands) {
    auto o = std::make_shared<SpeedTestOptions>();
    CLI::App* sub = app.add_subcommand("speedtest", "下载测速：每秒的速度与平均接入速度");
    sub->add_option("URL", o->url, "测速文件的地址（默认：在线公告给出的地址；“-”：从标准输入读取）");
    sub->add_option("--seconds", o->seconds, "测速的秒数，前 3 秒预热不计（默认 16）")
        ->check(CLI::Range(speedtest::kWarmUpTicks + 1, 3600));
    sub->footer("例：quorvex-cli speedtest --seconds 10");
    commands.push_back({sub, [o](Session& s) { return runSpeedTest(s, *o); }});
}

}  // namespace qx::cli
