#include "exeview/ExeViewWindow.h"

#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/Background.h"
#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::exeview {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kResourceRole = Qt::UserRole;
constexpr int kDetailRole = Qt::UserRole + 1;

void addNodes(QTreeWidgetItem* parent, const Node& node) {
    auto* item = new QTreeWidgetItem(parent, {q(node.label)});
    item->setData(0, kResourceRole, node.resource);
    item->setData(0, kDetailRole, q(node.detail));
    for (const Node& child : node.children) addNodes(item, child);
}

QImage decodeIco(const std::string& ico) {
    QByteArray bytes(ico.data(), static_cast<qsizetype>(ico.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    return reader.read();
}

}  // namespace

ExeViewWindow::ExeViewWindow()
    : ToolWindow(QStringLiteral("EXE编辑"),
                 tools::aboutLine(QStringLiteral("EXE编辑"),
                                  QStringLiteral("资源查看器：只能查看和导出资源，不能修改或替换资源")),
                 QSize(800, 540)) {
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    auto* open = new QPushButton(QStringLiteral("打开文件…"), body());
    top->addWidget(open);
    file_ =
        new QLabel(QStringLiteral("打开或拖入一个 Windows 程序（.exe .dll）或 Linux 程序（ELF）。"), body());
    top->addWidget(file_, 1);
    export_ = new QPushButton(QStringLiteral("导出原始数据…"), body());
    export_->setEnabled(false);
    top->addWidget(export_);
    layout->addLayout(top);

    auto* split = new QSplitter(body());
    tree_ = new QTreeWidget(split);
    tree_->setHeaderHidden(true);
    tree_->setMinimumWidth(240);
    views_ = new QStackedWidget(split);
    text_ = new QPlainTextEdit(views_);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(12);
    text_->setFont(mono);
    views_->addWidget(text_);
    imagePage_ = new QWidget(views_);
    auto* imageLayout = new QVBoxLayout(imagePage_);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    imageText_ = new QPlainTextEdit(imagePage_);
    imageText_->setReadOnly(true);
    imageText_->setMaximumHeight(130);
    images_ = new QListWidget(imagePage_);
    images_->setViewMode(QListView::IconMode);
    images_->setIconSize(QSize(256, 256));
    images_->setGridSize(QSize(140, 140));
    images_->setResizeMode(QListView::Adjust);
    images_->setMovement(QListView::Static);
    imageLayout->addWidget(imageText_);
    imageLayout->addWidget(images_, 1);
    views_->addWidget(imagePage_);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    connect(open, &QPushButton::clicked, this, [this] {
        QString f = QFileDialog::getOpenFileName(this, QStringLiteral("打开文件"));
        if (!f.isEmpty()) openFile(f);
    });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { choose(item); });
    connect(export_, &QPushButton::clicked, this, [this] { exportRaw(); });
}

void ExeViewWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls() && e->mimeData()->urls().first().isLocalFile()) e->acceptProposedAction();
}

void ExeViewWindow::dropEvent(QDropEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) openFile(urls.first().toLocalFile());
}

void ExeViewWindow::openFile(const QString& path) {
    file_->setText(QStringLiteral("正在读取 %1 …").arg(path));
    struct Read {
        tools::ExecutableInfo info;
        std::string error;
        bool ok = false;
    };
    const std::string file = path.toStdString();
    tools::runInBackground<Read>(
        this,
        [file] {
            Read r;
            r.ok = tools::readExecutable(file, r.info, r.error);
            return r;
        },
        [this, path](Read& r) {
            if (!r.ok) {
                file_->setText(path);
                tools::warn(this, q(r.error));
                return;
            }
            showInfo(r.info, path);
        });
}

void ExeViewWindow::showInfo(const tools::ExecutableInfo& info, const QString& path) {
    info_ = info;
    file_->setText(path);
    tree_->clear();
    Node root = treeOf(info_, QFileInfo(path).fileName().toStdString());
    auto* top = new QTreeWidgetItem(tree_, {q(root.label)});
    top->setData(0, kResourceRole, -1);
    top->setData(0, kDetailRole, q(root.detail));
    for (const Node& child : root.children) addNodes(top, child);
    top->setExpanded(true);
    tree_->setCurrentItem(top);
}

void ExeViewWindow::choose(QTreeWidgetItem* item) {
    resource_ = item ? item->data(0, kResourceRole).toInt() : -1;
    export_->setEnabled(resource_ >= 0);
    if (!item) return;
    if (resource_ < 0) {
        text_->setPlainText(item->data(0, kDetailRole).toString());
        views_->setCurrentWidget(text_);
        return;
    }
    ResourceView v = viewOf(info_, static_cast<std::size_t>(resource_));
    if (v.kind == ResourceView::Kind::Image) {
        imageText_->setPlainText(q(v.text));
        images_->clear();
        for (const std::string& ico : v.icoFiles) {
            QImage image = decodeIco(ico);
            images_->addItem(
                new QListWidgetItem(QIcon(QPixmap::fromImage(image)),
                                    QStringLiteral("%1×%2").arg(image.width()).arg(image.height())));
        }
        views_->setCurrentWidget(imagePage_);
        return;
    }
    text_->setPlainText(q(v.text));
    views_->setCurrentWidget(text_);
}

void ExeViewWindow::exportRaw() {
    if (resource_ < 0 || resource_ >= static_cast<int>(info_.resources.size())) return;
    const tools::PeResource& r = info_.resources[static_cast<std::size_t>(resource_)];
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出原始数据"), q(exportName(r)));
    if (path.isEmpty()) return;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(r.data.data(), static_cast<qint64>(r.data.size())) != static_cast<qint64>(r.data.size())) {
        tools::warn(this, QStringLiteral("无法写入“%1”：%2").arg(path, f.errorString()));
        return;
    }
    tools::inform(this, QStringLiteral("已导出 %1 字节到 %2").arg(r.data.size()).arg(path));
}

}  // namespace qx::exeview
