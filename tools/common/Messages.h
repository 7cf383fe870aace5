#pragma once
// Message boxes as the toolbox shows them: an empty title, the icon says what kind it is, and a
// question proceeds only on "是".
#include <QString>

class QWidget;

namespace qx::tools {

void inform(QWidget* parent, const QString& text);
void warn(QWidget* parent, const QString& text);
bool ask(QWidget* parent, const QString& question);

}  // namespace qx::tools
