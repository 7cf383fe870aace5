#pragma once
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::app {

// Fills the two path values from the running executable, makes its folder current and picks
// the folder for Temp and the scripts.
void initialiseProgramState(ProgramState& state);

// runDirectory when it is writable (a build folder, a portable copy); otherwise
// cacheDirectory/quorvex, created on first use.
Text chooseWorkDirectory(const Text& runDirectory, const Text& cacheDirectory);

// Seeds the random generator, creates the Temp folder and opens the main window.
void startUp(ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::app
