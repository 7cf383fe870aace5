#include "iconextract/IconExtractWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Background.h"
#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::iconextract {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

bool saveBytes(QWidget* parent, const QString& path, const std::string& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        tools::warn(parent, QStringLiteral("无法写入“%1”：%2").arg(path, f.errorString()));
        return false;
    }
    return true;
}

QString sizeText(const IconImage& img) {
    QString t = QStringLiteral("%1×%2").arg(img.width).arg(img.height);
    if (img.bitCount) t += QStringLiteral(" %1位").arg(img.bitCount);
    if (img.format == "svg") t = QStringLiteral("矢量图标 (SVG)");
    return t;
}

}  // namespace

IconExtractWindow::IconExtractWindow()
    : ToolWindow(QStringLiteral("图标提取"),
                 tools::aboutLine(QStringLiteral("图标提取"), QStringLiteral("可将文件拖到本窗口")),
                 QSize(720, 520)),
      themes_(themesFromEnvironment(QIcon::themeName().toStdString())) {
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    auto* open = new QPushButton(QStringLiteral("打开文件…"), body());
    open->setToolTip(QStringLiteral("Windows 程序或库（.exe .dll）、桌面项（.desktop）或图标文件"));
    top->addWidget(open);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("图标名称："), body()));
    name_ = new QLineEdit(body());
    name_->setPlaceholderText(QStringLiteral("例如 folder、utilities-terminal"));
    name_->setAccessibleName(QStringLiteral("图标名称"));
    top->addWidget(name_, 1);
    auto* find = new QPushButton(QStringLiteral("在主题中查找"), body());
    top->addWidget(find);
    layout->addLayout(top);

    source_ = new QLabel(QStringLiteral("当前图标主题：%1").arg(q(themes_.theme)), body());
    source_->setWordWrap(true);
    layout->addWidget(source_);

    auto* lists = new QHBoxLayout;
    setList_ = new QListWidget(body());
    setList_->setMaximumWidth(220);
    setList_->setIconSize(QSize(32, 32));
    lists->addWidget(setList_);
    sizes_ = new QListWidget(body());
    sizes_->setViewMode(QListView::IconMode);
    sizes_->setIconSize(QSize(256, 256));
    sizes_->setGridSize(QSize(140, 140));
    sizes_->setResizeMode(QListView::Adjust);
    sizes_->setMovement(QListView::Static);
    sizes_->setSpacing(6);
    lists->addWidget(sizes_, 1);
    layout->addLayout(lists, 1);

    auto* actions = new QHBoxLayout;
    auto* ico = new QPushButton(QStringLiteral("导出为 ICO…"), body());
    auto* png = new QPushButton(QStringLiteral("导出选中尺寸为 PNG…"), body());
    auto* all = new QPushButton(QStringLiteral("全部导出…"), body());
    actions->addStretch(1);
    for (QPushButton* b : {ico, png, all}) actions->addWidget(b);
    layout->addLayout(actions);

    connect(open, &QPushButton::clicked, this, [this] {
        QString f =
            QFileDialog::getOpenFileName(this, QStringLiteral("打开文件"), QString(),
                                         QStringLiteral("含图标的文件 (*.exe *.dll *.ocx *.cpl *.scr "
                                                        "*.desktop *.ico *.png *.xpm *.svg);;所有文件 (*)"));
        if (!f.isEmpty()) openFile(f);
    });
    connect(find, &QPushButton::clicked, this, [this] { lookUpName(); });
    connect(name_, &QLineEdit::returnPressed, this, [this] { lookUpName(); });
    connect(setList_, &QListWidget::currentRowChanged, this, [this] { showSizes(); });
    connect(ico, &QPushButton::clicked, this, [this] { exportIco(); });
    connect(png, &QPushButton::clicked, this, [this] { exportPng(); });
    connect(all, &QPushButton::clicked, this, [this] { exportAll(); });
}

void IconExtractWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls() && e->mimeData()->urls().first().isLocalFile()) e->acceptProposedAction();
}

void IconExtractWindow::dropEvent(QDropEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) openFile(urls.first().toLocalFile());
}

void IconExtractWindow::openFile(const QString& path) {
    const std::string file = path.toStdString();
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::string error;
    std::vector<IconSet> sets;
    if (suffix == QLatin1String("desktop")) {
        std::string icon;
        IconSet set;
        if (!iconOfDesktopEntry(file, icon, error) || !iconOfTheme(themes_, icon, set, error)) {
            tools::warn(this, q(error));
            return;
        }
        sets.push_back(std::move(set));
    } else if (suffix == QLatin1String("ico") || suffix == QLatin1String("png") ||
               suffix == QLatin1String("xpm") || suffix == QLatin1String("svg")) {
        IconSet set;
        if (!iconOfTheme(themes_, QFileInfo(path).absoluteFilePath().toStdString(), set, error)) {
            tools::warn(this, q(error));
            return;
        }
        if (suffix == QLatin1String("ico")) {
            std::vector<std::pair<tools::GroupIconEntry, std::string>> images;
            if (!tools::parseIco(set.images[0].bytes, images)) {
                tools::warn(this, QStringLiteral("“%1”不是有效的 ICO 文件。").arg(path));
                return;
            }
            set.images.clear();
            std::uint16_t id = 1;
            for (auto& [entry, bytes] : images) {
                entry.iconId = id++;
                set.group.push_back(entry);
                set.images.push_back({entry.width, entry.height, entry.bitCount, bytes, "ico-image", {}});
            }
        }
        set.label = QFileInfo(path).completeBaseName().toStdString();
        sets.push_back(std::move(set));
    } else {
        // Executables are parsed in a child process that may take a while: off this thread.
        source_->setText(QStringLiteral("正在读取 %1 …").arg(path));
        struct Read {
            std::vector<IconSet> sets;
            std::string error;
            bool ok = false;
        };
        tools::runInBackground<Read>(
            this,
            [file] {
                Read r;
                r.ok = iconsOfExecutable(file, r.sets, r.error);
                return r;
            },
            [this, path](Read& r) {
                if (!r.ok) {
                    source_->setText(QStringLiteral("当前图标主题：%1").arg(q(themes_.theme)));
                    tools::warn(this, q(r.error));
                    return;
                }
                showSets(std::move(r.sets), path);
            });
        return;
    }
    showSets(std::move(sets), path);
}

void IconExtractWindow::lookUpName() {
    IconSet set;
    std::string error;
    if (!iconOfTheme(themes_, name_->text().toStdString(), set, error)) {
        tools::warn(this, q(error));
        return;
    }
    std::vector<IconSet> sets;
    sets.push_back(std::move(set));
    showSets(std::move(sets), QStringLiteral("图标主题 %1").arg(q(themes_.theme)));
}

void IconExtractWindow::showSets(std::vector<IconSet> sets, const QString& source) {
    sets_ = std::move(sets);
    source_->setText(QStringLiteral("来源：%1（%2 组图标）").arg(source).arg(sets_.size()));
    setList_->clear();
    for (const IconSet& s : sets_) {
        QImage first;
        for (std::size_t i = 0; i < s.images.size() && first.isNull(); ++i) first = decode(s, i);
        auto* item =
            new QListWidgetItem(QIcon(QPixmap::fromImage(first)),
                                QStringLiteral("%1（%2 个尺寸）").arg(q(s.label)).arg(s.images.size()));
        setList_->addItem(item);
    }
    if (!sets_.empty()) setList_->setCurrentRow(0);
}

const IconSet* IconExtractWindow::currentSet() const {
    const int row = setList_->currentRow();
    return row >= 0 && row < static_cast<int>(sets_.size()) ? &sets_[row] : nullptr;
}

void IconExtractWindow::showSizes() {
    sizes_->clear();
    const IconSet* set = currentSet();
    if (!set) return;
    for (std::size_t i = 0; i < set->images.size(); ++i) {
        QImage image = decode(*set, i);
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(image)), sizeText(set->images[i]));
        item->setData(Qt::UserRole, static_cast<int>(i));
        sizes_->addItem(item);
    }
    if (sizes_->count()) sizes_->setCurrentRow(0);
}

void IconExtractWindow::exportIco() {
    const IconSet* set = currentSet();
    if (!set) {
        tools::inform(this, QStringLiteral("请先打开含图标的文件或查找图标。"));
        return;
    }
    const std::string ico = icoOf(*set);
    if (ico.empty()) {
        tools::warn(this, QStringLiteral("这组图标中没有能放进 ICO 文件的图像（矢量图标请导出原文件）。"));
        return;
    }
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出为 ICO"),
                                                q(safeFileName(set->label)) + QStringLiteral(".ico"),
                                                QStringLiteral("图标文件 (*.ico)"));
    if (!path.isEmpty() && saveBytes(this, path, ico))
        tools::inform(this, QStringLiteral("已导出到 %1").arg(path));
}

void IconExtractWindow::exportPng() {
    const IconSet* set = currentSet();
    QListWidgetItem* item = sizes_->currentItem();
    if (!set || !item) {
        tools::inform(this, QStringLiteral("请先选择一个尺寸。"));
        return;
    }
    const std::size_t index = static_cast<std::size_t>(item->data(Qt::UserRole).toInt());
    const IconImage& img = set->images[index];
    std::string bytes = pngOf(*set, index);
    QString suffix = QStringLiteral(".png");
    if (bytes.empty() && img.format == "svg") {
        bytes = img.bytes;  // a vector icon is exported as it is
        suffix = QStringLiteral(".svg");
    }
    if (bytes.empty()) {
        tools::warn(this, QStringLiteral("无法解码这个尺寸的图像。"));
        return;
    }
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出为 PNG"),
                                                QStringLiteral("%1_%2x%3%4")
                                                    .arg(q(safeFileName(set->label)))
                                                    .arg(img.width)
                                                    .arg(img.height)
                                                    .arg(suffix));
    if (!path.isEmpty() && saveBytes(this, path, bytes))
        tools::inform(this, QStringLiteral("已导出到 %1").arg(path));
}

void IconExtractWindow::exportAll() {
    if (sets_.empty()) {
        tools::inform(this, QStringLiteral("请先打开含图标的文件或查找图标。"));
        return;
    }
    QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("选择导出到的文件夹"));
    if (dir.isEmpty()) return;
    int files = 0;
    for (const IconSet& set : sets_) {
        const QString base = dir + QLatin1Char('/') + q(safeFileName(set.label));
        if (const std::string ico = icoOf(set);
            !ico.empty() && saveBytes(this, base + QStringLiteral(".ico"), ico))
            ++files;
        for (std::size_t i = 0; i < set.images.size(); ++i) {
            const std::string png = pngOf(set, i);
            if (png.empty()) continue;
            const QString name = QStringLiteral("%1_%2x%3_%4.png")
                                     .arg(base)
                                     .arg(set.images[i].width)
                                     .arg(set.images[i].height)
                                     .arg(i + 1);
            if (saveBytes(this, name, png)) ++files;
        }
    }
    tools::inform(this, QStringLiteral("已导出 %1 个文件到 %2").arg(files).arg(dir));
}

}  // namespace qx::iconextract
