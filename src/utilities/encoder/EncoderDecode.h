#pragma once
// The decode side of EncoderWindow: the "解码" button and its three radio buttons.
#include "ui/Window.h"

namespace qx::encoder {

// Grows the window to show the output box and fills it with the input decoded as the checked
// radio button says; with none checked the box keeps its text.
void decodeClicked(ui::Window& window);

// Registers decodeClicked as the click handler of the "解码" button.
void registerDecodeHandler(ui::Window& window);

}  // namespace qx::encoder
