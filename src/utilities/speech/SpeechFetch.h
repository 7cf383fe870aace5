#pragma once
// The fetch side of SpeechWindow: "转换" asks the text-to-speech service for an MP3 of the
// text and keeps the answer as the speech file; "导入" loads a text file into the text box.
#include <memory>
#include <stop_token>
#include <string_view>

#include "core/Text.h"
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"
#include "utilities/speech/SpeechSession.h"

namespace qx::speech {

// The public host of the text-to-speech service.
inline constexpr std::string_view kSpeechHost = "tts.baidu.com";

// Temp/audio.mp3 under the program directory.
Text speechFilePath(const ProgramState& state);
// The request address for a text (the whole text, spaces included, as UTF-8 percent escapes).
Text speechRequestUrl(const Text& text);
// The service's answer for the text (an MP3, or whatever it sent instead); empty bytes when the
// fetch failed or was stopped.
ByteArray fetchSpeechAudio(const Text& text, std::stop_token stop);

// The worker's body: reads the text box, fetches, writes the speech file, sets the captions
// of "转换". A stop request ends the fetch and leaves no file; a closed window gets no writes.
void fetchSpeech(ui::Window& window, ProgramState& state, ui::WindowSystem& windows, std::stop_token stop);
// Click handler of "转换": starts one fetch worker, unless one runs already. windowClosing
// stops that fetch when the window closes.
void convertToSpeech(const ui::WindowPtr& window, ProgramState& state,
                     const std::shared_ptr<Session>& session, ui::WindowSystem& windows,
                     std::stop_token windowClosing);
// Click handler of "导入".
void importSpeechText(ui::Window& window, ui::WindowSystem& windows);

}  // namespace qx::speech
