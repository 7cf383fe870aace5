#include "utilities/encoder/EncoderWindow.h"

#include "ui/LayoutRows.h"
#include "utilities/encoder/EncoderDecode.h"
#include "utilities/encoder/EncoderEncode.h"

namespace qx::encoder {

using namespace control;

const ui::WindowLayout& encoderLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout = [] {
        ui::WindowLayout l = window("EncoderWindow", "", 685, 517, "编码转换UI",
                                    {
                                        label("标签EX1", "原文本：", 24, 24, 64, 16),
                                        edit("编辑框EX_原文本", 24, 48, 640, 216),
                                        radio("单选框EX1", "UTF8解码", 24, 272, 88, 32),
                                        radio("单选框EX2", "URL解码", 112, 272, 80, 32),
                                        radio("单选框EX3", "usc2解码", 192, 272, 88, 32),
                                        button("按钮EX4", "粘贴", 312, 272, 108, 32),
                                        button("按钮EX2", "编码", 432, 272, 108, 32),
                                        button("按钮EX3", "解码", 552, 272, 108, 32),
                                        label("标签EX2", "URL：", 24, 320, 48, 24),
                                        edit("编辑框EX_URL", 72, 312, 591, 40),
                                        label("标签EX3", "UTF8：", 24, 368, 48, 24),
                                        edit("编辑框EX_UTF8", 72, 360, 591, 40),
                                        label("标签EX4", "Ansi：", 24, 416, 48, 24),
                                        edit("编辑框EX_Ansi", 72, 408, 591, 40),
                                        label("标签EX5", "usc2：", 24, 464, 48, 24),
                                        edit("编辑框EX_usc2", 72, 456, 591, 40),
                                        // Below the first height; decoding grows the window and shows it.
                                        edit("编辑框EX_解码文本", 24, 508, 640, 136).hidden(),
                                        closeButton(648, 16),
                                    });
        l.grownHeight = 668;
        return l;
    }();
    return layout;
}

void bindEncoderWindow(const ui::WindowPtr& window, ProgramState&, ui::WindowSystem& windows) {
    registerDecodeHandler(*window);
    registerEncodeHandlers(*window, windows);
}

namespace {
using K = ui::ControlKind;
constexpr ui::ControlRef kControls[] = {
    {kInput, K::EditBox},         {kUtf8Decode, K::RadioButton},
    {kUrlDecode, K::RadioButton}, {kEscapeDecode, K::RadioButton},
    {kPaste, K::Button},          {kEncode, K::Button},
    {kDecode, K::Button},         {kUrl, K::EditBox},
    {kUtf8, K::EditBox},          {kAnsi, K::EditBox},
    {kEscapes, K::EditBox},       {kDecoded, K::EditBox},
};
}  // namespace

const ui::WindowDescriptor kEncoderWindow{"EncoderWindow", encoderLayout, bindEncoderWindow, kControls};

}  // namespace qx::encoder
