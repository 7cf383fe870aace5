#include "utilities/encoder/EncoderDecode.h"

#include "text/Decoders.h"
#include "text/Strings.h"

namespace qx::encoder {

void decodeClicked(ui::Window& window) {
    window.setHeight(668);
    ui::Control output = window.control("编辑框EX_解码文本");
    output.setVisible(true);
    Text input = window.control("编辑框EX_原文本").text();
    if (window.control("单选框EX1").checked()) output.setText(decodeUtf8Bytes(input));
    if (window.control("单选框EX2").checked()) output.setText(decodePercent(input));
    if (window.control("单选框EX3").checked()) output.setText(decodeUnicodeEscapes(input));
}

void registerDecodeHandler(ui::Window& window) {
    // The handler lives inside the window, so the window outlives every call of it.
    ui::Window* self = &window;
    window.onClick("按钮EX3", [self] { decodeClicked(*self); });
}

}  // namespace qx::encoder
