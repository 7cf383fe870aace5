#pragma once
// WebTesterWindow: the handlers of the request tester's window.
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::tester {

void bindWebTesterWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::tester
