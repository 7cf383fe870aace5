// speedtest [URL]: the speed test's download, sampled once a second, with the window's warm-up,
// per-second captions and average; the address defaults to the one the online notice gives.
#include <CLI/CLI.hpp>
#include <atomic>
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

namespace qx::cli {

namespace {

// The download goes nowhere: only its pace matters.
constexpr const char* kSink = "/dev/null";

struct SpeedTestOptions {
    std::string url;
    int seconds = speedtest::kTestTicks;
};

// The running download and what the sampler reads of it.
struct Download {
    std::atomic<std::int64_t> downloaded {0};
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
        const Text note = notice::fetchShareNote(notice::kNoticeShareLink, notice::kNoticeSharePassword, session.stop());
        if (session.stopped()) return interruptedRun();
        if (note.empty()) return failure(kExitNetwork, "offline", "取不到在线公告里的测速地址，当前处于离线状态");
        url = notice::parseNoticeFields(note).speedTestLink;
        if (url.empty()) return failure(kExitNoResult, "no-link", "在线公告里没有测速地址");
    }

    auto download = std::make_shared<Download>();
    std::stop_source test;
    std::stop_callback relay(session.stop(), [&test] { test.request_stop(); });
    std::thread worker([download, url, token = test.get_token()] {
        const int result = platform::downloadToFile(
            url, kSink,
            [&download](std::int64_t, std::int64_t downloaded, int, std::int64_t, int) {
                download->downloaded = downloaded;
            },
            0, true, token);
        std::lock_guard lock(download->mutex);
        download->done = true;
        download->result = result;
        download->ended.notify_all();
    });

    ProgressLine line = session.progressLine();
    std::vector<std::int64_t> samples;
    std::int64_t previous = 0;
    bool unreachable = false;
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 1; tick <= o.seconds; ++tick) {
        {
            std::unique_lock lock(download->mutex);
            // A download that failed before its first byte has nothing to measure.
            const bool ended = download->ended.wait_until(lock, session.stop(), start + std::chrono::seconds(tick), [&] {
                return download->done && download->result != 0 && download->downloaded == 0;
            });
            if (ended) {
                unreachable = true;
                break;
            }
        }
        if (session.stopped()) break;
        const std::int64_t downloaded = download->downloaded;
        const std::int64_t delta = downloaded - previous;
        previous = downloaded;
        const std::string caption = utf8Of(speedtest::secondCaption(delta));
        if (tick > speedtest::kWarmUpTicks) samples.push_back(speedtest::sampleOf(delta));
        line.show("测速中 " + std::to_string(tick) + "/" + std::to_string(o.seconds) + " 秒：" + caption +
                      (tick <= speedtest::kWarmUpTicks ? "（预热）" : ""),
                  true);
    }
    test.request_stop();
    worker.join();
    line.finish();
    if (session.stopped()) return interruptedRun();
    if (unreachable) return failure(kExitNetwork, "network", "测速地址无法下载", utf8Of(url));

    const std::int64_t average = speedtest::averageKb(samples);
    const std::string caption = utf8Of(speedtest::averageCaption(average));
    nlohmann::ordered_json json = {{"url", utf8Of(url)},
                                   {"seconds", o.seconds},
                                   {"bytes", previous},
                                   {"samplesKb", samples},
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
