#pragma once
// EncoderWindow: the handlers of the encoding converter's window.
#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"
#include "utilities/encoder/EncoderControls.h"

namespace qx::encoder {

const ui::WindowLayout& encoderLayout();

void bindEncoderWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

extern const ui::WindowDescriptor kEncoderWindow;

}  // namespace qx::encoder
