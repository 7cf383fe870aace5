#pragma once
// The program-wide variables, one instance for the whole run, passed by reference.
#include <atomic>

#include "app/Shared.h"
#include "app/text/Text.h"
#include "platform/system/VersionRecord.h"

namespace qx {

struct ProgramState {
    // Fixed at start from the executable's own path (GBK texts).
    Text runDirectory;  // without a trailing separator
    Text exeFileName;

    std::atomic<int> selectedResolverService {0};
    Shared<Text> noticeText;
    Shared<platform::VersionFields> ownVersionInfo;
    Shared<Text> speedTestLink;
    Shared<Text> banterText;
    std::atomic<bool> banterRotationStarted {false};
    Shared<ByteArray> windowSkinImage;
    Shared<TextArray> headerNames;
    Shared<TextArray> headerValues;

    // The web tester's own state.
    Shared<ByteArray> testerResponseBytes;
    Shared<Text> testerResponseText;
    std::atomic<bool> testerRequestRunning {false};
    std::atomic<int> testerElapsedSeconds {0};

    // The speed test's own state.
    Shared<TextArray> speedTestSamples;
    std::atomic<bool> speedTestRunning {false};

    Text exePath() const;                        // runDirectory + separator + exeFileName
    Text pathIn(std::string_view relative) const;  // runDirectory + separator + relative
    Text currentVersion() const;                 // the record's "FileVersion"

    // Fills runDirectory and exeFileName from an executable path (GBK text).
    void setExecutablePath(std::string_view path);
};

}  // namespace qx
