#pragma once
// The controls of WebTesterWindow that its handlers name, as the layout rows name them.
namespace qx::tester::control {

inline constexpr const char* kClose = "按钮EX1";
inline constexpr const char* kSend = "按钮EX2";  // "发送请求", the running caption while a request runs
inline constexpr const char* kCopy = "按钮EX3";  // "复制"
inline constexpr const char* kCollapse = "按钮EX4";  // "<-"
inline constexpr const char* kExpand = "按钮EX5";    // "->"
inline constexpr const char* kToText = "按钮EX6";    // "取文本"
inline constexpr const char* kTimer = "时钟1";       // the request's seconds
inline constexpr const char* kElapsed = "标签EX10";  // the seconds, or the limit's text
inline constexpr const char* kPictureSize = "标签EX_图片大小";
inline constexpr const char* kPictureDimensions = "标签EX1";  // "宽：… 高：…"
inline constexpr const char* kPicture = "图片框EX1";
inline constexpr const char* kAddress = "编辑框EX_原网址";
inline constexpr const char* kHeaders = "编辑框EX_协议头";
inline constexpr const char* kBody = "编辑框EX_提交数据";
inline constexpr const char* kCookies = "编辑框EX_Cookie";
inline constexpr const char* kAnswer = "编辑框EX_最后文本";
inline constexpr const char* kGet = "单选框EX1";
inline constexpr const char* kPost = "单选框EX2";
inline constexpr const char* kNoRedirect = "选择框EX1";   // "禁止重定向"
inline constexpr const char* kUtf8 = "选择框EX2";         // "UTF8解码"
inline constexpr const char* kTenDigits = "选择框EX3";    // "10位随机时间戳"
inline constexpr const char* kSimplified = "选择框EX4";   // "繁化简"
inline constexpr const char* kPictureView = "选择框EX6";  // "图片扩展"
inline constexpr const char* kTimeLimit = "选择框EX7";    // "自动超时"

}  // namespace qx::tester::control
