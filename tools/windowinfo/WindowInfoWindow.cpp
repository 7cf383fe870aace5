#include "windowinfo/WindowInfoWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdlib>

#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::windowinfo {

namespace {

constexpr int kCountdownSeconds = 3;

QString q(const std::string& s) { return QString::fromStdString(s); }

QPixmap crosshairPicture() {
    QPixmap pm(40, 40);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(64, 132, 230), 2));
    p.drawEllipse(QPointF(20, 20), 13, 13);
    p.drawLine(20, 2, 20, 38);
    p.drawLine(2, 20, 38, 20);
    return pm;
}

}  // namespace

WindowInfoWindow::WindowInfoWindow()
    : ToolWindow(QStringLiteral("窗口信息获取"), tools::aboutLine(QStringLiteral("窗口信息获取")),
                 QSize(640, 520)),
      x_(std::make_unique<XSession>()) {
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    crosshair_ = new QLabel(body());
    crosshair_->setPixmap(crosshairPicture());
    crosshair_->setFixedSize(44, 44);
    crosshair_->setAlignment(Qt::AlignCenter);
    crosshair_->setCursor(Qt::CrossCursor);
    crosshair_->setToolTip(QStringLiteral("按住并拖到要查看的窗口上松开"));
    crosshair_->setAccessibleName(QStringLiteral("拖动取窗口"));
    crosshair_->installEventFilter(this);
    top->addWidget(crosshair_);
    hint_ = new QLabel(
        QStringLiteral("按住左边的准星拖到目标窗口上松开，或点“倒计时获取”后把鼠标移到目标窗口上。"), body());
    hint_->setWordWrap(true);
    top->addWidget(hint_, 1);
    countdownButton_ = new QPushButton(QStringLiteral("倒计时获取"), body());
    copyButton_ = new QPushButton(QStringLiteral("复制全部"), body());
    top->addWidget(countdownButton_);
    top->addWidget(copyButton_);
    layout->addLayout(top);

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(new QLabel(QStringLiteral("X11 窗口："), body()));
    windows_ = new QComboBox(body());
    windows_->setAccessibleName(QStringLiteral("X11 窗口"));
    listRow->addWidget(windows_, 1);
    auto* refresh = new QPushButton(tools::kRefresh, body());
    listRow->addWidget(refresh);
    layout->addLayout(listRow);

    text_ = new QPlainTextEdit(body());
    text_->setReadOnly(true);
    text_->setAccessibleName(QStringLiteral("窗口信息"));
    layout->addWidget(text_, 3);

    children_ = new QTreeWidget(body());
    children_->setRootIsDecorated(false);
    children_->setHeaderLabels({QStringLiteral("子窗口ID"), QStringLiteral("位置"), QStringLiteral("大小"),
                                QStringLiteral("状态"), QStringLiteral("类名"), QStringLiteral("标题")});
    children_->header()->setStretchLastSection(true);
    layout->addWidget(children_, 2);

    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (--secondsLeft_ > 0) {
            countdownButton_->setText(QStringLiteral("%1 秒后获取…").arg(secondsLeft_));
            return;
        }
        timer_->stop();
        countdownButton_->setText(QStringLiteral("倒计时获取"));
        pick();
    });
    connect(countdownButton_, &QPushButton::clicked, this, [this] {
        secondsLeft_ = kCountdownSeconds;
        countdownButton_->setText(QStringLiteral("%1 秒后获取…").arg(secondsLeft_));
        timer_->start();
    });
    connect(copyButton_, &QPushButton::clicked, this, [this] {
        if (copyText_.empty()) return;
        QApplication::clipboard()->setText(q(copyText_));
        hint_->setText(tools::kCopied);
    });

    connect(refresh, &QPushButton::clicked, this, [this] { listWindows(); });
    connect(windows_, &QComboBox::activated, this, [this](int i) {
        WindowInfo info;
        if (x_->read(windows_->itemData(i).toUInt(), info))
            showInfo(info);
        else
            hint_->setText(QStringLiteral("这个窗口已关闭，请刷新列表。"));
    });

    if (!x_->ok()) {
        text_->setPlainText(q(x_->error()));
        for (QWidget* w :
             std::initializer_list<QWidget*>{crosshair_, countdownButton_, copyButton_, windows_, refresh})
            w->setEnabled(false);
        return;
    }
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland) {
        wayland_ = true;
        setAboutLine(tools::aboutLine(QStringLiteral("窗口信息获取"),
                                      QStringLiteral("Wayland 会话中只能获取 X11（XWayland）程序的窗口")));
        text_->setPlainText(
            QStringLiteral("当前是 Wayland 会话：只能获取通过 XWayland 运行的 X11 程序的窗口，"
                           "Wayland 原生程序的窗口无法获取。"));
    }
    listWindows();
}

void WindowInfoWindow::listWindows() {
    windows_->clear();
    for (std::uint32_t id : x_->topLevelWindows()) {
        WindowInfo info;
        if (!x_->read(id, info)) continue;
        QString label = q(hexId(id));
        if (!info.title.empty()) label += QStringLiteral("  ") + q(info.title);
        if (!info.className.empty()) label += QStringLiteral("  (%1)").arg(q(info.className));
        windows_->addItem(label, QVariant::fromValue(id));
    }
    windows_->setCurrentIndex(-1);
    windows_->setPlaceholderText(windows_->count()
                                     ? QStringLiteral("选择一个窗口（共 %1 个）…").arg(windows_->count())
                                     : QStringLiteral("没有可获取的 X11 窗口"));
}

bool WindowInfoWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == crosshair_ && crosshair_->isEnabled()) {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            dragging_ = true;
            crosshair_->grabMouse(Qt::CrossCursor);
            crosshair_->setPixmap(QPixmap());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && dragging_) {
            dragging_ = false;
            crosshair_->releaseMouse();
            crosshair_->setPixmap(crosshairPicture());
            pick();
            return true;
        }
    }
    return ToolWindow::eventFilter(watched, event);
}

void WindowInfoWindow::pick() {
    const std::uint32_t id = x_->windowUnderPointer();
    WindowInfo info;
    if (id == 0 || !x_->read(id, info)) {
        hint_->setText(q(nothingUnderPointer(wayland_)));
        return;
    }
    showInfo(info);
}

void WindowInfoWindow::showInfo(const WindowInfo& info) {
    copyText_ = describe(info);
    // The list below shows the children; the text box the window itself.
    const std::string head = copyText_.substr(0, copyText_.find("子窗口："));
    text_->setPlainText(q(head) + QStringLiteral("子窗口：%1 个").arg(info.children.size()));
    children_->clear();
    for (const ChildWindow& c : info.children) {
        auto* item = new QTreeWidgetItem(children_);
        item->setText(0, q(hexId(c.id)));
        item->setText(1, QStringLiteral("%1, %2").arg(c.x).arg(c.y));
        item->setText(2, QStringLiteral("%1 × %2").arg(c.width).arg(c.height));
        item->setText(3, c.mapped ? QStringLiteral("可见") : QStringLiteral("隐藏"));
        item->setText(4, q(c.className));
        item->setText(5, q(c.title));
    }
    hint_->setText(QStringLiteral("已获取窗口 %1。").arg(q(hexId(info.id))));
}

}  // namespace qx::windowinfo
