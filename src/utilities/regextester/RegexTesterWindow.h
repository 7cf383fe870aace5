#pragma once
// RegexTesterWindow: the handlers of the regular-expression tester's window.
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::regextester {

void bindRegexTesterWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::regextester
