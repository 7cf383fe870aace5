#pragma once
// The controls of SpeechWindow that its handlers name, as the layout rows name them.
namespace qx::speech::control {

inline constexpr const char* kText = "编辑框EX_文本";
inline constexpr const char* kImport = "按钮EX3";   // "导入"
inline constexpr const char* kConvert = "按钮EX2";  // "转换", "转换中" while fetching
inline constexpr const char* kPlay = "按钮EX4";     // ">", "| |" while playing
inline constexpr const char* kSaveAs = "按钮EX5";   // "另存"
inline constexpr const char* kClose = "按钮EX1";

}  // namespace qx::speech::control
