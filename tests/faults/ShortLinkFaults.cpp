// The link shortener's client under faults: every failure is one of its outcomes with a message
// that says what went wrong; only a plain ASCII address counts as a short link. Its window is a
// tool of its own (Qt), so there is no window model to close here.
#include "faults/FaultFeature.h"
#include "shortlink/ShortLink.h"

namespace qx::test {
namespace {

using namespace std::chrono_literals;
using shortlink::Outcome;

const std::string kShort = "https://is.gd/qx1234";

const char* outcomeName(Outcome o) {
    switch (o) {
        case Outcome::Shortened:
            return "shortened";
        case Outcome::InvalidAddress:
            return "invalid address";
        case Outcome::NoConnection:
            return "no connection";
        case Outcome::TimedOut:
            return "timed out";
        case Outcome::ServiceError:
            return "service error";
        case Outcome::Cancelled:
            return "cancelled";
    }
    return "?";
}

class ShortLinkUnderFault : public FaultFeature {
  public:
    std::string name() const override { return "link shortener"; }
    std::vector<std::string> replies() const override { return {httpAnswer(200, "text/plain", kShort)}; }
    std::string bentBody(Fault fault) const override {
        if (fault == Fault::WrongTypes) return R"({"shorturl":5,"errorcode":"0"})";
        // No blank in it, so only the bytes tell it from an address.
        return kShort + "\xC0\xAF\xED\xA0\x80\xFE\xFF";
    }
    std::chrono::milliseconds limit(Fault) const override { return kMatrixDeadline + 4s; }
    std::string expected(Fault fault) const override {
        const std::string noConnection = "no connection |  | 无法连接到 is.gd，请检查网络连接。";
        const std::string timedOut = "timed out |  | 连接 is.gd 超时，请稍后再试或换一个服务。";
        switch (fault) {
            case Fault::StallBeforeHead:
            case Fault::StallAfterHead:
                return timedOut;
            case Fault::ErrorPage:
                return "service error |  | is.gd 返回了网页而不是短链接（HTTP "
                       "500），服务可能暂时不可用，或它的接口已经改变。";
            case Fault::RedirectLoop:
                return "service error |  | is.gd 转发了太多次，它的接口可能已经改变。";
            case Fault::WrongTypes:
                return "service error |  | is.gd 返回错误（HTTP 200）：" + bentBody(fault);
            case Fault::HugeBody:
                return "service error |  | is.gd 返回的内容太长，不是短链接。";
            case Fault::BadEncoding:
                return "service error |  | is.gd 返回错误（HTTP 200）：" + bentBody(fault);
            case Fault::ManyCookies:
                return "shortened | " + kShort + " | ";
            default:
                return noConnection;
        }
    }
    std::string run(FaultDouble&) override {
        shortlink::Timeouts timeouts;
        timeouts.connectMs = static_cast<int>(kMatrixDeadline.count());
        timeouts.receiveMs = static_cast<int>(kMatrixDeadline.count());
        timeouts.deadlineMs = static_cast<int>(kMatrixDeadline.count());
        shortlink::Result r =
            shortlink::shorten(shortlink::Service::IsGd, "https://example.com/a?b=1", {}, timeouts);
        return std::string(outcomeName(r.outcome)) + " | " + r.shortUrl + " | " + r.message;
    }
    bool closable() const override { return false; }
    std::vector<std::string> runAndClose(FaultDouble&) override { return {}; }
};

}  // namespace

std::vector<std::shared_ptr<FaultFeature>> shortLinkFeatures() {
    return {std::make_shared<ShortLinkUnderFault>()};
}

}  // namespace qx::test
