// The two picture fetches under faults. The avatar keeps whatever body came (an error page
// too) in its picture box and file; the icon grabber shows a picture only when the answer
// decodes, else its failure text with the address.
#include "faults/FaultFeature.h"
#include "support/PngBytes.h"
#include "support/RunDirectory.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/avatar/AvatarWindow.h"
#include "utilities/siteicon/SiteIconWindow.h"

namespace qx::test {
namespace {

using namespace std::chrono_literals;

std::string asString(const ByteArray& bytes) { return std::string(bytes.begin(), bytes.end()); }

// An icon directory whose one frame is of a kind an icon cannot hold (a GIF, not a bitmap or PNG).
std::string iconWithGifFrame() {
    static const char kGif[] =
        "GIF89a\x10\x00\x10\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00!\xF9\x04\x01\x00\x00\x00\x00,"
        "\x00\x00\x00\x00\x10\x00\x10\x00\x00\x02\x02\x44\x01\x00;";
    const std::string gif(kGif, sizeof kGif - 1);
    std::string ico("\x00\x00\x01\x00\x01\x00", 6);
    ico += std::string("\x10\x10\x00\x00\x01\x00\x20\x00", 8);
    for (std::uint32_t v : {static_cast<std::uint32_t>(gif.size()), 22u})
        for (int i = 0; i < 4; ++i) ico += static_cast<char>((v >> (8 * i)) & 0xFF);
    return ico + gif;
}

class AvatarUnderFault : public FaultFeature {
  public:
    AvatarUnderFault() : run_("faults-avatar") { state_.setExecutablePath(run_.executable()); }

    std::string name() const override { return "avatar fetch"; }
    std::vector<std::string> replies() const override {
        return {httpAnswer(200, "image/png", pngBytes(16, 16))};
    }
    std::string bentBody(Fault fault) const override {
        return fault == Fault::WrongTypes ? iconWithGifFrame() : badTextBytes();
    }
    std::chrono::milliseconds limit(Fault) const override { return kMatrixDeadline + 4s; }
    std::string expected(Fault fault) const override {
        std::string body;
        switch (fault) {
            case Fault::ErrorPage:
                body = faultErrorPage();
                break;
            case Fault::WrongTypes:
            case Fault::BadEncoding:
                body = bentBody(fault);
                break;
            case Fault::ManyCookies:
                body = pngBytes(16, 16);
                break;
            default:
                break;
        }
        return shortened(body) + " | " + shortened(body);
    }
    std::string run(FaultDouble&) override {
        ui::WindowPtr w = open();
        w->click("按钮EX24");
        if (!workersEndWithin(limit(Fault::Refused) + 20s)) return "still running";
        return shortened(asString(w->control("图片框EX1").image())) + " | " +
               shortened(run_.read("Temp/HeadPortrait.png"));
    }
    std::vector<std::string> runAndClose(FaultDouble& service) override {
        ui::WindowPtr w = open();
        auto late = std::make_shared<LateWrites>(w.get());
        w->setObserver(late);
        service.hold();
        w->click("按钮EX24");
        if (service.fault() != Fault::Refused) service.waitForFaultedRequest(10000);
        w->click("按钮EX1");
        service.release();
        if (!workersEndWithin(limit(Fault::Refused) + 20s)) return {"still running"};
        return late->writes();
    }

  private:
    ui::WindowPtr open() {
        ui::WindowPtr w = ui::Window::create(qx::avatar::avatarLayout());
        avatar::bindAvatarWindow(w, state_, windows_);
        windows_.openModeless(w);
        w->control("编辑框EX_QQ号").storeTextFromView("10001");
        return w;
    }

    RunDirectory run_;
    ProgramState state_;
    FakeWindowSystem windows_;
};

class SiteIconUnderFault : public FaultFeature {
  public:
    SiteIconUnderFault() : run_("faults-siteicon") { state_.setExecutablePath(run_.executable()); }

    std::string name() const override { return "site icon grab"; }
    std::vector<std::string> replies() const override {
        return {httpAnswer(200, "image/x-icon", pngBytes(16, 16))};
    }
    std::string bentBody(Fault fault) const override {
        return fault == Fault::WrongTypes ? iconWithGifFrame() : badTextBytes();
    }
    std::chrono::milliseconds limit(Fault) const override { return kMatrixDeadline + 4s; }
    std::string expected(Fault fault) const override {
        if (fault == Fault::ManyCookies) return "picture | 宽：16  高：16";
        return "no picture | 获取失败！网址：http://icons.example/favicon.ico";
    }
    std::string run(FaultDouble&) override {
        ui::WindowPtr w = open();
        w->click("按钮EX3");
        if (!workersEndWithin(limit(Fault::Refused) + 20s)) return "still running";
        return std::string(w->control("图片框EX1").hasImage() ? "picture" : "no picture") + " | " +
               gbkToUtf8(w->control("标签EX3").caption());
    }
    std::vector<std::string> runAndClose(FaultDouble& service) override {
        ui::WindowPtr w = open();
        auto late = std::make_shared<LateWrites>(w.get());
        w->setObserver(late);
        service.hold();
        w->click("按钮EX3");
        if (service.fault() != Fault::Refused) service.waitForFaultedRequest(10000);
        w->click("按钮EX1");
        service.release();
        if (!workersEndWithin(limit(Fault::Refused) + 20s)) return {"still running"};
        return late->writes();
    }

  private:
    ui::WindowPtr open() {
        ui::WindowPtr w = ui::Window::create(qx::siteicon::siteIconLayout());
        siteicon::bindSiteIconWindow(w, state_, windows_);
        windows_.openModeless(w);
        w->control("编辑框EX2").storeTextFromView("icons.example");
        return w;
    }

    RunDirectory run_;
    ProgramState state_;
    FakeWindowSystem windows_;
};

}  // namespace

std::vector<std::shared_ptr<FaultFeature>> pictureFeatures() {
    return {std::make_shared<AvatarUnderFault>(), std::make_shared<SiteIconUnderFault>()};
}

}  // namespace qx::test
