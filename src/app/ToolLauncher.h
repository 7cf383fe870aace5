#pragma once
// The helper programs the program carries: on a click, written under Temp with their fixed
// file names and started.
#include <span>
#include <string_view>

#include "state/ProgramState.h"
#include "ui/Window.h"

namespace qx::app {

struct EmbeddedTool {
    const char* button;        // of the main window
    const char* relativePath;  // appended to runDirectory, e.g. \Temp\Temp_Run.exe
    std::span<const unsigned char> (*bytes)();
};

std::span<const EmbeddedTool> embeddedTools();

// Writes the bytes to runDirectory + relativePath (creating or replacing the file, with the run
// bit) and starts it detached in a process group of its own. Nothing is waited for or reported:
// a missing Temp folder or a file still busy because that tool runs shows nothing, and in the
// busy case the file already there starts again.
void launchEmbeddedTool(const ProgramState& state, std::string_view relativePath,
                        std::span<const unsigned char> bytes);

// Wires the tool buttons of the main window.
void bindToolButtons(const ui::WindowPtr& window, const ProgramState& state);

}  // namespace qx::app
