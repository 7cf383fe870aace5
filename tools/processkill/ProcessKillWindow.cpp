#include "processkill/ProcessKillWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::processkill {

namespace {

enum Column { kPid, kName, kUser, kMemory, kCommand, kColumns };

// Sorts by the number kept under Qt::UserRole, shows the text.
class NumberItem : public QTableWidgetItem {
  public:
    NumberItem(const QString& text, long long value) : QTableWidgetItem(text) {
        setData(Qt::UserRole, value);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toLongLong() < other.data(Qt::UserRole).toLongLong();
    }
};

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

ProcessKillWindow::ProcessKillWindow()
    : ToolWindow(
          QStringLiteral("进程终止"),
          tools::aboutLine(QStringLiteral("进程终止"), QStringLiteral("结束进程前请确认它不在保存数据")),
          QSize(760, 520)) {
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("名称筛选："), body()));
    filter_ = new QLineEdit(body());
    filter_->setPlaceholderText(QStringLiteral("输入进程名称的一部分"));
    filter_->setAccessibleName(QStringLiteral("名称筛选"));
    filter_->setClearButtonEnabled(true);
    top->addWidget(filter_, 1);
    auto* refreshButton = new QPushButton(tools::kRefresh, body());
    top->addWidget(refreshButton);
    count_ = new QLabel(body());
    top->addWidget(count_);
    layout->addLayout(top);

    table_ = new QTableWidget(0, kColumns, body());
    table_->setHorizontalHeaderLabels({QStringLiteral("进程ID"), QStringLiteral("名称"),
                                       QStringLiteral("用户"), QStringLiteral("内存"),
                                       QStringLiteral("命令行")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(24);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(kPid, 70);
    table_->setColumnWidth(kName, 170);
    table_->setColumnWidth(kUser, 90);
    table_->setColumnWidth(kMemory, 90);
    table_->setSortingEnabled(true);
    table_->sortByColumn(kPid, Qt::AscendingOrder);
    layout->addWidget(table_, 1);

    auto* actions = new QHBoxLayout;
    auto* terminate = new QPushButton(QStringLiteral("结束进程"), body());
    auto* kill = new QPushButton(QStringLiteral("强制结束"), body());
    auto* tree = new QPushButton(QStringLiteral("结束进程树"), body());
    auto* sameName = new QPushButton(QStringLiteral("结束同名进程"), body());
    forceMany_ = new QCheckBox(QStringLiteral("进程树和同名进程也强制结束"), body());
    terminate->setToolTip(QStringLiteral("请求进程正常退出（SIGTERM）"));
    kill->setToolTip(QStringLiteral("立即结束进程，不给它保存的机会（SIGKILL）"));
    for (QPushButton* b : {terminate, kill, tree, sameName}) actions->addWidget(b);
    actions->addWidget(forceMany_);
    actions->addStretch(1);
    layout->addLayout(actions);

    connect(filter_, &QLineEdit::textChanged, this, [this] { showList(); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    connect(terminate, &QPushButton::clicked, this, [this] { end(Method::Single, false); });
    connect(kill, &QPushButton::clicked, this, [this] { end(Method::Single, true); });
    connect(tree, &QPushButton::clicked, this, [this] { end(Method::Tree, forceMany_->isChecked()); });
    connect(sameName, &QPushButton::clicked, this,
            [this] { end(Method::SameName, forceMany_->isChecked()); });
    refresh();
}

void ProcessKillWindow::refresh() {
    all_ = tools::listProcesses();
    showList();
}

void ProcessKillWindow::showList() {
    const tools::ProcessInfo* current = selected();
    const int keepPid = current ? current->pid : 0;
    shown_ = tools::filterByName(all_, filter_->text().toStdString());

    table_->setSortingEnabled(false);
    table_->setRowCount(static_cast<int>(shown_.size()));
    for (int row = 0; row < static_cast<int>(shown_.size()); ++row) {
        const tools::ProcessInfo& p = shown_[row];
        auto* pid = new NumberItem(QString::number(p.pid), p.pid);
        pid->setData(Qt::UserRole + 1, row);  // index into shown_, whatever the sort order
        table_->setItem(row, kPid, pid);
        table_->setItem(row, kName, new QTableWidgetItem(q(p.name)));
        table_->setItem(row, kUser, new QTableWidgetItem(q(p.user)));
        table_->setItem(row, kMemory, new NumberItem(q(formatMemory(p.memoryBytes)), p.memoryBytes));
        auto* command = new QTableWidgetItem(q(p.commandLine));
        command->setToolTip(q(p.commandLine));
        table_->setItem(row, kCommand, command);
    }
    table_->setSortingEnabled(true);
    count_->setText(QStringLiteral("共 %1 个进程").arg(shown_.size()));
    for (int row = 0; row < table_->rowCount(); ++row) {
        if (table_->item(row, kPid)->data(Qt::UserRole).toInt() == keepPid) {
            table_->selectRow(row);
            break;
        }
    }
}

const tools::ProcessInfo* ProcessKillWindow::selected() const {
    const auto rows = table_->selectionModel() ? table_->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty()) return nullptr;
    QTableWidgetItem* item = table_->item(rows.first().row(), kPid);
    if (!item) return nullptr;
    const int index = item->data(Qt::UserRole + 1).toInt();
    return index >= 0 && index < static_cast<int>(shown_.size()) ? &shown_[index] : nullptr;
}

void ProcessKillWindow::end(Method method, bool force) {
    const tools::ProcessInfo* chosen = selected();
    if (!chosen) {
        tools::inform(this, QStringLiteral("请先在列表中选择一个进程。"));
        return;
    }
    // The plan reads a fresh list, so that a tree or a name takes in processes started since.
    const tools::ProcessInfo target = *chosen;
    Plan plan = planEnd(tools::listProcesses(), target, method);
    const std::string question = confirmation(plan, force);
    if (!question.empty() && !tools::ask(this, q(question))) return;
    const std::vector<Outcome> outcomes = endProcesses(plan.targets, force);
    const std::string report = summarize(outcomes, force);
    bool allSent = true;
    for (const Outcome& o : outcomes) allSent &= o.result == tools::EndResult::Sent;
    if (allSent)
        tools::inform(this, q(report));
    else
        tools::warn(this, q(report));
    // Give ended processes a moment to leave the list.
    QTimer::singleShot(300, this, [this] { refresh(); });
}

}  // namespace qx::processkill
