#include "autostart/AutostartWindow.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::autostart {

namespace {

enum Column { kName, kState, kSource, kCommand, kComment, kColumns };

QString q(const std::string& s) { return QString::fromStdString(s); }

QString sourceText(const Entry& e) {
    switch (e.source) {
        case Source::User:
            return QStringLiteral("当前用户");
        case Source::System:
            return QStringLiteral("系统（只读）");
        case Source::UserOverride:
            return e.ourHidingEntry ? QStringLiteral("系统（已为当前用户停用）")
                                    : QStringLiteral("当前用户（替代系统项）");
    }
    return {};
}

}  // namespace

AutostartWindow::AutostartWindow(Dirs dirs)
    : ToolWindow(QStringLiteral("启动项添加"),
                 tools::aboutLine(QStringLiteral("启动项添加"),
                                  QStringLiteral("登录桌面时自动启动的程序（XDG 自动启动）")),
                 QSize(780, 540)),
      dirs_(std::move(dirs)) {
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);

    table_ = new QTableWidget(0, kColumns, body());
    table_->setHorizontalHeaderLabels({QStringLiteral("名称"), QStringLiteral("状态"), QStringLiteral("来源"),
                                       QStringLiteral("命令"), QStringLiteral("说明")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(24);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(kName, 160);
    table_->setColumnWidth(kState, 60);
    table_->setColumnWidth(kSource, 170);
    table_->setColumnWidth(kCommand, 220);
    layout->addWidget(table_, 1);

    auto* actions = new QHBoxLayout;
    auto* enableButton = new QPushButton(QStringLiteral("启用"), body());
    auto* disableButton = new QPushButton(QStringLiteral("停用"), body());
    auto* removeButton = new QPushButton(QStringLiteral("删除"), body());
    auto* refreshButton = new QPushButton(tools::kRefresh, body());
    for (QPushButton* b : {enableButton, disableButton, removeButton, refreshButton}) actions->addWidget(b);
    actions->addStretch(1);
    layout->addLayout(actions);

    auto* form = new QFormLayout;
    name_ = new QLineEdit(body());
    command_ = new QLineEdit(body());
    arguments_ = new QLineEdit(body());
    comment_ = new QLineEdit(body());
    name_->setPlaceholderText(QStringLiteral("显示的名称"));
    command_->setPlaceholderText(QStringLiteral("程序的完整路径，或 PATH 中的程序名"));
    arguments_->setPlaceholderText(QStringLiteral("可选；含空格的参数请用引号括起来"));
    comment_->setPlaceholderText(QStringLiteral("可选"));
    auto* commandRow = new QHBoxLayout;
    commandRow->addWidget(command_, 1);
    auto* browse = new QPushButton(QStringLiteral("浏览…"), body());
    commandRow->addWidget(browse);
    form->addRow(QStringLiteral("名称："), name_);
    form->addRow(QStringLiteral("程序："), commandRow);
    form->addRow(QStringLiteral("参数："), arguments_);
    form->addRow(QStringLiteral("说明："), comment_);
    name_->setAccessibleName(QStringLiteral("名称"));
    command_->setAccessibleName(QStringLiteral("程序"));
    arguments_->setAccessibleName(QStringLiteral("参数"));
    comment_->setAccessibleName(QStringLiteral("说明"));
    layout->addLayout(form);
    auto* addButton = new QPushButton(QStringLiteral("添加启动项"), body());
    auto* addRow = new QHBoxLayout;
    addRow->addStretch(1);
    addRow->addWidget(addButton);
    layout->addLayout(addRow);

    connect(browse, &QPushButton::clicked, this, [this] {
        QString file =
            QFileDialog::getOpenFileName(this, QStringLiteral("选择程序"), QStringLiteral("/usr/bin"));
        if (!file.isEmpty()) command_->setText(file);
    });
    connect(addButton, &QPushButton::clicked, this, [this] { add(); });
    connect(enableButton, &QPushButton::clicked, this, [this] { enable(true); });
    connect(disableButton, &QPushButton::clicked, this, [this] { enable(false); });
    connect(removeButton, &QPushButton::clicked, this, [this] { remove(); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    refresh();
}

void AutostartWindow::refresh(const std::string& selectId) {
    std::string keep = selectId;
    if (keep.empty())
        if (const Entry* e = selected()) keep = e->id;
    entries_ = listEntries(dirs_);
    table_->setRowCount(static_cast<int>(entries_.size()));
    for (int row = 0; row < static_cast<int>(entries_.size()); ++row) {
        const Entry& e = entries_[row];
        auto* name = new QTableWidgetItem(q(e.name));
        name->setToolTip(q(e.id));
        table_->setItem(row, kName, name);
        auto* state = new QTableWidgetItem(e.enabled ? QStringLiteral("启用") : QStringLiteral("停用"));
        state->setForeground(e.enabled ? QColor(30, 130, 60) : QColor(150, 154, 160));
        table_->setItem(row, kState, state);
        table_->setItem(row, kSource, new QTableWidgetItem(sourceText(e)));
        auto* command = new QTableWidgetItem(q(e.exec));
        command->setToolTip(q(e.exec));
        table_->setItem(row, kCommand, command);
        table_->setItem(row, kComment, new QTableWidgetItem(q(e.comment)));
        if (e.id == keep) table_->selectRow(row);
    }
}

const Entry* AutostartWindow::selected() const {
    const auto rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return nullptr;
    const int row = rows.first().row();
    return row >= 0 && row < static_cast<int>(entries_.size()) ? &entries_[row] : nullptr;
}

void AutostartWindow::add() {
    NewEntry entry{name_->text().trimmed().toStdString(), command_->text().trimmed().toStdString(),
                   arguments_->text().toStdString(), comment_->text().trimmed().toStdString()};
    std::string id;
    const std::string error = addEntry(dirs_, entry, &id);
    if (!error.empty()) {
        tools::warn(this, q(error));
        return;
    }
    for (QLineEdit* e : {name_, command_, arguments_, comment_}) e->clear();
    refresh(id);
    tools::inform(this, QStringLiteral("已添加启动项“%1”，下次登录时会自动启动。").arg(q(entry.name)));
}

void AutostartWindow::enable(bool on) {
    const Entry* e = selected();
    if (!e) {
        tools::inform(this, QStringLiteral("请先在列表中选择一个启动项。"));
        return;
    }
    const std::string id = e->id;
    const std::string error = autostart::setEnabled(dirs_, id, on);
    if (!error.empty()) tools::warn(this, q(error));
    refresh(id);
}

void AutostartWindow::remove() {
    const Entry* e = selected();
    if (!e) {
        tools::inform(this, QStringLiteral("请先在列表中选择一个启动项。"));
        return;
    }
    if (e->source == Source::System) {
        tools::warn(this, q(removeEntry(dirs_, e->id)));
        return;
    }
    QString question = QStringLiteral("确定要删除启动项“%1”吗？").arg(q(e->name));
    if (e->source == Source::UserOverride)
        question += QStringLiteral("\n删除后，系统中同名的启动项将重新按系统的设置生效。");
    if (!tools::ask(this, question)) return;
    const std::string error = removeEntry(dirs_, e->id);
    if (!error.empty()) tools::warn(this, q(error));
    refresh();
}

}  // namespace qx::autostart
