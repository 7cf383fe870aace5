#pragma once
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::app {

// Fills the two path values from the running executable, makes the start folder current and
// picks the folder for Temp and the scripts.
void initialiseProgramState(ProgramState& state);

// The current directory at start, where the file dialogs open: runDirectory when it is writable
// (a build folder, a portable copy); otherwise the user's folder when it exists.
Text chooseStartDirectory(const Text& runDirectory, const Text& userDirectory);

// runDirectory when it is writable (a build folder, a portable copy); otherwise
// cacheDirectory/quorvex, created on first use.
Text chooseWorkDirectory(const Text& runDirectory, const Text& cacheDirectory);

// Seeds the random generator, creates the Temp folder and opens the main window.
void startUp(ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::app
