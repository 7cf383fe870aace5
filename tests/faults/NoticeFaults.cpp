// The online notice under faults: any failure shows the offline line beside the program's own
// version; the check verifies the server's certificate and ends by the document deadline.
#include <filesystem>

#include "app/MainWindowLayout.h"
#include "faults/FaultFeature.h"
#include "net/FetchLimits.h"
#include "notice/Notice.h"
#include "platform/system/Files.h"
#include "support/doubles/NoticeDouble.h"
#include "text/CodePages.h"

namespace qx::test {
namespace {

namespace fs = std::filesystem;

const std::string kNote = "<p>[|=*9.9.9*=|]</p><p>=***修复若干问题=***</p>";

std::string noteAnswer(const std::string& noteMember) {
    return "{\"data\":{\"rsp_header\":{\"retcode\":0},\"rsp_body\":{\"RspMsg_body\":{\"note_list\":[{"
           "\"note_id\":\"n1\",\"html_content\":" +
           noteMember + "}]}}},\"ret\":0}";
}

class NoticeUnderFault : public FaultFeature {
  public:
    NoticeUnderFault() {
        dir_ = fs::temp_directory_path() / ("qx-faults-notice-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "Temp");
        state_.setExecutablePath(platform::fromNativePath((dir_ / "quorvex").string()));
        platform::VersionFields v;
        v[0] = "1.0.0.17";
        state_.ownVersionInfo.set(v);
    }
    ~NoticeUnderFault() override { fs::remove_all(dir_); }

    std::string name() const override { return "online notice"; }
    std::vector<std::string> replies() const override {
        return {httpAnswer(200, "application/json; charset=utf-8", noteAnswer(jsonQuote(kNote)))};
    }
    std::string bentBody(Fault fault) const override {
        // The note list as an object: no note at index 0.
        if (fault == Fault::WrongTypes)
            return "{\"data\":{\"rsp_header\":{\"retcode\":\"0\"},\"rsp_body\":{\"RspMsg_body\":{\"note_"
                   "list\":"
                   "{\"html_content\":5}}}},\"ret\":[0]}";
        // Bad bytes in the note and beside it; the version and change log stay readable.
        return noteAnswer(jsonQuote(kNote + "<p>" + badTextBytes() + "</p>"))
            .insert(1, "\"x\":\"" + badTextBytes() + "\",");
    }
    std::chrono::milliseconds limit(Fault) const override {
        return kMatrixDeadline + std::chrono::seconds(4);
    }
    std::string expected(Fault fault) const override {
        if (fault == Fault::ManyCookies || fault == Fault::BadEncoding)
            return "最新版本号：9.9.9 | 新的版本已经发布，点击更新图标即可更新。 | 修复若干问题";
        return "最新版本号：1.0.0.17 |  | 您当前处于离线状态~";
    }
    std::string run(FaultDouble&) override {
        ui::WindowPtr w = ui::Window::create(qx::app::mainWindowLayout());
        (*w)["编辑框EX_更新内容"].setVisible(false);
        notice::launchNoticeCheck(state_, w);
        if (!workersEndWithin(limit(Fault::Refused) + std::chrono::seconds(20))) return "still running";
        ui::Control jokes = (*w)["骚话标签"];
        return gbkToUtf8((*w)["标签EX_最新版本提示"].caption()) + " | " +
               gbkToUtf8((*w)["版本提示标签"].caption()) + " | " +
               gbkToUtf8(jokes.visible() ? jokes.caption() : (*w)["编辑框EX_更新内容"].text());
    }
    // The main window is never closed under a running check: closing it ends the process.
    bool closable() const override { return false; }
    std::vector<std::string> runAndClose(FaultDouble&) override { return {}; }

  private:
    fs::path dir_;
    ProgramState state_;
};

}  // namespace

std::vector<std::shared_ptr<FaultFeature>> noticeFeatures() { return {std::make_shared<NoticeUnderFault>()}; }

}  // namespace qx::test
