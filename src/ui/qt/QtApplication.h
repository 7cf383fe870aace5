#pragma once
// The program's Qt application: creates it, runs start-up on the UI thread, then the event
// loop until no window of the program is left.
#include <functional>

#include "ui/WindowSystem.h"

class QApplication;

namespace qx::ui::qt {

int runApplication(int argc, char** argv, const std::function<void(qx::ui::WindowSystem&)>& startUp);

// Fonts and style the windows expect (also for tests that make their own application).
void setUpApplication(QApplication& app);

}  // namespace qx::ui::qt
