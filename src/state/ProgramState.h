#pragma once
// The program-wide variables, one instance for the whole run, passed by reference: paths,
// version, skin, the notice's texts, the chosen service. A feature's working state lives in its
// own folder (its session). Every value is safe for concurrent use (atomics, Shared<T>).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

#include "core/Shared.h"
#include "core/Text.h"
#include "platform/system/VersionRecord.h"
#include "resolvers/Service.h"

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
    // The service of the cloud button clicked last; Service{} before the first.
    std::atomic<resolvers::Service> selectedResolverService{};
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

    Text exePath() const;                          // runDirectory + separator + exeFileName
    Text pathIn(std::string_view relative) const;  // workDirectory + separator + relative
    Text currentVersion() const;                   // the record's "FileVersion"

    // Fills runDirectory and exeFileName from an executable path (GBK text).
    void setExecutablePath(std::string_view path);
};

}  // namespace qx
