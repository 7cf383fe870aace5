#pragma once
// The toolbox's look for the tools: the same day or night skin as the main program's windows
// (chosen by the hour when the tool starts), the same fonts, and matching controls.
#include <QImage>
#include <QString>
#include <functional>

class QApplication;
class QWidget;

namespace qx::tools {

// Night from 20:00 to 07:59, day from 08:00 to 19:59, as the main program chooses.
bool isNightHour(int hour);
QImage skinImage(bool night);

// Fonts, style and control colours; call once after the application object exists.
void applyToolboxLook(QApplication& app);

// The usual main(): the application with the toolbox look, the window made by `makeWindow`,
// shown, then the event loop.
int runTool(int argc, char** argv, const QString& name, const std::function<QWidget*()>& makeWindow);

}  // namespace qx::tools
