// Draws the program's icon for the desktop (menu, task bar) at the hicolor theme's sizes:
// a rounded tile with a toolbox, our own drawing. Usage: qx_draw_app_icon <output folder>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);  // drawn on a 256 grid, so every size is the same shape
    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, QColor(64, 150, 255));
    tile.setColorAt(1, QColor(24, 92, 214));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(12, 12, 232, 232), 52, 52);
    // The box: a lid handle, the body and a clasp.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255), 18, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawRoundedRect(QRectF(98, 62, 60, 40), 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(QRectF(44, 92, 168, 116), 22, 22);
    p.setBrush(QColor(24, 92, 214));
    p.drawRect(QRectF(44, 136, 168, 10));
    p.setBrush(QColor(255, 196, 64));
    p.drawRoundedRect(QRectF(110, 124, 36, 36), 8, 8);
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);  // run with QT_QPA_PLATFORM=offscreen
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        QString path = dir.filePath(QStringLiteral("icon-%1.png").arg(size));
        if (!icon(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
