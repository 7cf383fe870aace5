#include "ui/qt/GbkText.h"

#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::ui::qt {

QString toQt(const Text& gbkText) { return QString::fromStdString(gbkToUtf8(gbkText)); }

Text fromQt(const QString& s) { return utf8ToText(s.toStdString()); }

QString toQtLines(const Text& gbkText) {
    QString s = toQt(gbkText);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

Text fromQtLines(const QString& s) {
    QString t = s;
    t.replace(QChar(0x2029), QChar('\n'));
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return fromQt(t);
}

}  // namespace qx::ui::qt
