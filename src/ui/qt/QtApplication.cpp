#include "ui/qt/QtApplication.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>
#include <clocale>

#if __has_include(<fontconfig/fontconfig.h>)
#include <fontconfig/fontconfig.h>
#define QX_HAVE_FONTCONFIG 1
#endif

#include <cstdio>

#include "platform/system/InputMethod.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/qt/Widgets.h"

namespace qx::ui::qt {

namespace {

// The Windows font the layouts name, and the installed fonts that stand in for it, best first.
const QStringList kWindowsFont = {QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei")};
const QStringList kStandIns = {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                               QStringLiteral("Noto Sans CJK SC")};

QString gStandIn;  // set on the UI thread before any window exists

// Whether fontconfig asks for the family to be drawn without hinting, as the CJK fonts'
// packages do. Qt 6.4 reads only the hint style, so such a font would still go through the
// auto-hinter: slower for every glyph it loads, and not how other programs draw it.
bool fontconfigTurnsHintingOff(const QString& family) {
#ifdef QX_HAVE_FONTCONFIG
    const QByteArray name = family.toUtf8();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcBool hinting = FcTrue;
    if (match) {
        FcPatternGetBool(match, FC_HINTING, 0, &hinting);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return hinting == FcFalse;
#else
    (void)family;
    return false;
#endif
}

}  // namespace

QString uiFontFamily(const QString& requested) {
    if (gStandIn.isEmpty() || !kWindowsFont.contains(requested)) return requested;
    return gStandIn;
}

void setUpApplication(QApplication& app) {
    // One installed family, named alone: a list, or a name that is not installed, costs a
    // fontconfig fallback search for every font Qt loads. Characters the family lacks still
    // fall back to other fonts.
    const QStringList installed = QFontDatabase::families();
    gStandIn.clear();
    for (const QString& name : kStandIns) {
        if (installed.contains(name)) {
            gStandIn = name;
            break;
        }
    }
    QFont f;
    if (!gStandIn.isEmpty()) {
        f.setFamily(gStandIn);
        if (fontconfigTurnsHintingOff(gStandIn)) f.setHintingPreference(QFont::PreferNoHinting);
    }
    f.setPixelSize(12);
    app.setFont(f);
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    app.setQuitOnLastWindowClosed(false);  // only our own windows count
}

void speakChinese(QApplication& app) {
    // QApplication took the C library's locale from the session; numbers are written and read
    // with a point whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;  // without the translations package Qt's own texts stay English
}

int runApplication(int argc, char** argv, const std::function<void(qx::ui::WindowSystem&)>& startUp,
                   const std::vector<std::vector<unsigned char>>& firstPictures) {
    const std::string note = platform::avoidInputMethodWithoutMachineId();
    if (!note.empty()) std::fprintf(stderr, "%s\n", note.c_str());
    QApplication app(argc, argv);
    decodeAhead(firstPictures);  // the screen's pixel ratio is known from here on
    speakChinese(app);
    setUpApplication(app);
    QtWindowSystem windows;
    windows.onLastWindowClosed([] { QCoreApplication::quit(); });
    startUp(windows);
    if (windows.openWindows().empty()) return 0;
    app.exec();
    return 0;
}

}  // namespace qx::ui::qt
