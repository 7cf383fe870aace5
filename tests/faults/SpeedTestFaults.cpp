// The speed test under faults. Its 16 ticks and the closing fade run whatever the server does;
// the sink file holds the bytes of this test's download; the close button does nothing while a
// test runs. The ticks are given here once the download has settled, so every second after the
// warm-up counts nothing and the average is 0.
#include <filesystem>
#include <thread>

#include "faults/FaultFeature.h"
#include "support/RunDirectory.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/speedtest/SpeedTestWindow.h"

namespace qx::test {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kFileBytes = 256 * 1024;
const std::string kAverageZero = "您的平均接入速度：0MB/s";

class SpeedTestUnderFault : public FaultFeature {
  public:
    SpeedTestUnderFault() : run_("faults-speedtest") {
        state_.setExecutablePath(run_.executable());
        state_.notice.speedTestLink.set("https://qrvx-my.sharepoint.com/personal/qrvx/speed/100m.bin");
    }

    std::string name() const override { return "speed test"; }
    std::vector<std::string> replies() const override {
        return {httpAnswer(200, "application/octet-stream", TestServer::patternBytes(0, kFileBytes))};
    }
    std::string bentBody(Fault fault) const override {
        return fault == Fault::WrongTypes ? R"({"size":"100m","chunks":{"0":[]}})" : badTextBytes();
    }
    // The download settles, the 17 ticks, the closing fade.
    std::chrono::milliseconds limit(Fault) const override { return 8s; }
    std::string expected(Fault fault) const override {
        std::size_t bytes = 0;
        switch (fault) {
            case Fault::ResetMidBody:
            case Fault::StallAfterHead:
            case Fault::ManyCookies:
                bytes = kFileBytes;
                break;
            case Fault::ErrorPage:
                bytes = faultErrorPage().size();
                break;
            case Fault::WrongTypes:
            case Fault::BadEncoding:
                bytes = bentBody(fault).size();
                break;
            case Fault::HugeBody:
                bytes = kHugeBodyBytes;
                break;
            default:
                break;
        }
        return kAverageZero + " | sink " + std::to_string(bytes) + " bytes | finished";
    }
    std::string run(FaultDouble& service) override {
        ui::WindowPtr w = open();
        w->click("图片框EX1");
        settle(service);
        if (!tickToTheEnd(w)) return "ticks did not end the test";
        if (!workersEndWithin(20s)) return "still running";
        return gbkToUtf8(w->control("标签EX4").caption()) + " | sink " + std::to_string(sinkBytes()) +
               " bytes | " + (session_->finished ? "finished" : "running");
    }
    std::vector<std::string> runAndClose(FaultDouble& service) override {
        ui::WindowPtr w = open();
        auto late = std::make_shared<LateWrites>(w.get());
        w->setObserver(late);
        service.hold();
        w->click("图片框EX1");
        if (service.fault() != Fault::Refused) service.waitForFaultedRequest(10000);
        std::vector<std::string> problems;
        w->click("按钮EX1");  // inert while the test runs
        if (w->destroyed()) problems.push_back("closed while the test ran");
        service.release();
        settle(service);
        if (!tickToTheEnd(w)) problems.push_back("ticks did not end the test");
        w->click("按钮EX1");
        if (!w->destroyed()) problems.push_back("not closed after the test");
        if (!workersEndWithin(20s)) problems.push_back("still running");
        for (auto& write : late->writes()) problems.push_back(write);
        return problems;
    }

  private:
    ui::WindowPtr open() {
        ui::WindowPtr w = ui::Window::create(speedtest::speedTestLayout());
        session_ = speedtest::bindSpeedTestSession(w, state_, windows_);
        windows_.openModeless(w);
        return w;
    }
    std::uintmax_t sinkBytes() const {
        std::error_code ec;
        auto size = std::filesystem::file_size(run_.path("Temp/Temp_SpeedTest.exe"), ec);
        return ec ? 0 : size;
    }
    // Waits until the download has taken what the server gives (no growth for 300 ms).
    void settle(FaultDouble& service) {
        if (service.fault() != Fault::Refused) service.waitForFaultedRequest(10000);
        std::int64_t last = -1;
        for (int quiet = 0; quiet < 6;) {
            std::this_thread::sleep_for(50ms);
            const std::int64_t now = session_->downloadedBytes;
            quiet = now == last ? quiet + 1 : 0;
            last = now;
        }
    }
    // Sixteen counted ticks and the seventeenth that ends the test; true once it has finished.
    bool tickToTheEnd(const ui::WindowPtr& w) {
        for (int i = 0; i < 17; ++i) w->timerTick("时钟1");
        for (int i = 0; i < 400 && !session_->finished; ++i) std::this_thread::sleep_for(25ms);
        return session_->finished;
    }

    RunDirectory run_;
    ProgramState state_;
    FakeWindowSystem windows_;
    std::shared_ptr<speedtest::Session> session_;
};

}  // namespace

std::vector<std::shared_ptr<FaultFeature>> speedTestFeatures() {
    return {std::make_shared<SpeedTestUnderFault>()};
}

}  // namespace qx::test
