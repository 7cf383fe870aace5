#pragma once
// The encode side of EncoderWindow: "编码" fills the URL, UTF-8, Ansi and "%u" boxes from the
// input, "粘贴" replaces the input with the clipboard's text.
#include "core/Text.h"
#include "ui/WindowSystem.h"

namespace qx::encoder {

// Each UTF-16 unit of the text as prefix + four upper-case hexadecimal digits (high byte
// first); a character outside the BMP gives two, one per surrogate.
Text escapeUtf16(const Text& text, const Text& prefix);

// The four outputs of "编码" for one input.
struct EncodedTexts {
    Text url;      // GBK bytes percent-encoded
    Text utf8;     // the UTF-8 bytes shown as they are
    Text ansi;     // the input's bytes read as UTF-8
    Text unicode;  // "%u" escapes of the UTF-16 units
};
EncodedTexts encodeText(const Text& input);

// Lets the window handle what the user typed or pasted just before, once.
void processPendingInput(ui::WindowSystem& windows);

void encodeAll(ui::Window& window, ui::WindowSystem& windows);
void pasteInput(ui::Window& window, ui::WindowSystem& windows);

// Registers encodeAll and pasteInput as the click handlers of "编码" and "粘贴".
void registerEncodeHandlers(ui::Window& window, ui::WindowSystem& windows);

}  // namespace qx::encoder
