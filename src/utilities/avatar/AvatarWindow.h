#pragma once
// AvatarWindow: fetches a QQ account's profile picture, shows it and saves copies of it.
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"
#include "utilities/avatar/AvatarFetch.h"

namespace qx::avatar {

void bindAvatarWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::avatar
