#pragma once
// The playback side of SpeechWindow: ">" plays the speech file, "另存" saves a copy of it, and
// closing the window stops the sound first.
#include <memory>
#include <stop_token>
#include <string_view>

#include "core/Text.h"
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"
#include "utilities/speech/SpeechSession.h"

namespace qx::speech {

// The one audio device alias of the program.
inline constexpr std::string_view kSpeechAlias = "1";

// Closes the alias, opens path under it and plays it; with wait, returns when the audio has
// ended or another command closed the device. True when the play command succeeded.
bool playAudioFile(const Text& path, const Text& alias, bool wait);
// Stops and releases the device of the alias; true when there was one.
bool stopAudio(const Text& alias);

// The worker's body: refuses during a fetch, shows "| |" while playing and ">" afterwards.
void playSpeechWorker(ui::Window& window, const ProgramState& state, Session& session,
                      ui::WindowSystem& windows);
// Click handler of ">": starts one playback worker.
void playSpeech(const ui::WindowPtr& window, const ProgramState& state,
                const std::shared_ptr<Session>& session, ui::WindowSystem& windows);
// Click handler of "另存": the export flow's copy variant.
void saveSpeechAs(ui::Window& window, const ProgramState& state, ui::WindowSystem& windows);
// Click handler of the close button: stops the sound, destroys the window, ends a running fetch.
void closeSpeechWindow(const ui::WindowPtr& window, ui::WindowSystem& windows, std::stop_source& closing);

}  // namespace qx::speech
