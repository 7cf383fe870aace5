// The yardstick: the least a Qt program does to show a borderless window of the same size.
// Built a second time with QX_CAPTION, the same window with one caption in Chinese: the least any
// program pays to draw Chinese text (fontconfig's set-up, a CJK font, shaping).
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <unistd.h>

#include <cstdlib>

#include "ShownSignal.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.setFixedSize(732, 354);
    w.move(50, 50);
#ifdef QX_CAPTION
    QLabel caption(QStringLiteral("Quorvex工具箱"), &w);
    caption.move(12, 8);
#endif
    w.show();
    QTimer::singleShot(0, [] {
        QCoreApplication::processEvents();
        signalShown();  // the benchmark's clock stops here
        std::_Exit(0);
    });
    return app.exec();
}
