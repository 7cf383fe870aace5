#pragma once
// The program's Qt application: creates it, runs start-up on the UI thread, then the event
// loop until no window of the program is left.
#include <functional>
#include <vector>

#include "ui/WindowSystem.h"

class QApplication;
class QString;

namespace qx::ui::qt {

// firstPictures: what the first window will show, decoded meanwhile on another thread.
int runApplication(int argc, char** argv, const std::function<void(qx::ui::WindowSystem&)>& startUp,
                   const std::vector<std::vector<unsigned char>>& firstPictures = {});

// Qt's own texts (file dialogs, standard buttons) in Simplified Chinese whatever the session's
// language, and numbers in the C library with a decimal point. Call right after making the app.
void speakChinese(QApplication& app);

// Fonts and style the windows expect (also for tests that make their own application).
void setUpApplication(QApplication& app);

// The family to draw a layout's font with: the installed stand-in for the Windows font the
// layouts name, any other name as it is.
QString uiFontFamily(const QString& requested);

}  // namespace qx::ui::qt
