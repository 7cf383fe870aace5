#pragma once
// WebTesterWindow: the handlers of the request tester's window.
#include <memory>

#include "state/ProgramState.h"
#include "tester/TesterControls.h"
#include "tester/TesterSession.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"

namespace qx::tester {

// Binds the window's handlers to a session of its own and returns that session.
std::shared_ptr<Session> bindWebTesterSession(const ui::WindowPtr& window, ProgramState& state,
                                              ui::WindowSystem& windows);
void bindWebTesterWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

const ui::WindowLayout& webTesterLayout();

extern const ui::WindowDescriptor kWebTesterWindow;

}  // namespace qx::tester
