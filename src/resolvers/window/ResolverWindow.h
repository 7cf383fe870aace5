#pragma once
// ResolverWindow: share link and password in, direct address out, for the service the main
// window's cloud buttons chose.
#include <memory>

#include "resolvers/ResolveContext.h"
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::resolvers {

void bindResolverWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

// The work of one "生成": runs the service's resolver and writes its result into the result box,
// unless the window was closed meanwhile or the context was stopped (a late result is dropped).
void resolveIntoWindow(const std::weak_ptr<ui::Window>& window, int service, const Text& link,
                       const Text& password, const ResolveContext& context);

}  // namespace qx::resolvers
