#include "common/ToolWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QTime>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Look.h"
#include "common/Texts.h"

namespace qx::tools {

namespace {

constexpr int kTitleHeight = 34;

// Nine slices keep the skin's frame and rounded corners undistorted at any window size.
void drawSkin(QPainter& p, const QImage& img, const QRect& target) {
    const int m = std::min({16, img.width() / 3, img.height() / 3, target.width() / 2, target.height() / 2});
    const int sw = img.width(), sh = img.height(), tw = target.width(), th = target.height();
    const int sx[4] = {0, m, sw - m, sw}, sy[4] = {0, m, sh - m, sh};
    const int tx[4] = {0, m, tw - m, tw}, ty[4] = {0, m, th - m, th};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            p.drawImage(QRect(tx[i], ty[j], tx[i + 1] - tx[i], ty[j + 1] - ty[j]), img,
                        QRect(sx[i], sy[j], sx[i + 1] - sx[i], sy[j + 1] - sy[j]));
}

QToolButton* titleButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    b->setFixedSize(26, 22);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

ToolWindow::ToolWindow(const QString& title, const QString& aboutLine, QSize size)
    : skin_(skinImage(isNightHour(QTime::currentTime().hour()))) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(title);
    resize(size);
    setMinimumSize(360, 240);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(14, 6, 14, 8);
    outer->setSpacing(6);

    auto* titleRow = new QHBoxLayout;
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("toolTitle"));
    titleLabel->setFixedHeight(kTitleHeight - 6);
    titleRow->addWidget(titleLabel);
    titleRow->addStretch(1);
    QToolButton* minimise = titleButton(QStringLiteral("-"), kMinimise, this);
    QToolButton* close = titleButton(QStringLiteral("×"), kClose, this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(minimise, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(close, &QToolButton::clicked, this, &QWidget::close);
    titleRow->addWidget(minimise);
    titleRow->addWidget(close);
    outer->addLayout(titleRow);

    body_ = new QWidget(this);
    outer->addWidget(body_, 1);

    auto* bottom = new QHBoxLayout;
    about_ = new QLabel(aboutLine, this);
    about_->setObjectName(QStringLiteral("aboutLine"));
    about_->setWordWrap(true);
    bottom->addWidget(about_, 1);
    bottom->addWidget(new QSizeGrip(this), 0, Qt::AlignBottom | Qt::AlignRight);
    outer->addLayout(bottom);
}

void ToolWindow::setAboutLine(const QString& text) { about_->setText(text); }

void ToolWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    if (!skin_.isNull()) {
        drawSkin(p, skin_, rect());
        return;
    }
    p.setPen(QPen(QColor(12, 12, 14), 3));
    p.setBrush(QColor(248, 249, 251));
    p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 10, 10);
}

void ToolWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && e->position().y() < kTitleHeight) {
        dragging_ = true;
        dragOffset_ = e->globalPosition().toPoint() - pos();
    }
    QWidget::mousePressEvent(e);
}

void ToolWindow::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) move(e->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(e);
}

void ToolWindow::mouseReleaseEvent(QMouseEvent* e) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(e);
}

}  // namespace qx::tools
