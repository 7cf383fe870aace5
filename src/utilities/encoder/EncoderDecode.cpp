#include "utilities/encoder/EncoderDecode.h"

#include "text/Decoders.h"
#include "text/Strings.h"
#include "utilities/encoder/EncoderControls.h"

namespace qx::encoder {

using namespace control;

void decodeClicked(ui::Window& window) {
    window.setHeight(668);
    ui::Control output = window.control(kDecoded);
    output.setVisible(true);
    Text input = window.control(kInput).text();
    if (window.control(kUtf8Decode).checked()) output.setText(decodeUtf8Bytes(input));
    if (window.control(kUrlDecode).checked()) output.setText(decodePercent(input));
    if (window.control(kEscapeDecode).checked()) output.setText(decodeUnicodeEscapes(input));
}

void registerDecodeHandler(ui::Window& window) {
    // The handler lives inside the window, so the window outlives every call of it.
    ui::Window* self = &window;
    window.onClick(kDecode, [self] { decodeClicked(*self); });
}

}  // namespace qx::encoder
