#include "notice/Notice.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "net/HeaderText.h"
#include "notice/ShareNote.h"
#include "notice/UpdateScript.h"
#include "platform/system/Clock.h"
#include "platform/system/Files.h"
#include "platform/system/Process.h"
#include "platform/system/Random.h"
#include "platform/system/Worker.h"
#include "resolvers/OneDriveBusiness.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "text/TextUtilities.h"

namespace qx::notice {
namespace {

Text field(const Text& notice, const char* leftUtf8, const char* rightUtf8) {
    return net::textBetween(notice, gbk(leftUtf8), gbk(rightUtf8));
}

const Text& updateAvailableMessage() {
    static const Text m = gbk(u8"新的版本已经发布，点击更新图标即可更新。");
    return m;
}

// Sleeps up to ms, waking early when stop is requested. False when stopped.
bool sleepUnlessStopped(std::stop_token stop, int ms) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    return !cv.wait_for(lock, stop, std::chrono::milliseconds(ms), [] { return false; });
}

}  // namespace

NoticeFields parseNoticeFields(const Text& notice) {
    NoticeFields f;
    f.speedTestLink = field(notice, "测速链接[", "]测速链接");
    f.latestVersion = field(notice, "[|=*", "*=|]");
    f.jokes = field(notice, "'+--*-+骚话", "骚话'+--*-+");
    f.changeLog = field(notice, "=***", "=***");
    f.updateAddress = field(notice, "更新地址-", "-更新地址");
    return f;
}

void showNotice(ProgramState& state, ui::Window& w, const Text& notice) {
    state.notice.noticeText.set(notice);
    Text current = state.currentVersion();
    if (notice.empty()) {
        w[control::kLatestVersion].setCaption(gbk(u8"最新版本号：") + current);
        w[control::kBanter].setCaption(gbk(u8"您当前处于离线状态~"));
        w[control::kVersionHint].setCaption("");
        return;
    }
    NoticeFields f = parseNoticeFields(notice);
    state.notice.speedTestLink.set(f.speedTestLink);
    w[control::kLatestVersion].setCaption(gbk(u8"最新版本号：") + f.latestVersion);
    if (f.latestVersion == current) {
        w[control::kVersionHint].setCaption(gbk(u8"作者还在咕咕咕~ 未发布新版本~"));
        state.notice.banterText.set(f.jokes);
        if (!state.notice.banterRotationStarted.exchange(true)) {
            // The rotation keeps the lines of the jokes as they are when it starts.
            ui::WindowPtr self = w.shared_from_this();
            platform::startWorker(
                [banter = f.jokes, self](std::stop_token stop) { rotateBanter(banter, self, stop); });
        }
    } else {
        w[control::kVersionHint].setCaption(updateAvailableMessage());
        w[control::kChangeLog].setVisible(true);
        w[control::kBanter].setVisible(false);
        w[control::kChangeLog].setText(f.changeLog);
    }
    // Tools unpacked earlier are cleared; one still running keeps its file.
    for (const Text& path : listFiles(state.pathIn("Temp"), "*.exe")) platform::deleteFile(path);
}

void checkNotice(ProgramState& state, const ui::WindowPtr& mainWindow, std::stop_token stop) {
    (*mainWindow)[control::kLatestVersion].setCaption(gbk(u8"最新版本号：加载中..."));
    Text notice = fetchShareNote(kNoticeShareLink, kNoticeSharePassword, stop);
    if (stop.stop_requested()) return;
    showNotice(state, *mainWindow, notice);
}

void launchNoticeCheck(ProgramState& state, const ui::WindowPtr& mainWindow) {
    // One check at a time: a click while one runs starts nothing, the running one fills the page.
    if (state.notice.checkRunning.exchange(true)) return;
    platform::startWorker([&state, mainWindow](std::stop_token stop) {
        checkNotice(state, mainWindow, stop);
        state.notice.checkRunning = false;
    });
}

void rotateBanter(const Text& banterText, const ui::WindowPtr& mainWindow, std::stop_token stop) {
    TextArray lines = split(banterText, "\r\n");
    if (lines.empty()) return;
    while (!stop.stop_requested()) {
        platform::seedRandom(platform::tickCount());
        int i = platform::randomInt(1, static_cast<int>(lines.size()));
        (*mainWindow)[control::kBanter].setCaption(lines[static_cast<std::size_t>(i - 1)]);
        if (!sleepUnlessStopped(stop, 3000)) return;
    }
}

void onUpdateIconClicked(ProgramState& state, ui::Window& mainWindow) {
    if (mainWindow[control::kVersionHint].caption() != updateAvailableMessage()) return;
    Text address = resolvers::convertOneDriveBusinessLink(
        parseNoticeFields(state.notice.noticeText.get()).updateAddress);
    if (state.installedReadOnly()) {
        // The package manager owns the installed file: the user fetches the update instead.
        if (isSafeDownloadAddress(address)) platform::openUrl(address);
        return;
    }
    startUpdate(state, address);
}

bool startUpdate(ProgramState& state, const Text& downloadAddress) {
    if (!isSafeDownloadAddress(downloadAddress)) return false;
    Text scriptPath = state.pathIn("Program_Update.sh");
    std::string script = updateScriptPosix(platform::toNativePath(state.exeFileName), downloadAddress);
    if (!platform::writeFile(scriptPath, script)) return false;
    return platform::startDetached("sh", {platform::toNativePath(scriptPath)},
                                   platform::toNativePath(state.runDirectory)) > 0;
}

}  // namespace qx::notice
