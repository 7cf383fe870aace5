#include "utilities/encoder/EncoderWindow.h"

#include "utilities/encoder/EncoderDecode.h"

namespace qx::encoder {

void bindEncoderWindow(const ui::WindowPtr& window, ProgramState&, ui::WindowSystem&) {
    registerDecodeHandler(*window);
}

}  // namespace qx::encoder
