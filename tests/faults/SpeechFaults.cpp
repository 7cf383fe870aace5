// The speech fetch under faults: the speech file holds whatever body came (an error page too),
// and is empty when the fetch failed; the button returns to "转换" either way.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "faults/FaultFeature.h"
#include "platform/system/Files.h"
#include "support/doubles/SpeechDouble.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/speech/SpeechWindow.h"

namespace qx::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SpeechUnderFault : public FaultFeature {
  public:
    SpeechUnderFault() {
        dir_ = fs::temp_directory_path() / ("qx-faults-speech-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "Temp");
        state_.setExecutablePath(platform::fromNativePath((dir_ / "quorvex").string()));
    }
    ~SpeechUnderFault() override { fs::remove_all(dir_); }

    std::string name() const override { return "speech fetch"; }
    std::vector<std::string> replies() const override {
        return {httpAnswer(200, "audio/mp3", SpeechDouble::mp3())};
    }
    std::string bentBody(Fault fault) const override {
        // The service's error document, its members of the wrong types.
        if (fault == Fault::WrongTypes) return R"({"err_no":"500","err_msg":[],"tts_logid":{"id":1}})";
        return badTextBytes();
    }
    std::chrono::milliseconds limit(Fault) const override { return kMatrixDeadline + 4s; }
    std::string expected(Fault fault) const override {
        const std::string rest = " | " + std::string(reinterpret_cast<const char*>(u8"转换"));
        switch (fault) {
            case Fault::ErrorPage:
                return shortened(faultErrorPage()) + rest;
            case Fault::WrongTypes:
            case Fault::BadEncoding:
                return shortened(bentBody(fault)) + rest;
            case Fault::ManyCookies:
                return shortened(SpeechDouble::mp3()) + rest;
            default:
                return "(empty file)" + rest;
        }
    }
    std::string run(FaultDouble&) override {
        ui::WindowPtr w = open();
        w->click("按钮EX2");
        if (!workersEndWithin(limit(Fault::Refused) + 20s)) return "still running";
        std::string file;
        if (!fs::exists(speechFile())) {
            file = "(no file)";
        } else {
            std::ifstream in(speechFile(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            file = bytes.str().empty() ? "(empty file)" : shortened(bytes.str());
        }
        return file + " | " + gbkToUtf8(w->control("按钮EX2").caption());
    }
    std::vector<std::string> runAndClose(FaultDouble& service) override {
        ui::WindowPtr w = open();
        auto late = std::make_shared<LateWrites>(w.get());
        w->setObserver(late);
        service.hold();
        w->click("按钮EX2");
        if (service.fault() != Fault::Refused) service.waitForFaultedRequest(10000);
        w->click("按钮EX1");  // the close button
        service.release();
        if (!workersEndWithin(limit(Fault::Refused) + 20s)) return {"still running"};
        return late->writes();
    }

  private:
    fs::path speechFile() const { return dir_ / "Temp" / "audio.mp3"; }
    ui::WindowPtr open() {
        ui::WindowPtr w = ui::Window::create(speech::speechLayout());
        speech::bindSpeechWindow(w, state_, windows_);
        windows_.openModeless(w);
        w->control("编辑框EX_文本").storeTextFromView(gbk(u8"你好 世界"));
        return w;
    }

    fs::path dir_;
    ProgramState state_;
    FakeWindowSystem windows_;
};

}  // namespace

std::vector<std::shared_ptr<FaultFeature>> speechFeatures() { return {std::make_shared<SpeechUnderFault>()}; }

}  // namespace qx::test
