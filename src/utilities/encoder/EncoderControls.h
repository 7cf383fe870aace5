#pragma once
// The controls of EncoderWindow that its handlers name, as the layout rows name them.
namespace qx::encoder::control {

inline constexpr const char* kInput = "编辑框EX_原文本";
inline constexpr const char* kUtf8Decode = "单选框EX1";    // "UTF8解码"
inline constexpr const char* kUrlDecode = "单选框EX2";     // "URL解码"
inline constexpr const char* kEscapeDecode = "单选框EX3";  // "usc2解码"
inline constexpr const char* kPaste = "按钮EX4";           // "粘贴"
inline constexpr const char* kEncode = "按钮EX2";          // "编码"
inline constexpr const char* kDecode = "按钮EX3";          // "解码"
inline constexpr const char* kUrl = "编辑框EX_URL";
inline constexpr const char* kUtf8 = "编辑框EX_UTF8";
inline constexpr const char* kAnsi = "编辑框EX_Ansi";
inline constexpr const char* kEscapes = "编辑框EX_usc2";
inline constexpr const char* kDecoded = "编辑框EX_解码文本";  // hidden until the first decode

}  // namespace qx::encoder::control
