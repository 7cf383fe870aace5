// 屏幕取色: the colour of any pixel of the screen.
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include "colorpick/ColorPickWindow.h"
#include "common/Look.h"

int main(int argc, char** argv) {
    return qx::tools::runTool(argc, argv, QStringLiteral("屏幕取色"), [] {
        auto* window = new qx::colorpick::ColorPickWindow;
        // --pick: pick at once, for a keyboard shortcut of the desktop that starts the picker.
        if (QCoreApplication::arguments().contains(QStringLiteral("--pick")))
            QTimer::singleShot(300, window, [window] { window->pickNow(); });
        return window;
    });
}
