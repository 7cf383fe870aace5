#pragma once
// AvatarWindow: fetches a QQ account's profile picture, shows it and saves copies of it.
#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"
#include "utilities/avatar/AvatarFetch.h"

namespace qx::avatar {

// The controls the handlers name, as the layout rows name them.
namespace control {
inline constexpr const char* kAccount = "编辑框EX_QQ号";
inline constexpr const char* kFetch = "按钮EX24";     // "获取头像"
inline constexpr const char* kPicture = "图片框EX1";  // a click saves the picture
inline constexpr const char* kClose = "按钮EX1";
}  // namespace control

const ui::WindowLayout& avatarLayout();

void bindAvatarWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

extern const ui::WindowDescriptor kAvatarWindow;

}  // namespace qx::avatar
