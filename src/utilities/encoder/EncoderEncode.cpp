#include "utilities/encoder/EncoderEncode.h"

#include "text/CodePages.h"
#include "text/UrlEncode.h"
#include "utilities/encoder/EncoderControls.h"

namespace qx::encoder {

Text escapeUtf16(const Text& text, const Text& prefix) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::u16string units = bytesToUnits(gbkToUtf16(text, true));
    Text out;
    out.reserve(units.size() * (prefix.size() + 4));
    for (char16_t u : units) {
        out += prefix;
        out += kHex[(u >> 12) & 15];
        out += kHex[(u >> 8) & 15];
        out += kHex[(u >> 4) & 15];
        out += kHex[u & 15];
    }
    return out;
}

void processPendingInput(ui::WindowSystem& windows) { windows.processPendingEvents(); }

EncodedTexts encodeText(const Text& input) {
    EncodedTexts out;
    out.url = urlEncodeText(input, true, false);
    // The UTF-8 bytes shown as they are (the conversion ends at a zero byte).
    out.utf8 = toText(utf16ToBytes(codePageToUtf16(input, 936), 65001));
    // The input's bytes read as UTF-8; what is not UTF-8 comes out as replacement characters.
    out.ansi = utf8ToText(input);
    out.unicode = escapeUtf16(input, "%u");
    return out;
}

void encodeAll(ui::Window& window, ui::WindowSystem& windows) {
    processPendingInput(windows);
    const EncodedTexts out = encodeText(window.control(control::kInput).text());
    window.control(control::kUrl).setText(out.url);
    window.control(control::kUtf8).setText(out.utf8);
    window.control(control::kAnsi).setText(out.ansi);
    window.control(control::kEscapes).setText(out.unicode);
}

void pasteInput(ui::Window& window, ui::WindowSystem& windows) {
    window.control(control::kInput).setText(windows.clipboardText());
}

void registerEncodeHandlers(ui::Window& window, ui::WindowSystem& windows) {
    // The handlers live inside the window, so the window outlives every call of them.
    ui::Window* self = &window;
    window.onClick(control::kEncode, [self, &windows] { encodeAll(*self, windows); });
    window.onClick(control::kPaste, [self, &windows] { pasteInput(*self, windows); });
}

}  // namespace qx::encoder
