#pragma once
// The controls of RegexTesterWindow that its handlers name, as the layout rows name them.
namespace qx::regextester::control {

inline constexpr const char* kPattern = "编辑框EX_正则文本";
inline constexpr const char* kSubject = "编辑框EX_原文本";
inline constexpr const char* kOutput = "编辑框EX_输出文本";
inline constexpr const char* kMatch = "按钮EX3";  // "匹配"
inline constexpr const char* kClose = "按钮EX1";

}  // namespace qx::regextester::control
