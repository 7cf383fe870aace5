#pragma once
// SiteIconWindow: fetches a site's "/favicon.ico", shows it as PNG with its size and saves it.
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::siteicon {

void bindSiteIconWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::siteicon
