#include "ui/qt/QtApplication.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

#include "ui/qt/QtWindowSystem.h"
#include "text/Strings.h"

namespace qx::ui::qt {

void setUpApplication(QApplication& app) {
    // The layouts name the Windows font; here the CJK font stands in where it is missing.
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"),
                               {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei")});
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), {QStringLiteral("WenQuanYi Micro Hei")});
    QFont f;
    f.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("sans-serif")});
    f.setPixelSize(12);
    app.setFont(f);
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    app.setQuitOnLastWindowClosed(false);  // only our own windows count
}

int runApplication(int argc, char** argv, const std::function<void(qx::ui::WindowSystem&)>& startUp) {
    QApplication app(argc, argv);
    setUpApplication(app);
    QtWindowSystem windows;
    windows.onLastWindowClosed([] { QCoreApplication::quit(); });
    startUp(windows);
    if (windows.openWindows().empty()) return 0;
    app.exec();
    return 0;
}

}  // namespace qx::ui::qt
