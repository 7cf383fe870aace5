#pragma once
// The program-wide variables, one instance for the whole run, passed by reference. One section
// per feature; every value is safe for concurrent use (atomics, Shared<T>).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

#include "core/Shared.h"
#include "core/Text.h"
#include "platform/system/VersionRecord.h"

namespace qx {

struct NoticeState {
    Shared<Text> noticeText;
    Shared<Text> speedTestLink;
    Shared<Text> banterText;
    std::atomic<bool> banterRotationStarted{false};
    Shared<TextArray> headerNames;
    Shared<TextArray> headerValues;
    // At most one check runs at a time; a trigger while one runs starts nothing new.
    std::atomic<bool> checkRunning{false};
};

struct ResolverState {
    std::atomic<int> selectedResolverService{0};
};

// One request of the web tester. Its answer, the user's cancel and the time limit race to end
// it; whoever sets `ended` first under the lock decides what the window shows.
struct TesterRequestRun {
    std::mutex mutex;
    std::stop_source stop;
    bool ended = false;
};

struct TesterState {
    std::atomic<int> testerMethod{0};  // 0 GET, 1 POST
    std::atomic<int> requestElapsedSeconds{0};
    Shared<std::shared_ptr<TesterRequestRun>> requestThread;  // the latest request, running or ended
    Shared<ByteArray> lastResponseBytes;
    Shared<Text> savedPageText;  // the 取文本 toggle's page as it was before the conversion
};

struct ProgramState {
    // Fixed at start from the executable's own path (GBK texts).
    Text runDirectory;  // without a trailing separator
    Text exeFileName;
    // The folder that holds Temp and the scripts: runDirectory, or the user's cache folder when
    // the program is installed where the user cannot write (empty: runDirectory).
    Text workDirectory;
    // Installed read-only: an update goes through the browser, never over a packaged file.
    bool installedReadOnly() const { return !workDirectory.empty() && workDirectory != runDirectory; }

    Shared<platform::VersionFields> ownVersionInfo;
    Shared<ByteArray> windowSkinImage;

    NoticeState notice;
    ResolverState resolver;
    TesterState tester;

    Text exePath() const;                          // runDirectory + separator + exeFileName
    Text pathIn(std::string_view relative) const;  // workDirectory + separator + relative
    Text currentVersion() const;                   // the record's "FileVersion"

    // Fills runDirectory and exeFileName from an executable path (GBK text).
    void setExecutablePath(std::string_view path);
};

}  // namespace qx
