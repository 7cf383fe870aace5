#pragma once
// The one place where the program's GBK texts meet Qt's strings.
#include <QString>

#include "core/Text.h"

namespace qx::ui::qt {

QString toQt(const Text& gbkText);
// Characters GBK cannot hold become "?".
Text fromQt(const QString& s);

// Edit boxes of several lines hold CR LF line ends in the model, as the program expects.
QString toQtLines(const Text& gbkText);
Text fromQtLines(const QString& s);

}  // namespace qx::ui::qt
