#include "common/Messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace qx::tools {

namespace {

int show(QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, QString(), text, buttons, parent);
    if (buttons & QMessageBox::Yes) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        box.setDefaultButton(QMessageBox::No);
    } else {
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    }
    return box.exec();
}

}  // namespace

void inform(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

void warn(QWidget* parent, const QString& text) { show(parent, QMessageBox::Warning, text, QMessageBox::Ok); }

bool ask(QWidget* parent, const QString& question) {
    return show(parent, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace qx::tools
