#include "ui/app_icon.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace lumbrel::ui {
namespace {

// The icon is drawn on a 256 × 256 grid and scaled to each size.
constexpr qreal kGrid = 256;

void drawPrint(QPainter& p) {
    // A photograph behind the camera, turned a little: white border, sky,
    // sun and hills.
    p.save();
    p.translate(164, 86);
    p.rotate(9);
    const QRectF border(-68, -52, 136, 104);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(border.translated(3, 5), 6, 6);
    p.setBrush(QColor(0xf4, 0xf2, 0xee));
    p.drawRoundedRect(border, 6, 6);
    const QRectF picture = border.adjusted(10, 10, -10, -22);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, QColor(0x6f, 0xaa, 0xdc));
    sky.setColorAt(1, QColor(0xcf, 0xe6, 0xf6));
    p.setBrush(sky);
    p.drawRect(picture);
    p.setBrush(QColor(0xf2, 0xc4, 0x6d));
    p.drawEllipse(QPointF(picture.left() + 28, picture.top() + 20), 10, 10);
    QPainterPath hills(QPointF(picture.left(), picture.bottom()));
    hills.lineTo(picture.left(), picture.bottom() - 16);
    hills.lineTo(picture.left() + 40, picture.top() + 30);
    hills.lineTo(picture.left() + 66, picture.bottom() - 24);
    hills.lineTo(picture.left() + 88, picture.top() + 24);
    hills.lineTo(picture.right(), picture.bottom() - 18);
    hills.lineTo(picture.right(), picture.bottom());
    hills.closeSubpath();
    p.setBrush(QColor(0x5c, 0x86, 0x6a));
    p.drawPath(hills);
    p.restore();
}

void drawCamera(QPainter& p, bool details) {
    p.setPen(Qt::NoPen);
    // Shadow, then the body in light metal with a darker grip band.
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawRoundedRect(QRectF(30, 108, 196, 118), 24, 24);
    if (details) {
        p.setBrush(QColor(0xd6, 0xd6, 0xd6));
        p.drawRoundedRect(QRectF(74, 80, 70, 34), 10, 10);
        p.setBrush(QColor(0xe0, 0xa0, 0x40));
        p.drawRoundedRect(QRectF(40, 88, 28, 18), 6, 6);
    }
    QLinearGradient metal(QPointF(0, 100), QPointF(0, 220));
    metal.setColorAt(0, QColor(0xf0, 0xf0, 0xf0));
    metal.setColorAt(1, QColor(0xb4, 0xb4, 0xb4));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(28, 100, 200, 118), 24, 24);
    if (details) {
        p.setBrush(QColor(0x3a, 0x3d, 0x42));
        p.drawRoundedRect(QRectF(28, 138, 200, 48), 0, 0);
    }

    // The lens: barrel, ring and glass with a highlight.
    const QPointF centre(128, 160);
    p.setBrush(QColor(0x2a, 0x2d, 0x32));
    p.drawEllipse(centre, 54, 54);
    p.setBrush(QColor(0x5a, 0x5f, 0x66));
    p.drawEllipse(centre, 45, 45);
    QRadialGradient glass(centre + QPointF(-10, -12), 44);
    glass.setColorAt(0, QColor(0x7c, 0xb8, 0xe8));
    glass.setColorAt(0.55, QColor(0x2c, 0x5a, 0x86));
    glass.setColorAt(1, QColor(0x12, 0x22, 0x34));
    p.setBrush(glass);
    p.drawEllipse(centre, 36, 36);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(centre + QPointF(-13, -14), 9, 7);
}

QPixmap drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kGrid, size / kGrid);

    // The tile: dark slate, lighter at the top.
    QLinearGradient tile(QPointF(0, 8), QPointF(0, 248));
    tile.setColorAt(0, QColor(0x4c, 0x52, 0x5a));
    tile.setColorAt(1, QColor(0x26, 0x29, 0x2e));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);

    // Under 32 pixels the photograph and the small parts would only blur.
    if (size >= 32) drawPrint(p);
    drawCamera(p, size >= 24);
    p.end();
    return QPixmap::fromImage(std::move(image));
}

}  // namespace

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace lumbrel::ui
