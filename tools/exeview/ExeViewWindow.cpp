#include "exeview/ExeViewWindow.h"

#include <QBuffer>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QImageReader>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "common/Background.h"
#include "common/Messages.h"
#include "common/PeEditor.h"
#include "common/PeResources.h"
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

// One line of text, from a list of suggestions or free; the buttons in the toolbox's words.
bool askText(QWidget* parent, const QString& label, const QStringList& suggestions, QString& text) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("修改版本字符串"));
    dialog.setLabelText(label);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (!suggestions.isEmpty()) {
        dialog.setComboBoxItems(suggestions);
        dialog.setComboBoxEditable(true);
    }
    dialog.setTextValue(text.isEmpty() && !suggestions.isEmpty() ? suggestions.first() : text);
    if (dialog.exec() != QDialog::Accepted) return false;
    text = dialog.textValue();
    return true;
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
                                  QStringLiteral("修改版本字符串、替换图标或资源，另存为新文件")),
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
    layout->addLayout(top);
    auto* actions = new QHBoxLayout;
    version_ = new QPushButton(QStringLiteral("修改版本字符串…"), body());
    icon_ = new QPushButton(QStringLiteral("替换图标…"), body());
    data_ = new QPushButton(QStringLiteral("替换资源数据…"), body());
    export_ = new QPushButton(QStringLiteral("导出原始数据…"), body());
    save_ = new QPushButton(QStringLiteral("另存为…"), body());
    for (QPushButton* b : {version_, icon_, data_, export_, save_}) {
        b->setEnabled(false);
        actions->addWidget(b);
    }
    actions->addStretch(1);
    layout->addLayout(actions);

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
    connect(version_, &QPushButton::clicked, this, [this] { editVersion(); });
    connect(icon_, &QPushButton::clicked, this, [this] { replaceIcon(); });
    connect(data_, &QPushButton::clicked, this, [this] { replaceData(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveAs(); });
}

void ExeViewWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls() && e->mimeData()->urls().first().isLocalFile()) e->acceptProposedAction();
}

void ExeViewWindow::dropEvent(QDropEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) openFile(urls.first().toLocalFile());
}

void ExeViewWindow::openFile(const QString& path) {
    if (dirty_ && !tools::ask(this, QStringLiteral("修改还没有保存，要放弃这些修改吗？"))) return;
    file_->setText(QStringLiteral("正在读取 %1 …").arg(path));
    struct Read {
        tools::ExecutableInfo info;
        std::string error;
        bool ok = false;
        std::string image;
        std::vector<tools::PeResource> resources;
        std::string editError;
    };
    const std::string file = path.toStdString();
    tools::runInBackground<Read>(
        this,
        [file] {
            Read r;
            r.ok = tools::readExecutable(file, r.info, r.error);
            if (r.ok && r.info.kind == tools::ExecutableInfo::Kind::Pe &&
                !tools::loadForEditing(file, r.image, r.resources, r.editError))
                r.image.clear();
            return r;
        },
        [this, path](Read& r) {
            if (!r.ok) {
                file_->setText(path);
                tools::warn(this, q(r.error));
                return;
            }
            path_ = path;
            dirty_ = false;
            image_ = std::move(r.image);
            editError_ = std::move(r.editError);
            // What our own reader found is what a save writes back, so that is what is shown.
            if (!image_.empty()) r.info.resources = std::move(r.resources);
            showInfo(r.info, path);
            if (!editError_.empty()) {
                file_->setText(path + QStringLiteral("（只能查看）"));
                tools::warn(this, q(editError_));
            }
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

void ExeViewWindow::updateButtons() {
    const bool pe = info_.kind == tools::ExecutableInfo::Kind::Pe;
    export_->setEnabled(resource_ >= 0);
    for (QPushButton* b : {version_, icon_, data_}) b->setEnabled(pe);
    data_->setEnabled(pe && resource_ >= 0);
    save_->setEnabled(pe && dirty_);
}

void ExeViewWindow::choose(QTreeWidgetItem* item) {
    resource_ = item ? item->data(0, kResourceRole).toInt() : -1;
    updateButtons();
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

int ExeViewWindow::editTarget(std::uint32_t type) {
    if (!editError_.empty() || image_.empty()) {
        tools::warn(
            this, editError_.empty() ? QStringLiteral("只能编辑 Windows 程序（PE）的资源。") : q(editError_));
        return -1;
    }
    const auto& all = info_.resources;
    if (resource_ >= 0 && resource_ < static_cast<int>(all.size()) &&
        (type == 0 || (all[static_cast<std::size_t>(resource_)].type == type &&
                       all[static_cast<std::size_t>(resource_)].typeName.empty())))
        return resource_;
    int only = -1;
    for (std::size_t i = 0; type != 0 && i < all.size(); ++i) {
        if (all[i].type != type || !all[i].typeName.empty()) continue;
        if (only >= 0) {
            only = -2;
            break;
        }
        only = static_cast<int>(i);
    }
    if (only >= 0) return only;
    if (type == 0)
        tools::warn(this, QStringLiteral("请先在左边选中一项资源。"));
    else
        tools::warn(this, only == -2
                              ? QStringLiteral("这个文件有多项%1，请先在左边选中一项。")
                                    .arg(q(tools::resourceTypeName(type)))
                              : QStringLiteral("这个文件没有%1。").arg(q(tools::resourceTypeName(type))));
    return -1;
}

void ExeViewWindow::editVersion() {
    const int target = editTarget(tools::kRtVersion);
    if (target < 0) return;
    tools::PeResource& r = info_.resources[static_cast<std::size_t>(target)];
    tools::VersionInfo version;
    if (!tools::parseVersionInfo(r.data, version)) {
        tools::warn(this, QStringLiteral("版本信息已损坏，无法修改。"));
        return;
    }
    QStringList keys;
    for (const auto& [key, value] : version.strings)
        if (!keys.contains(q(key))) keys << q(key);
    for (const char* usual : {"FileVersion", "ProductVersion", "ProductName", "FileDescription",
                              "CompanyName", "LegalCopyright", "OriginalFilename", "InternalName"})
        if (!keys.contains(QString::fromLatin1(usual))) keys << QString::fromLatin1(usual);
    QString key;
    if (!askText(this, QStringLiteral("字符串名称："), keys, key) || key.trimmed().isEmpty()) return;
    key = key.trimmed();
    QString value;
    for (const auto& [k, v] : version.strings)
        if (q(k) == key) value = q(v);
    const bool ok = askText(this, QStringLiteral("%1 的新值：").arg(key), {}, value);
    if (!ok) return;
    std::string error;
    if (!tools::setVersionString(r.data, key.toStdString(), value.toStdString(), error)) {
        tools::warn(this, q(error));
        return;
    }
    edited(QStringLiteral("已把 %1 改为“%2”。").arg(key, value), r.type, r.id, r.language);
}

void ExeViewWindow::replaceIcon() {
    const int target = editTarget(tools::kRtGroupIcon);
    if (target < 0) return;
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("选择图标文件"), QFileInfo(path_).path(),
                                     QStringLiteral("图标文件 (*.ico);;所有文件 (*)"));
    if (file.isEmpty()) return;
    QFile f(file);
    if (f.size() > (64 << 20) || !f.open(QIODevice::ReadOnly)) {
        tools::warn(this, QStringLiteral("无法读取“%1”。").arg(file));
        return;
    }
    const QByteArray ico = f.readAll();
    const tools::PeResource group = info_.resources[static_cast<std::size_t>(target)];
    std::string error;
    if (!tools::replaceIconGroup(info_.resources, static_cast<std::size_t>(target),
                                 std::string_view(ico.constData(), static_cast<std::size_t>(ico.size())),
                                 error)) {
        tools::warn(this, q(error));
        return;
    }
    edited(QStringLiteral("已用 %1 替换图标组 %2。")
               .arg(QFileInfo(file).fileName(), q(tools::resourceLabel(group))),
           group.type, group.id, group.language);
}

void ExeViewWindow::replaceData() {
    const int target = editTarget(0);
    if (target < 0) return;
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("选择新的资源数据"), QFileInfo(path_).path());
    if (file.isEmpty()) return;
    QFile f(file);
    if (f.size() > (256 << 20) || !f.open(QIODevice::ReadOnly)) {
        tools::warn(this, QStringLiteral("无法读取“%1”（或文件超过 256 MB）。").arg(file));
        return;
    }
    const QByteArray bytes = f.readAll();
    tools::PeResource& r = info_.resources[static_cast<std::size_t>(target)];
    r.data.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    edited(QStringLiteral("已用 %1 替换资源 %2（%3 字节）。")
               .arg(QFileInfo(file).fileName(), q(tools::resourceLabel(r)))
               .arg(bytes.size()),
           r.type, r.id, r.language);
}

void ExeViewWindow::edited(const QString& what, std::uint32_t type, std::uint32_t id,
                           std::uint32_t language) {
    dirty_ = true;
    showInfo(info_, path_);
    // Choose the edited resource again (its index may have moved).
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        const int i = (*it)->data(0, kResourceRole).toInt();
        if (i < 0 || (*it)->childCount() > 0) continue;
        const tools::PeResource& r = info_.resources[static_cast<std::size_t>(i)];
        if (r.type == type && r.id == id && r.language == language) {
            tree_->setCurrentItem(*it);
            break;
        }
    }
    file_->setText(path_ + QStringLiteral("（已修改，尚未保存）"));
    updateButtons();
    tools::inform(this, what + QStringLiteral("\n点“另存为…”保存到新文件。"));
}

void ExeViewWindow::saveAs() {
    if (image_.empty()) return;
    const QFileInfo open(path_);
    const QString suggested =
        open.dir().filePath(open.completeBaseName() + QStringLiteral("_已修改.") + open.suffix());
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("另存为"), suggested, QString(),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return;
    const QFileInfo target(path);
    if (target.exists()) {
        const bool same = target.canonicalFilePath() == open.canonicalFilePath();
        const QString question =
            same ? QStringLiteral("“%1”就是打开的文件，要用修改后的内容覆盖它吗？原文件将被替换。")
                 : QStringLiteral("“%1”已存在，要替换它吗？");
        if (!tools::ask(this, question.arg(path))) return;
    }
    struct Saved {
        bool ok = false;
        std::string error;
        std::string image;
    };
    const std::string source = image_;
    const std::vector<tools::PeResource> resources = info_.resources;
    const std::string file = path.toStdString();
    save_->setEnabled(false);
    file_->setText(QStringLiteral("正在保存 %1 …").arg(path));
    tools::runInBackground<Saved>(
        this,
        [source, resources, file, mode = open.permissions()] {
            Saved s;
            if (!tools::writePeResources(source, resources, s.image, s.error)) return s;
            // Written beside the target and renamed over it: a failed save leaves the old file whole.
            QSaveFile f(QString::fromStdString(file));
            if (!f.open(QIODevice::WriteOnly) ||
                f.write(s.image.data(), static_cast<qint64>(s.image.size())) !=
                    static_cast<qint64>(s.image.size()) ||
                !f.commit()) {
                s.error = "无法写入“" + file + "”：" + f.errorString().toStdString();
                return s;
            }
            QFile::setPermissions(QString::fromStdString(file), mode);
            s.ok = tools::checkWritten(file, resources, s.error);
            return s;
        },
        [this, path](Saved& s) {
            updateButtons();
            file_->setText(path_ + (dirty_ ? QStringLiteral("（已修改，尚未保存）") : QString()));
            if (!s.ok) {
                tools::warn(this, q(s.error));
                return;
            }
            image_ = std::move(s.image);  // the saved file is the open one now
            dirty_ = false;
            path_ = path;
            showInfo(info_, path_);
            updateButtons();
            tools::inform(this, QStringLiteral("已保存到 %1。\n重新读取校验通过：%2 项资源与编辑后的一致。")
                                    .arg(path)
                                    .arg(info_.resources.size()));
        });
}

}  // namespace qx::exeview
