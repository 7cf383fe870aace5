#pragma once
// Where the main window starts the online-notice check: at its creation and on "检查更新".
#include "app/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx {

// Starts one notice check on a new worker thread and returns at once; several may overlap.
// The notice module supplies the body (NoticeHook.cpp); until it does, nothing is checked.
void startNoticeCheck(ProgramState& state, const ui::WindowPtr& mainWindow, ui::WindowSystem& windows);

}  // namespace qx
