#pragma once
// The program's own windows: the main window and the about box, their layout rows and the
// controls their handlers name.
#include <span>

#include "ui/WindowDescriptor.h"

namespace qx::app {

// The main window's controls that its handlers name, as the layout rows name them.
namespace control {
inline constexpr const char* kClose = "按钮EX1";  // ends the program
inline constexpr const char* kMinimise = "按钮EX2";
inline constexpr const char* kTabs = "选择夹EX1";
inline constexpr const char* kHomeButton = "按钮EX3";    // "首页": page 0
inline constexpr const char* kToolsButton = "按钮EX5";   // "工具集": page 1
inline constexpr const char* kSystemButton = "按钮EX6";  // "工具集2": page 2
inline constexpr const char* kOwnVersion = "标签EX_版本提示";
inline constexpr const char* kCheckUpdate = "按钮EX7";  // "检查更新"
inline constexpr const char* kUpdateIcon = "图片框EX2";
// The cloud buttons, one per entry of the resolver table in its order.
inline constexpr const char* kCloudButtons[] = {"按钮EX8",  "按钮EX9",  "按钮EX10",
                                                "按钮EX11", "按钮EX12", "按钮EX13"};
// The buttons that open a child window.
inline constexpr const char* kAboutButton = "按钮EX4";
inline constexpr const char* kSiteIconButton = "按钮EX14";
inline constexpr const char* kSpeechButton = "按钮EX16";
inline constexpr const char* kEncoderButton = "按钮EX17";
inline constexpr const char* kTesterButton = "按钮EX18";
inline constexpr const char* kRegexTesterButton = "按钮EX22";
inline constexpr const char* kAvatarButton = "按钮EX24";
inline constexpr const char* kSpeedTestButton = "按钮EX25";
// The buttons that start a helper tool.
inline constexpr const char* kIconExtractButton = "按钮EX23";
inline constexpr const char* kAutostartButton = "按钮EX19";
inline constexpr const char* kProcessKillButton = "按钮EX35";
inline constexpr const char* kIpSwitchButton = "按钮EX36";
inline constexpr const char* kWindowInfoButton = "按钮EX30";
inline constexpr const char* kUnlockButton = "按钮EX31";
inline constexpr const char* kShortLinkButton = "按钮EX20";
inline constexpr const char* kColorPickButton = "按钮EX15";
inline constexpr const char* kExeViewButton = "按钮EX21";
}  // namespace control

// The about box's control its handler names.
namespace about_control {
inline constexpr const char* kCredits = "标签EX2";  // "特别鸣谢": a click shows the credits
}  // namespace about_control

const ui::WindowLayout& mainWindowLayout();
const ui::WindowLayout& aboutLayout();

// The main window as a descriptor: its name, layout and every control its handlers and the
// notice name (it is made by makeMainWindow, so it has no binder).
const ui::WindowDescriptor& mainWindowDescriptor();

extern const ui::WindowDescriptor kAboutWindow;

}  // namespace qx::app
