#pragma once
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::app {

// Fills the two path values from the running executable and makes its folder current.
void initialiseProgramState(ProgramState& state);

// Seeds the random generator, creates the Temp folder and opens the main window.
void startUp(ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::app
