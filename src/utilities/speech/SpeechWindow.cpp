#include "utilities/speech/SpeechWindow.h"

#include <memory>
#include <stop_token>

#include "utilities/speech/SpeechFetch.h"
#include "utilities/speech/SpeechPlayback.h"

namespace qx::speech {

void bindSpeechWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    // Handlers live inside the window: they hold it weakly. The closing source outlives the
    // window in the tokens of fetches still running.
    std::weak_ptr<ui::Window> weak = window;
    auto closing = std::make_shared<std::stop_source>();
    window->onClick("按钮EX2", [weak, &state, &windows, closing] {
        if (auto w = weak.lock()) convertToSpeech(w, state, windows, closing->get_token());
    });
    window->onClick("按钮EX3", [weak, &windows] {
        if (auto w = weak.lock()) importSpeechText(*w, windows);
    });
    window->onClick("按钮EX4", [weak, &state, &windows] {
        if (auto w = weak.lock()) playSpeech(w, state, windows);
    });
    window->onClick("按钮EX5", [weak, &state, &windows] {
        if (auto w = weak.lock()) saveSpeechAs(*w, state, windows);
    });
    window->onClick("按钮EX1", [weak, &windows, closing] {
        if (auto w = weak.lock()) closeSpeechWindow(w, windows, *closing);
    });
}

}  // namespace qx::speech
