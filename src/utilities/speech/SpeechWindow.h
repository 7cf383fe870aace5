#pragma once
// SpeechWindow: the handlers of the text-to-speech window, its layout and its descriptor.
#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"
#include "utilities/speech/SpeechControls.h"

namespace qx::speech {

const ui::WindowLayout& speechLayout();
void bindSpeechWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

extern const ui::WindowDescriptor kSpeechWindow;

}  // namespace qx::speech
