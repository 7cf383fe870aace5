#pragma once
// The encode side of EncoderWindow: "编码" fills the URL, UTF-8, Ansi and "%u" boxes from the
// input, "粘贴" replaces the input with the clipboard's text.
#include "core/Text.h"
#include "ui/WindowSystem.h"

namespace qx::encoder {

// Each UTF-16 unit of the text as prefix + four upper-case hexadecimal digits (high byte
// first); a character outside the BMP gives two, one per surrogate.
Text escapeUtf16(const Text& text, const Text& prefix);

// Lets the window handle what the user typed or pasted just before, once.
void processPendingInput(ui::WindowSystem& windows);

void encodeAll(ui::Window& window, ui::WindowSystem& windows);
void pasteInput(ui::Window& window, ui::WindowSystem& windows);

// Registers encodeAll and pasteInput as the click handlers of "编码" and "粘贴".
void registerEncodeHandlers(ui::Window& window, ui::WindowSystem& windows);

}  // namespace qx::encoder
