#pragma once
// The main window: its creation handler and every button that is not a tool launcher.
#include <functional>

#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::app {

// Creates the main window, registers its handlers and opens it modeless.
void openMainWindow(ProgramState& state, ui::WindowSystem& windows);

// The main window with its handlers, not opened yet. `hour` returns the local hour (0-23) for
// the skin choice; empty: the system clock.
ui::WindowPtr makeMainWindow(ProgramState& state, ui::WindowSystem& windows, std::function<int()> hour = {});

// Night from 20:00 to 07:59, day from 08:00 to 19:59.
bool isNightHour(int hour);
ByteArray skinForHour(int hour);
// The pictures the main window opens with at that hour (empty: the system clock's): its layout's
// and its skin.
std::vector<ByteArray> mainWindowPictures(int hour = -1);

// Creation: skin by the hour, own version, first page, version label, joke rotation reset,
// notice check started.
void onMainWindowCreated(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows,
                         int hour);

// The about box: its credits label (its close button is wired like every child window's).
Text creditsText();
void bindAboutWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::app
