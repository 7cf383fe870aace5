// How long the UI thread goes without turning its event loop while the program's workers are
// busy: the real start-up (offscreen), then at once a notice check, a Lanzou resolver chain, a
// speed test served at 200 MB/s and a web-tester request with a 200 MB answer, all against local
// servers. A 5 ms timer on the UI thread records the gaps between its ticks; the longest gap and
// the 99th percentile are printed.
// Usage: qx_uistall_bench [seconds]   (QT_QPA_PLATFORM=offscreen)
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/StartUp.h"
#include "app/Windows.h"
#include "platform/system/Files.h"
#include "state/ProgramState.h"
#include "support/doubles/NoticeDouble.h"
#include "support/doubles/UtilityDoubles.h"
#include "support/doubles/WireCase.h"
#include "support/doubles/WireDouble.h"
#include "support/servers/TestServer.h"
#include "text/CodePages.h"
#include "ui/qt/QtApplication.h"
#include "ui/qt/QtWindowSystem.h"

using namespace qx;
namespace fs = std::filesystem;

const char* quorvexVersionRecord();

namespace {
std::vector<qint64> gaps;  // nanoseconds between ticks
QElapsedTimer runClock;
qint64 last = 0;
}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 20;
    volatile const char* record = quorvexVersionRecord();
    (void)record;

    // The services, all local.
    static test::NoticeDouble notice("QrvxNote", "tmvrke");
    notice.setNoteHtml("<p>[|=*9.9.9.9*=|]</p><p>=***a<br>b=***</p>");
    static test::WireCase lanzou;
    std::string error;
    if (!test::loadWireCase(QX_SOURCE_DIR "/tests/resolvers/data/lanzou/open-success.case", lanzou, error)) {
        std::fprintf(stderr, "case: %s\n", error.c_str());
        return 2;
    }
    static test::WireDouble resolver(lanzou, true);
    test::SpeedTestServer::Behaviour fast;
    fast.bytesPerSecond = 200e6;
    static test::SpeedTestServer speed(fast);
    static test::TestServer tester;
    setenv("QUORVEX_CONNECT_TO", (notice.connectTo() + "," + resolver.connectTo(false)).c_str(), 1);
    setenv("QUORVEX_EXTRA_CA_FILE", test::TestServer::certificateFile().c_str(), 1);

    static ProgramState state;
    app::initialiseProgramState(state);
    // A folder of its own for Temp; the speed test's file goes nowhere.
    fs::path work = fs::temp_directory_path() / ("qx_uistall_" + std::to_string(getpid()));
    fs::create_directories(work / "Temp");
    fs::create_symlink("/dev/null", work / "Temp" / "Temp_SpeedTest.exe");
    state.workDirectory = platform::fromNativePath(work.string());

    return ui::qt::runApplication(argc, argv, [seconds, work](ui::WindowSystem& windows) {
        app::startUp(state, windows);
        ui::WindowPtr main = static_cast<ui::qt::QtWindowSystem&>(windows).openWindows().front();
        main->click("按钮EX7");  // a second notice check on top of the start-up one

        state.resolver.selectedResolverService = resolvers::Service::Lanzou;
        ui::WindowPtr resolverWindow = app::makeChildWindow("ResolverWindow", state, windows);
        windows.openModeless(resolverWindow);
        resolverWindow->control("编辑框EX_原链接").setText(gbk(lanzou.link));
        resolverWindow->control("编辑框EX_密码").setText(gbk(lanzou.password));
        resolverWindow->click("按钮EX4");

        state.notice.speedTestLink.set(speed.url());
        ui::WindowPtr speedWindow = app::makeChildWindow("SpeedTestWindow", state, windows);
        windows.openModeless(speedWindow);
        speedWindow->click("图片框EX1");

        ui::WindowPtr testerWindow = app::makeChildWindow("WebTesterWindow", state, windows);
        windows.openModeless(testerWindow);
        testerWindow->control("编辑框EX_原网址").setText(tester.url("/bytes?n=200000000"));
        testerWindow->click("按钮EX2");

        // The gaps are counted from the first turn of the loop after the windows are open: opening
        // them is start-up work, not a stall caused by the workers.
        QTimer::singleShot(0, [] {
            runClock.start();
            auto* ticker = new QTimer;
            ticker->setTimerType(Qt::PreciseTimer);
            QObject::connect(ticker, &QTimer::timeout, [] {
                qint64 now = runClock.nsecsElapsed();
                if (last) gaps.push_back(now - last);
                if (last && now - last > 50'000'000)
                    std::printf("gap of %.1f ms ending %.2f s into the run\n", (now - last) / 1e6, now / 1e9);
                last = now;
            });
            ticker->start(5);
        });

        QTimer::singleShot(seconds * 1000, [work, speedWindow, resolverWindow, testerWindow] {
            std::vector<qint64> sorted = gaps;
            std::sort(sorted.begin(), sorted.end());
            auto ms = [](qint64 ns) { return ns / 1e6; };
            double p99 = sorted.empty() ? 0 : ms(sorted[sorted.size() * 99 / 100]);
            double longest = sorted.empty() ? 0 : ms(sorted.back());
            std::printf("ticks: %zu\n", sorted.size());
            std::printf("UI-thread gap, longest: %.1f ms (goal <= 50)\n", longest);
            std::printf("UI-thread gap, 99th percentile: %.1f ms (goal <= 16)\n", p99);
            std::printf("resolver result: %s\n",
                        gbkToUtf8(resolverWindow->control("编辑框EX_结果").text()).c_str());
            std::printf("speed test: %s\n", gbkToUtf8(speedWindow->control("标签EX3").caption()).c_str());
            std::printf("tester answer shown: %zu bytes\n",
                        testerWindow->control("编辑框EX_最后文本").text().size());
            std::fflush(stdout);
            fs::remove_all(work);
            std::_Exit(0);
        });
    });
}
