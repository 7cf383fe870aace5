#pragma once
// SpeechWindow: the handlers of the text-to-speech window.
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::speech {

void bindSpeechWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::speech
