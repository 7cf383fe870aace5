#pragma once
// ResolverWindow: share link and password in, direct address out, for the service the main
// window's cloud buttons chose.
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::resolvers {

void bindResolverWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::resolvers
