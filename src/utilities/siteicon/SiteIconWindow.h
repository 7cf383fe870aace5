#pragma once
// SiteIconWindow: fetches a site's "/favicon.ico", shows it as PNG with its size and saves it.
#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"

namespace qx::siteicon {

// The controls the handlers name, as the layout rows name them.
namespace control {
inline constexpr const char* kAddress = "编辑框EX2";
inline constexpr const char* kFetch = "按钮EX3";      // "获取图标"
inline constexpr const char* kPicture = "图片框EX1";  // a click saves the icon
inline constexpr const char* kSize = "标签EX3";       // the icon's size
inline constexpr const char* kClose = "按钮EX1";
}  // namespace control

const ui::WindowLayout& siteIconLayout();

void bindSiteIconWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

extern const ui::WindowDescriptor kSiteIconWindow;

}  // namespace qx::siteicon
