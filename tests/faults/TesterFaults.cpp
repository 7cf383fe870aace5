// The web tester under faults, with its 15-second limit on (the timer is ticked here, a tick
// standing for its second): an empty answer shows the empty-page notice, a silent server ends
// with the limit's text, an answer past the cap (lowered to 1 MiB here) ends with the cap's
// text, any other answer is shown as it came.
#include <thread>

#include "faults/FaultFeature.h"
#include "net/HtmlText.h"
#include "support/fake/FakeWindowSystem.h"
#include "tester/WebTester.h"
#include "tester/WebTesterWindow.h"
#include "text/CodePages.h"

namespace qx::test {
namespace {

using namespace std::chrono_literals;

// One tick of the limit's timer stands for its second.
constexpr auto kTick = 300ms;
const std::string kAnswer = R"({"answer":"ok","items":[1,2,3]})";
constexpr std::size_t kMatrixAnswerCap = std::size_t{1} << 20;

class TesterUnderFault : public FaultFeature {
  public:
    std::string name() const override { return "web tester"; }
    bool covers(Fault) const override { return true; }
    std::vector<std::string> replies() const override {
        return {httpAnswer(200, "application/json", kAnswer)};
    }
    std::string bentBody(Fault fault) const override {
        if (fault == Fault::WrongTypes) return R"({"answer":["ok"],"items":"1,2,3"})";
        return kAnswer + badTextBytes();
    }
    // The limit's 16 ticks, and time to end the transfer.
    std::chrono::milliseconds limit(Fault) const override { return kTick * 16 + 4s; }
    std::string expected(Fault fault) const override {
        const std::string idle = " | " + gbkToUtf8(tester::idleCaption());
        const std::string empty = net::emptyPageNotice() + " | " + idle;
        switch (fault) {
            case Fault::StallBeforeHead:
            case Fault::StallAfterHead:
                return " | " + gbkToUtf8(tester::limitText()) + idle;
            case Fault::ErrorPage:
                return shortened(faultErrorPage()) + " | " + idle;
            case Fault::WrongTypes:
            case Fault::BadEncoding:
                return shortened(bentBody(fault)) + " | " + idle;
            case Fault::ManyCookies:
                return kAnswer + " | " + idle;
            case Fault::HugeBody:
            case Fault::EndlessBody:
                return shortened(tester::answerCapText(kMatrixAnswerCap)) + " | " + idle;
            default:
                return empty;
        }
    }
    std::string run(FaultDouble& service) override {
        ui::WindowPtr w = open(service);
        w->click("按钮EX2");
        // The timer ticks while the request runs; the 16th ends it.
        for (int ticks = 0; ticks < 40 && w->control("按钮EX2").caption() == tester::runningCaption();
             ++ticks) {
            std::this_thread::sleep_for(kTick);
            if (w->control("时钟1").interval() > 0) w->timerTick("时钟1");
        }
        if (!workersEndWithin(20s)) return "still running";
        const Text status = w->control("标签EX10").caption();
        // The box as it is (GBK): UTF-8 decoding is off, so an answer shows byte for byte.
        return shortened(w->control("编辑框EX_最后文本").text()) + " | " +
               (status == tester::limitText() ? gbkToUtf8(status) : "") + " | " +
               gbkToUtf8(w->control("按钮EX2").caption());
    }
    std::vector<std::string> runAndClose(FaultDouble& service) override {
        ui::WindowPtr w = open(service);
        auto late = std::make_shared<LateWrites>(w.get());
        w->setObserver(late);
        service.hold();
        w->click("按钮EX2");
        if (service.fault() != Fault::Refused) service.waitForFaultedRequest(10000);
        w->click("按钮EX1");  // the close button
        service.release();
        if (!workersEndWithin(20s)) return {"still running"};
        return late->writes();
    }

  private:
    ui::WindowPtr open(FaultDouble& service) {
        // A 100 MiB or endless answer meets the cap within a moment.
        tester::setAnswerCapForTests(kMatrixAnswerCap);
        ui::WindowPtr w = ui::Window::create(tester::webTesterLayout());
        tester::bindWebTesterWindow(w, state_, windows_);
        windows_.openModeless(w);
        w->control("编辑框EX_原网址").storeTextFromView("http://tester.example/api?q=1");
        w->control("选择框EX7").storeCheckedFromView(true);  // 自动超时
        return w;
    }

    ProgramState state_;
    FakeWindowSystem windows_;
};

}  // namespace

std::vector<std::shared_ptr<FaultFeature>> testerFeatures() { return {std::make_shared<TesterUnderFault>()}; }

}  // namespace qx::test
