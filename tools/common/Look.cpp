#include "common/Look.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QStyleFactory>
#include <QTranslator>
#include <QWidget>
#include <clocale>
#include <cstdio>
#include <span>
#include <string>

#include "platform/system/InputMethod.h"

namespace qx::res {
// Linked in by quorvex_embed (CMakeLists.txt): the main program's two skin pictures.
std::span<const unsigned char> toolDaySkin();
std::span<const unsigned char> toolNightSkin();
}  // namespace qx::res

namespace qx::tools {

namespace {

// The controls drawn like the main program's skinned buttons and edit boxes.
constexpr const char* kStyleSheet = R"(
QPushButton, QToolButton {
    color: #22262e; border: 1px solid #b7c3d3; border-radius: 4px; padding: 3px 10px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e9eef5);
}
QPushButton:hover, QToolButton:hover {
    border-color: #4084e6;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f9ff, stop:1 #dceafd);
}
QPushButton:pressed, QToolButton:pressed {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #c4dcfa, stop:1 #d6e8fc);
}
QPushButton:disabled, QToolButton:disabled { color: #969aa0; background: #eceef1; }
QLineEdit, QPlainTextEdit, QTextEdit, QTableWidget, QTreeWidget, QListWidget, QComboBox, QSpinBox {
    color: #22262e; background: #ffffff; border: 1px solid #b7c3d3; border-radius: 3px;
    selection-background-color: #4084e6; selection-color: #ffffff;
}
QLineEdit:focus, QPlainTextEdit:focus, QComboBox:focus { border-color: #4084e6; }
QHeaderView::section {
    color: #22262e; background: #eef2f7; border: none; border-right: 1px solid #d5dde8;
    border-bottom: 1px solid #d5dde8; padding: 3px 6px;
}
QLabel#toolTitle { color: #22262e; font-size: 14px; font-weight: bold; }
QLabel#aboutLine { color: #5a606a; }
QToolButton#closeButton:hover { background: #e81123; color: #ffffff; border-color: #e81123; }
)";

QImage decode(std::span<const unsigned char> bytes) {
    QImage img;
    img.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG");
    return img;
}

}  // namespace

bool isNightHour(int hour) { return hour >= 20 || hour < 8; }

QImage skinImage(bool night) { return decode(night ? res::toolNightSkin() : res::toolDaySkin()); }

void applyToolboxLook(QApplication& app) {
    // The main program's fonts: the Windows font name with the CJK font standing in.
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"),
                               {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei")});
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), {QStringLiteral("WenQuanYi Micro Hei")});
    QFont f;
    f.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("sans-serif")});
    f.setPixelSize(12);
    app.setFont(f);
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    app.setStyleSheet(QString::fromUtf8(kStyleSheet));
}

int runTool(int argc, char** argv, const QString& name, const std::function<QWidget*()>& makeWindow) {
    const std::string note = platform::avoidInputMethodWithoutMachineId();
    if (!note.empty()) std::fprintf(stderr, "%s\n", note.c_str());
    QApplication app(argc, argv);
    // Numbers keep their decimal point and Qt's own dialogs speak Chinese in any session.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);
    QApplication::setApplicationName(name);
    applyToolboxLook(app);
    QWidget* window = makeWindow();
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Frameless windows get no place from some window managers: start in the screen's middle.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->show();
    return app.exec();
}

}  // namespace qx::tools
