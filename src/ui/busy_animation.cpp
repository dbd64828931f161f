#include "ui/busy_animation.h"

#include <QHideEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>

#include <algorithm>

namespace lumbrel::ui {
namespace {

// Everything is laid out on a 160 × 64 canvas and scaled to the widget.
constexpr qreal kCanvasWidth = 160;
constexpr qreal kCanvasHeight = 64;
constexpr qreal kShownScale = 1.2;

// The frames of the flight; the ones after it show the card resting in the
// folder, so that the loop does not start again at once.
constexpr int kFlightFrames = 14;

// Where the card starts (at the lens) and where it comes to rest (in the
// folder, its top edge showing over the front), as the card's centre.
constexpr QPointF kStart{26, 37};
constexpr QPointF kEnd{126, 40};
constexpr qreal kArcHeight = 30;  // how far above the straight line the arc rises
constexpr QSizeF kCardSize{26, 20};

const QColor kOutline{0x3a, 0x40, 0x4a};
const QColor kCameraBody{0x4d, 0x55, 0x61};
const QColor kCameraTop{0x62, 0x6b, 0x78};
const QColor kLensRing{0x2a, 0x2f, 0x36};
const QColor kLensGlass{0x5d, 0x8f, 0xc9};
const QColor kFolderBack{0xd9, 0x93, 0x25};
const QColor kFolderFront{0xf4, 0xb9, 0x4a};
const QColor kFolderFrontLight{0xf9, 0xcf, 0x73};
const QColor kSky{0x8e, 0xc8, 0xf0};
const QColor kSun{0xff, 0xd2, 0x4d};
const QColor kHill{0x5c, 0xae, 0x5a};
const QColor kHillFar{0x86, 0xc4, 0x6e};

/// Smooth start and end of the flight.
qreal ease(qreal t) { return t * t * (3 - 2 * t); }

void paintCamera(QPainter& p) {
    QPainterPath body;
    body.addRoundedRect(QRectF(6, 22, 40, 28), 5, 5);
    QPainterPath hump;
    hump.addRoundedRect(QRectF(15, 16, 16, 9), 2.5, 2.5);
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kCameraTop);
    p.drawPath(hump);
    p.setBrush(kCameraBody);
    p.drawPath(body);
    // Shutter button and flash.
    p.setBrush(kOutline);
    p.drawRoundedRect(QRectF(36, 18.5, 7, 3.5), 1.2, 1.2);
    p.setBrush(QColor(0xe8, 0xee, 0xf4));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(10, 26, 6, 4), 1, 1);
    // The lens.
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kLensRing);
    p.drawEllipse(QPointF(26, 37), 9.5, 9.5);
    QRadialGradient glass(QPointF(24, 35), 7);
    glass.setColorAt(0, kLensGlass.lighter(140));
    glass.setColorAt(1, kLensGlass.darker(130));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(QPointF(26, 37), 6, 6);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QPointF(23.8, 34.8), 1.8, 1.8);
}

void paintFolderBack(QPainter& p) {
    QPainterPath back;
    back.moveTo(104, 50);
    back.lineTo(104, 24);
    back.quadTo(104, 22, 106, 22);
    back.lineTo(116, 22);
    back.lineTo(120, 26);
    back.lineTo(146, 26);
    back.quadTo(148, 26, 148, 28);
    back.lineTo(148, 50);
    back.closeSubpath();
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kFolderBack);
    p.drawPath(back);
}

void paintFolderFront(QPainter& p) {
    // The front flap leans back a little at its top edge.
    QPainterPath front;
    front.moveTo(101, 36);
    front.lineTo(151, 36);
    front.lineTo(148, 56);
    front.quadTo(147.7, 58, 146, 58);
    front.lineTo(106, 58);
    front.quadTo(104.3, 58, 104, 56);
    front.closeSubpath();
    QLinearGradient shade(0, 36, 0, 58);
    shade.setColorAt(0, kFolderFrontLight);
    shade.setColorAt(1, kFolderFront);
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(shade);
    p.drawPath(front);
}

/// A small photograph: white border, sky, sun and two hills.
void paintCard(QPainter& p, QPointF centre, qreal scale, qreal angle, qreal opacity) {
    p.save();
    p.setOpacity(opacity);
    p.translate(centre);
    p.rotate(angle);
    p.scale(scale, scale);
    const QRectF card(-kCardSize.width() / 2, -kCardSize.height() / 2, kCardSize.width(), kCardSize.height());
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, 1.5, 1.5);
    const QRectF photo = card.adjusted(2.2, 2.2, -2.2, -2.2);
    p.setClipRect(photo);
    p.setPen(Qt::NoPen);
    p.fillRect(photo, kSky);
    p.setBrush(kSun);
    p.drawEllipse(QPointF(photo.right() - 5, photo.top() + 4.5), 2.6, 2.6);
    p.setBrush(kHillFar);
    p.drawEllipse(QPointF(photo.left() + 4, photo.bottom() + 3), 11, 8);
    p.setBrush(kHill);
    p.drawEllipse(QPointF(photo.right() - 3, photo.bottom() + 5), 12, 9);
    p.restore();
}

/// Where the card is at time t (0..1) of the flight: a parabola over the
/// straight line from start to end.
QPointF cardCentre(qreal t) {
    const qreal s = ease(t);
    const QPointF line = kStart + (kEnd - kStart) * s;
    return {line.x(), line.y() - kArcHeight * 4 * s * (1 - s)};
}

/// The card comes out of the lens small, is full size by the top of its
/// flight and shrinks a little as it goes down into the folder, turning from
/// a slight tilt left to one right.
qreal cardScale(qreal t) {
    const qreal grown = ease(std::min<qreal>(1, t / 0.4));
    const qreal settled = ease(std::max<qreal>(0, (t - 0.6) / 0.4));
    return 0.35 + 0.65 * grown - 0.2 * settled;
}
qreal cardAngle(qreal t) { return -12 + 24 * t; }

}  // namespace

BusyAnimation::BusyAnimation(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(kFrameIntervalMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &BusyAnimation::advance);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void BusyAnimation::setFrame(int frame) {
    frame = ((frame % kFrameCount) + kFrameCount) % kFrameCount;
    if (frame == frame_) return;
    frame_ = frame;
    update();
    emit frameChanged(frame_);
}

// A little larger than the canvas: the picture is the window's eye-catcher.
QSize BusyAnimation::sizeHint() const {
    return {qRound(kCanvasWidth * kShownScale), qRound(kCanvasHeight * kShownScale)};
}

void BusyAnimation::advance() { setFrame(frame_ + 1); }

void BusyAnimation::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setFrame(0);
    timer_.start();
}

void BusyAnimation::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void BusyAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Keep the canvas's proportions and centre it in the widget.
    const qreal scale = std::min(width() / kCanvasWidth, height() / kCanvasHeight);
    painter.translate((width() - kCanvasWidth * scale) / 2, (height() - kCanvasHeight * scale) / 2);
    paintFrame(painter, frame_, kCanvasWidth * scale, kCanvasHeight * scale);
}

void BusyAnimation::paintFrame(QPainter& p, int frame, qreal width, qreal height) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(width / kCanvasWidth, height / kCanvasHeight);

    paintCamera(p);
    paintFolderBack(p);

    frame = ((frame % kFrameCount) + kFrameCount) % kFrameCount;
    if (frame < kFlightFrames) {
        const qreal t = static_cast<qreal>(frame) / (kFlightFrames - 1);
        // A faint trail of where the card has just been, while it is in
        // the air (over the folder it would only muddy the picture).
        if (t > 0.3 && t < 0.75) {
            for (int back = 2; back >= 1; --back) {
                const qreal earlier = t - back * 0.07;
                paintCard(p, cardCentre(earlier), cardScale(earlier), cardAngle(earlier), back == 2 ? 0.1 : 0.22);
            }
        }
        paintCard(p, cardCentre(t), cardScale(t), cardAngle(t), 1.0);
    } else {
        paintCard(p, kEnd, cardScale(1), cardAngle(1), 1.0);
    }

    paintFolderFront(p);
    p.restore();
}

}  // namespace lumbrel::ui
