#pragma once
// RegexTesterWindow: the handlers of the regular-expression tester's window.
#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"
#include "utilities/regextester/RegexTesterControls.h"

namespace qx::regextester {

const ui::WindowLayout& regexTesterLayout();

void bindRegexTesterWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

extern const ui::WindowDescriptor kRegexTesterWindow;

}  // namespace qx::regextester
