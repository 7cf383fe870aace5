#include "unlock/UnlockWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Background.h"
#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::unlock {

namespace {

enum Column { kPid, kName, kUser, kHow, kPath, kColumns };
constexpr std::chrono::milliseconds kGrace(3000);

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

UnlockWindow::UnlockWindow()
    : ToolWindow(
          QStringLiteral("文件占用解锁"),
          tools::aboutLine(QStringLiteral("文件占用解锁"), QStringLiteral("可将文件或文件夹拖到本窗口")),
          QSize(780, 500)) {
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("文件或文件夹："), body()));
    path_ = new QLineEdit(body());
    path_->setAcceptDrops(false);  // a drop goes to the window, which takes the file's path
    path_->setPlaceholderText(QStringLiteral("选择或拖入一个文件或文件夹"));
    path_->setAccessibleName(QStringLiteral("文件或文件夹"));
    top->addWidget(path_, 1);
    auto* chooseFile = new QPushButton(QStringLiteral("选择文件…"), body());
    auto* chooseFolder = new QPushButton(QStringLiteral("选择文件夹…"), body());
    scanButton_ = new QPushButton(QStringLiteral("查找占用"), body());
    for (QPushButton* b : {chooseFile, chooseFolder, scanButton_}) top->addWidget(b);
    layout->addLayout(top);

    table_ = new QTableWidget(0, kColumns, body());
    table_->setHorizontalHeaderLabels({QStringLiteral("进程ID"), QStringLiteral("名称"),
                                       QStringLiteral("用户"), QStringLiteral("占用方式"),
                                       QStringLiteral("占用的路径")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(24);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(kPid, 80);
    table_->setColumnWidth(kName, 150);
    table_->setColumnWidth(kUser, 80);
    table_->setColumnWidth(kHow, 150);
    layout->addWidget(table_, 1);

    note_ = new QLabel(body());
    note_->setWordWrap(true);
    layout->addWidget(note_);

    auto* actions = new QHBoxLayout;
    auto* all = new QPushButton(QStringLiteral("全选"), body());
    endButton_ = new QPushButton(QStringLiteral("结束勾选的进程"), body());
    endButton_->setToolTip(QStringLiteral("先请求进程退出，3 秒后仍未退出的将被强制结束"));
    actions->addWidget(all);
    actions->addStretch(1);
    actions->addWidget(endButton_);
    layout->addLayout(actions);

    connect(chooseFile, &QPushButton::clicked, this, [this] {
        QString f = QFileDialog::getOpenFileName(this, QStringLiteral("选择文件"), path_->text());
        if (!f.isEmpty()) setPath(f);
    });
    connect(chooseFolder, &QPushButton::clicked, this, [this] {
        QString f = QFileDialog::getExistingDirectory(this, QStringLiteral("选择文件夹"), path_->text());
        if (!f.isEmpty()) setPath(f);
    });
    connect(scanButton_, &QPushButton::clicked, this, [this] { scan(); });
    connect(path_, &QLineEdit::returnPressed, this, [this] { scan(); });
    connect(all, &QPushButton::clicked, this, [this] {
        for (int row = 0; row < table_->rowCount(); ++row)
            table_->item(row, kPid)->setCheckState(Qt::Checked);
    });
    connect(endButton_, &QPushButton::clicked, this, [this] { endChosen(); });
}

void UnlockWindow::setPath(const QString& path) {
    path_->setText(path);
    scan();
}

void UnlockWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls() && e->mimeData()->urls().first().isLocalFile()) e->acceptProposedAction();
}

void UnlockWindow::dropEvent(QDropEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) setPath(urls.first().toLocalFile());
}

void UnlockWindow::scan() {
    std::string error;
    scan_ = findHolders(path_->text().toStdString(), error);
    table_->setRowCount(static_cast<int>(scan_.holders.size()));
    for (int row = 0; row < static_cast<int>(scan_.holders.size()); ++row) {
        const Holder& h = scan_.holders[row];
        auto* pid = new QTableWidgetItem(QString::number(h.process.pid));
        pid->setFlags(pid->flags() | Qt::ItemIsUserCheckable);
        pid->setCheckState(Qt::Checked);
        table_->setItem(row, kPid, pid);
        table_->setItem(row, kName, new QTableWidgetItem(q(h.process.name)));
        table_->setItem(row, kUser, new QTableWidgetItem(q(h.process.user)));
        QStringList how, paths;
        for (const Use& u : h.uses) {
            if (!how.contains(q(useText(u.kind)))) how << q(useText(u.kind));
            paths << q(u.path);
        }
        paths.removeDuplicates();
        table_->setItem(row, kHow, new QTableWidgetItem(how.join(QStringLiteral("、"))));
        auto* where = new QTableWidgetItem(paths.join(QStringLiteral("；")));
        where->setToolTip(paths.join(QLatin1Char('\n')));
        table_->setItem(row, kPath, where);
    }
    QString note;
    if (!error.empty())
        note = q(error);
    else if (scan_.holders.empty())
        note = QStringLiteral("没有发现占用它的进程。");
    else
        note = QStringLiteral("有 %1 个进程占用它。").arg(scan_.holders.size());
    const std::string other = uninspectedNote(scan_);
    if (!other.empty()) note += QLatin1Char('\n') + q(other);
    note_->setText(note);
    endButton_->setEnabled(!scan_.holders.empty());
}

void UnlockWindow::endChosen() {
    std::vector<tools::ProcessInfo> chosen;
    bool toolbox = false;
    QStringList names;
    for (int row = 0; row < table_->rowCount(); ++row) {
        if (table_->item(row, kPid)->checkState() != Qt::Checked) continue;
        const tools::ProcessInfo& p = scan_.holders[row].process;
        chosen.push_back(p);
        toolbox |= tools::isToolbox(p);
        names << QStringLiteral("%1（%2）").arg(p.pid).arg(q(p.name));
    }
    if (chosen.empty()) {
        tools::inform(this, QStringLiteral("请先勾选要结束的进程。"));
        return;
    }
    QString question =
        QStringLiteral("将结束 %1，进程中未保存的数据会丢失。").arg(names.join(QStringLiteral("、")));
    if (toolbox) question += QStringLiteral("\n其中包括 Quorvex工具箱 本身，结束后工具箱将关闭。");
    if (!tools::ask(this, question + QStringLiteral("\n是否继续？"))) return;

    endButton_->setEnabled(false);
    scanButton_->setEnabled(false);
    note_->setText(QStringLiteral("正在结束进程…"));
    // The grace period is waited out off the window's thread.
    struct Result {
        QString report;
        bool clean = true;
    };
    tools::runInBackground<Result>(
        this,
        [chosen] {
            Result r;
            std::vector<Outcome> outcomes = endProcesses(chosen, kGrace);
            r.report = q(summarize(outcomes));
            for (const Outcome& o : outcomes)
                r.clean &= o.ending == Ending::Ended || o.ending == Ending::Killed;
            return r;
        },
        [this](Result& r) {
            scanButton_->setEnabled(true);
            scan();
            if (r.clean)
                tools::inform(this, r.report);
            else
                tools::warn(this, r.report);
        });
}

}  // namespace qx::unlock
