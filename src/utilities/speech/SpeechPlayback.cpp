#include "utilities/speech/SpeechPlayback.h"

#include "platform/audio/Mci.h"
#include "platform/system/Files.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "ui/FileDialogs.h"
#include "ui/PumpingDelay.h"
#include "ui/WindowTask.h"
#include "utilities/speech/SpeechControls.h"
#include "utilities/speech/SpeechFetch.h"

namespace qx::speech {

bool playAudioFile(const Text& path, const Text& alias, bool wait) {
    platform::mciSendString("close " + alias);
    // A folder of the path may hold a quote (Linux allows it): written twice, it stays in the word.
    platform::mciSendString("open \"" + replaceAll(path, "\"", "\"\"") + "\" alias " + alias);
    return platform::mciSendString("play " + alias + (wait ? " wait" : "")) == platform::kMciOk;
}

bool stopAudio(const Text& alias) { return platform::mciSendString("close " + alias) == platform::kMciOk; }

void playSpeechWorker(ui::Window& window, const ProgramState& state, Session& session,
                      ui::WindowSystem& windows) {
    if (window.control(control::kConvert).caption() == gbk(u8"转换中")) return;
    ui::Control button = window.control(control::kPlay);
    const unsigned ticket = ++session.playTicket;
    if (!window.destroyed()) button.setCaption("| |");
    ui::pumpingDelay(windows, 100);
    playAudioFile(speechFilePath(state), Text(kSpeechAlias), true);
    // A later playback released this one and now shows its own state; a closed window gets
    // nothing.
    if (session.playTicket == ticket && !window.destroyed()) button.setCaption(">");
}

void playSpeech(const ui::WindowPtr& window, const ProgramState& state,
                const std::shared_ptr<Session>& session, ui::WindowSystem& windows) {
    // No thread to be had: nothing plays, the button stays at rest, the window says so.
    ui::startWindowTask(windows, *window, [window, &state, session, &windows](std::stop_token) {
        playSpeechWorker(*window, state, *session, windows);
    });
}

void saveSpeechAs(ui::Window& window, const ProgramState& state, ui::WindowSystem& windows) {
    const Text file = speechFilePath(state);
    if (!platform::fileExists(file)) return;
    ui::ExportRequest request;
    request.defaultName = "audio.mp3";
    request.filter = "*.mp3";
    request.keepDirectory = true;
    request.transfer = ui::ExportTransfer::Copy;
    request.sourcePath = file;
    request.blankPathIsCancel = true;
    ui::exportWithReplacePrompt(windows, window, request);
}

void closeSpeechWindow(const ui::WindowPtr& window, ui::WindowSystem& windows, std::stop_source& closing) {
    stopAudio(Text(kSpeechAlias));
    ui::pumpingDelay(windows, 100);
    windows.destroy(window);
    // After the destroy, so a fetch it ends finds the window gone and leaves it alone.
    closing.request_stop();
}

}  // namespace qx::speech
