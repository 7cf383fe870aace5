#include "utilities/encoder/EncoderWindow.h"

#include "utilities/encoder/EncoderDecode.h"
#include "utilities/encoder/EncoderEncode.h"

namespace qx::encoder {

void bindEncoderWindow(const ui::WindowPtr& window, ProgramState&, ui::WindowSystem& windows) {
    registerDecodeHandler(*window);
    registerEncodeHandlers(*window, windows);
}

}  // namespace qx::encoder
