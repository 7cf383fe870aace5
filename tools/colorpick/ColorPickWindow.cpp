#include "colorpick/ColorPickWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::colorpick {

namespace {

constexpr int kRadius = 7;  // 15 × 15 pixels under the magnifier
constexpr int kZoom = 10;

QString q(const std::string& s) { return QString::fromStdString(s); }

QPixmap swatch(const QColor& c, int size) {
    QPixmap pm(size, size);
    pm.fill(c);
    QPainter p(&pm);
    p.setPen(QColor(120, 120, 120));
    p.drawRect(0, 0, size - 1, size - 1);
    return pm;
}

// A picture of the screen from the portal, shown over the whole screen: the magnifier follows
// the pointer over it, a click picks, Esc closes it.
class ScreenshotView : public QWidget {
  public:
    ScreenshotView(const QImage& image, std::function<void(QPoint)> moved, std::function<void(QPoint)> picked)
        : image_(image), moved_(std::move(moved)), picked_(std::move(picked)) {
        setAttribute(Qt::WA_DeleteOnClose);
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
        setWindowTitle(QStringLiteral("截屏放大 - 单击取色，Esc 关闭"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(rect(), image_);
    }
    void mouseMoveEvent(QMouseEvent* e) override { moved_(toImage(e->position())); }
    void mousePressEvent(QMouseEvent* e) override {
        picked_(toImage(e->position()));
        close();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) close();
    }

  private:
    // The widget may be scaled (the screen's scale factor): its point in the picture's pixels.
    QPoint toImage(QPointF at) const {
        if (width() <= 0 || height() <= 0) return {};
        return QPoint(static_cast<int>(at.x() * image_.width() / width()),
                      static_cast<int>(at.y() * image_.height() / height()));
    }

    QImage image_;
    std::function<void(QPoint)> moved_, picked_;
};

}  // namespace

ColorPickWindow::ColorPickWindow()
    : ToolWindow(QStringLiteral("屏幕取色"),
                 tools::aboutLine(QStringLiteral("屏幕取色"),
                                  QStringLiteral("点“开始取色”后单击屏幕任意处，或按空格键取色")),
                 QSize(560, 430)) {
    auto* layout = new QHBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);

    auto* left = new QVBoxLayout;
    magnifier_ = new QLabel(body());
    magnifier_->setFixedSize((2 * kRadius + 1) * kZoom, (2 * kRadius + 1) * kZoom);
    magnifier_->setStyleSheet(QStringLiteral("border: 1px solid #b7c3d3; background: #ffffff;"));
    magnifier_->setAccessibleName(QStringLiteral("放大镜"));
    left->addWidget(magnifier_);
    start_ = new QPushButton(QStringLiteral("开始取色"), body());
    left->addWidget(start_);
    shot_ = new QPushButton(QStringLiteral("截屏放大"), body());
    shot_->setVisible(false);
    left->addWidget(shot_);
    hint_ = new QLabel(body());
    hint_->setWordWrap(true);
    hint_->setMaximumWidth(magnifier_->width());
    left->addWidget(hint_);
    left->addStretch(1);
    layout->addLayout(left);

    auto* right = new QVBoxLayout;
    auto* grid = new QGridLayout;
    swatch_ = new QLabel(body());
    grid->addWidget(swatch_, 0, 0, 3, 1);
    hex_ = new QLabel(body());
    rgb_ = new QLabel(body());
    hsv_ = new QLabel(body());
    QLabel* values[] = {hex_, rgb_, hsv_};
    const char* names[] = {"复制 HEX", "复制 RGB", "复制 HSV"};
    for (int i = 0; i < 3; ++i) {
        values[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(values[i], i, 1);
        auto* copyButton = new QPushButton(QString::fromUtf8(names[i]), body());
        grid->addWidget(copyButton, i, 2);
        connect(copyButton, &QPushButton::clicked, this, [this, i] {
            const QColor c = picked_.isValid() ? picked_ : current_;
            if (!c.isValid()) return;
            copy(i == 0 ? hexText(c) : i == 1 ? rgbText(c) : hsvText(c));
        });
    }
    right->addLayout(grid);
    right->addWidget(new QLabel(QStringLiteral("取色记录（双击复制 HEX）："), body()));
    list_ = new QListWidget(body());
    list_->setIconSize(QSize(20, 20));
    right->addWidget(list_, 1);
    layout->addLayout(right, 1);

    // The space key picks: no control of this window may take it for itself.
    for (QWidget* w : findChildren<QWidget*>()) w->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);
    connect(start_, &QPushButton::clicked, this, [this] {
        if (portal_)
            askPortal();
        else
            picking_ ? stopPicking() : startPicking();
    });
    connect(shot_, &QPushButton::clicked, this, [this] { askScreenshot(); });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { copy(item->data(Qt::UserRole).toString().toStdString()); });

    const std::string platform = QGuiApplication::platformName().toStdString();
    if (usesPortal(platform)) {
        // Wayland: the desktop's own picker, through the portal; the magnifier from its screenshot.
        portal_ = new Portal(QDBusConnection::sessionBus(), this);
        shot_->setVisible(true);
        setAboutLine(tools::aboutLine(QStringLiteral("屏幕取色"),
                                      QStringLiteral("Wayland：通过桌面门户取色，按空格键也可开始取色")));
        hint_->setText(
            QStringLiteral("Wayland 会话：点“开始取色”后用桌面的取色器点选颜色；点“截屏放大”在截屏上取色。"));
        return;
    }
    const std::string problem = screenProblem(platform);
    if (!problem.empty()) {
        canRead_ = false;
        start_->setEnabled(false);
        hint_->setText(q(problem));
        return;
    }
    hint_->setText(QStringLiteral("移动鼠标，放大镜显示光标下的像素。"));
    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, [this] { follow(); });
    timer_->start();
}

void ColorPickWindow::follow() {
    const QPoint cursor = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(cursor);
    if (!screen) return;
    const QRect area = sampleRect(cursor, kRadius, screen->geometry());
    const QPoint origin = area.topLeft() - screen->geometry().topLeft();
    const QImage pixels = screen->grabWindow(0, origin.x(), origin.y(), area.width(), area.height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    if (pixels.isNull()) {
        canRead_ = false;
        hint_->setText(QStringLiteral("无法读取屏幕像素（可能是 Wayland 会话或没有权限），无法取色。"));
        timer_->stop();
        start_->setEnabled(false);
        return;
    }
    // The cursor's pixel within the grabbed area, also at the screen's edges.
    magnify(pixels, cursor - area.topLeft());
}

void ColorPickWindow::magnify(const QImage& pixels, QPoint inArea) {
    current_ = colorAt(pixels, inArea);
    QImage zoom((2 * kRadius + 1) * kZoom, (2 * kRadius + 1) * kZoom, QImage::Format_RGB32);
    zoom.fill(Qt::white);
    QPainter p(&zoom);
    const QPoint offset = (QPoint(kRadius, kRadius) - inArea) * kZoom;
    p.drawImage(QRect(offset, pixels.size() * kZoom), pixels);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(kRadius * kZoom, kRadius * kZoom, kZoom - 1, kZoom - 1);
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(kRadius * kZoom - 1, kRadius * kZoom - 1, kZoom + 1, kZoom + 1);
    p.end();
    magnifier_->setPixmap(QPixmap::fromImage(zoom));
    if (!picked_.isValid() || picking_) showCurrent(current_);
}

void ColorPickWindow::showCurrent(const QColor& c) {
    if (!c.isValid()) return;
    swatch_->setPixmap(swatch(c, 64));
    hex_->setText(QStringLiteral("HEX：") + q(hexText(c)));
    rgb_->setText(QStringLiteral("RGB：") + q(rgbText(c)));
    hsv_->setText(QStringLiteral("HSV：") + q(hsvText(c)));
}

void ColorPickWindow::pick() {
    if (!canRead_ || !current_.isValid()) return;
    keep(current_);
}

void ColorPickWindow::keep(const QColor& color) {
    picked_ = color;
    history_.add(picked_);
    showCurrent(picked_);
    list_->clear();
    for (const QColor& c : history_.colors()) {
        auto* item = new QListWidgetItem(QIcon(swatch(c, 20)), q(hexText(c) + "  " + rgbText(c)));
        item->setData(Qt::UserRole, q(hexText(c)));
        list_->addItem(item);
    }
    hint_->setText(QStringLiteral("已取色 %1。").arg(q(hexText(picked_))));
}

void ColorPickWindow::pickNow() {
    if (!start_->isEnabled()) return;
    if (portal_)
        askPortal();
    else if (!picking_)
        startPicking();
}

void ColorPickWindow::askPortal() {
    start_->setEnabled(false);
    hint_->setText(QStringLiteral("请用桌面的取色器点选颜色…"));
    portal_->pickColor([this](const PortalResult& r) {
        start_->setEnabled(true);
        if (r.kind != PortalResult::Kind::Color) {
            hint_->setText(q(r.message));
            return;
        }
        keep(r.color);
    });
}

void ColorPickWindow::askScreenshot() {
    shot_->setEnabled(false);
    hint_->setText(QStringLiteral("正在请桌面截屏…"));
    portal_->screenshot([this](const PortalResult& r) {
        shot_->setEnabled(true);
        if (r.kind != PortalResult::Kind::Image) {
            hint_->setText(q(r.message));
            return;
        }
        const QImage image = r.image.convertToFormat(QImage::Format_RGB32);
        auto around = [this, image](QPoint p) {
            const QRect area = sampleRect(p, kRadius, image.rect());
            if (!area.isEmpty()) magnify(image.copy(area), p - area.topLeft());
        };
        auto* view = new ScreenshotView(image, around, [this, around](QPoint p) {
            around(p);
            if (current_.isValid()) keep(current_);
        });
        hint_->setText(QStringLiteral("在截屏上移动鼠标看放大的像素，单击取色，按 Esc 关闭。"));
        view->showFullScreen();
    });
}

void ColorPickWindow::startPicking() {
    picking_ = true;
    start_->setText(QStringLiteral("取消（Esc）"));
    grabMouse(Qt::CrossCursor);
    grabKeyboard();
    hint_->setText(QStringLiteral("单击屏幕任意处取色，按 Esc 取消。"));
}

void ColorPickWindow::stopPicking() {
    picking_ = false;
    releaseMouse();
    releaseKeyboard();
    start_->setText(QStringLiteral("开始取色"));
}

void ColorPickWindow::mousePressEvent(QMouseEvent* e) {
    if (!picking_) {
        ToolWindow::mousePressEvent(e);
        return;
    }
    // With the mouse grabbed, a click anywhere on the screen lands here.
    follow();  // the pixel under the click, not the last timer tick's
    stopPicking();
    pick();
}

void ColorPickWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && picking_) {
        stopPicking();
        hint_->setText(QStringLiteral("已取消。"));
        return;
    }
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (portal_) {
            if (start_->isEnabled()) askPortal();
            return;
        }
        follow();
        if (picking_) stopPicking();
        pick();
        return;
    }
    ToolWindow::keyPressEvent(e);
}

void ColorPickWindow::copy(const std::string& text) {
    QApplication::clipboard()->setText(q(text));
    hint_->setText(tools::kCopied + QStringLiteral(" ") + q(text));
}

}  // namespace qx::colorpick
