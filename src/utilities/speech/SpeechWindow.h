#pragma once
// SpeechWindow: the handlers of the text-to-speech window, its layout and its descriptor.
#include <memory>

#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"
#include "utilities/speech/SpeechControls.h"
#include "utilities/speech/SpeechSession.h"

namespace qx::speech {

const ui::WindowLayout& speechLayout();
// Binds the window's handlers to a session of its own and returns that session.
std::shared_ptr<Session> bindSpeechSession(const ui::WindowPtr& window, ProgramState& state,
                                           ui::WindowSystem& windows);
void bindSpeechWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

extern const ui::WindowDescriptor kSpeechWindow;

}  // namespace qx::speech
