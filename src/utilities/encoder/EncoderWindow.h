#pragma once
// EncoderWindow: the handlers of the encoding converter's window.
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::encoder {

void bindEncoderWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::encoder
