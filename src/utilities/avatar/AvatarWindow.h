#pragma once
// AvatarWindow: fetches a QQ account's profile picture, shows it and saves copies of it.
#include <string_view>

#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::avatar {

// The public avatar service.
inline constexpr std::string_view kAvatarHost = "q1.qlogo.cn";

// "http://<host>/g?b=qq&nk=<account as typed>&s=100".
Text avatarUrl(const Text& account);

void bindAvatarWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::avatar
