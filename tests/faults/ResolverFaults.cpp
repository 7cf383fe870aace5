// The five resolvers under faults, through ResolverWindow's "生成": the steps before the one
// that parses the service's decisive answer go well, that step meets the fault. A failure leaves
// the resolver's failure result in the result box (empty; Wenshushu its message).
#include <thread>

#include "faults/FaultFeature.h"
#include "platform/system/Worker.h"
#include "resolvers/Wenshushu.h"
#include "resolvers/window/ResolverWindow.h"
#include "support/doubles/WireCase.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"

namespace qx::test {
namespace {

struct ServicePlan {
    std::string name;
    int service;
    std::string caseFile;    // a success case of tests/resolvers/data
    std::size_t faultStep;   // the step whose answer the resolver reads its result or ids from
    std::string wrongTypes;  // that answer with members of the wrong type
};

// The good body of an answer with one more member holding bytes that are neither UTF-8 nor GBK.
std::string withBadMember(const std::string& answer) {
    std::size_t brace = answer.find("\r\n\r\n{");
    if (brace == std::string::npos) return answer;
    return answer.substr(brace + 4).insert(1, "\"qx\":\"" + badTextBytes() + "\",");
}

class ResolverUnderFault : public FaultFeature {
  public:
    explicit ResolverUnderFault(ServicePlan plan) : plan_(std::move(plan)) {
        std::string error;
        loaded_ = loadWireCase(std::string(QX_RESOLVER_DATA_DIR) + "/" + plan_.caseFile, case_, error);
        for (const WireExchange& e : case_.exchanges) replies_.push_back(e.reply);
    }

    std::string name() const override { return "resolver " + plan_.name; }
    std::vector<std::string> replies() const override { return replies_; }
    std::size_t faultStep() const override { return plan_.faultStep; }
    std::string bentBody(Fault fault) const override {
        if (fault == Fault::WrongTypes) return plan_.wrongTypes;
        return plan_.faultStep <= replies_.size() ? withBadMember(replies_[plan_.faultStep - 1]) : "";
    }
    // Every step from the faulted one on may run into the deadline.
    std::chrono::milliseconds limit(Fault) const override {
        const auto steps = static_cast<int>(replies_.size() - plan_.faultStep + 1);
        return kMatrixDeadline * steps + std::chrono::seconds(4);
    }
    std::string expected(Fault fault) const override {
        if (!loaded_) return "(case file missing: " + plan_.caseFile + ")";
        if (fault == Fault::ManyCookies || fault == Fault::BadEncoding) return case_.result;
        return plan_.service == 6 ? gbkToUtf8(resolvers::wenshushuFailureText()) : "";
    }
    std::string run(FaultDouble&) override {
        ui::WindowPtr w = open();
        // A failure clears what an earlier run left in the box.
        (*w)["编辑框EX_结果"].setText("earlier result");
        w->click("按钮EX4");
        if (!workersEndWithin(limit(Fault::Refused) + std::chrono::seconds(20))) return "still running";
        return gbkToUtf8((*w)["编辑框EX_结果"].text());
    }
    std::vector<std::string> runAndClose(FaultDouble& service) override {
        ui::WindowPtr w = open();
        (*w)["编辑框EX_结果"].setText("earlier result");  // so that even an empty result would be a write
        auto late = std::make_shared<LateWrites>(w.get());
        w->setObserver(late);
        service.hold();
        w->click("按钮EX4");
        if (service.fault() != Fault::Refused) service.waitForFaultedRequest(10000);
        windows_.destroy(w);
        service.release();
        if (!workersEndWithin(limit(Fault::Refused) + std::chrono::seconds(20))) return {"still running"};
        return late->writes();
    }

  private:
    ui::WindowPtr open() {
        state_.resolver.selectedResolverService = static_cast<resolvers::Service>(plan_.service);
        ui::WindowPtr w = ui::Window::create(qx::resolvers::resolverLayout());
        resolvers::bindResolverWindow(w, state_, windows_);
        windows_.openModeless(w);
        (*w)["编辑框EX_原链接"].storeTextFromView(gbk(case_.link));
        (*w)["编辑框EX_密码"].storeTextFromView(gbk(case_.password));
        return w;
    }

    ServicePlan plan_;
    WireCase case_;
    bool loaded_ = false;
    std::vector<std::string> replies_;
    ProgramState state_;
    FakeWindowSystem windows_;
};

}  // namespace

std::vector<std::shared_ptr<FaultFeature>> resolverFeatures() {
    // clang-format off
    const ServicePlan plans[] = {
        {"lanzou", 1, "lanzou/open-success.case", 3,
         R"({"zt":"1","dom":1,"url":{"u":"?BmBSPwE6ADFQWAM5ADQ="},"inf":[]})"},
        {"bilnn", 3, "bilnn/success.case", 1,
         R"({"code":"0","data":{"url":"https:\/\/pan.bilnn.com\/api\/v3\/file\/download\/Qrvx9kZ2"},"msg":0})"},
        {"ctfile", 4, "ctfile/success.case", 2,
         R"({"code":"200","downurl":{"url":"https:\/\/ch1-cucc-dd.tv002.com\/down\/tool.zip"},"file_name":7})"},
        {"yunpan360", 5, "yunpan360/success.case", 3,
         R"({"errno":"0","errmsg":"\u64cd\u4f5c\u6210\u529f","data":{"downloadurl":{"url":"https:\/\/dl.yunpan.com\/t"}}})"},
        {"wenshushu", 6, "wenshushu/success.case", 5,
         R"({"code":"0","message":"success","data":{"url":{"href":"https://c2-wenshushu.cn-bj.ufileos.com/q"},"ttl":"3600"}})"},
    };
    // clang-format on
    std::vector<std::shared_ptr<FaultFeature>> out;
    for (const ServicePlan& plan : plans) out.push_back(std::make_shared<ResolverUnderFault>(plan));
    return out;
}

}  // namespace qx::test
