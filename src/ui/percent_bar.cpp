#include "ui/percent_bar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <algorithm>

namespace lumbrel::ui {

PercentBar::PercentBar(QWidget* parent)
    : QWidget(parent), textColor_(palette().color(QPalette::Highlight)),
      backgroundColor_(palette().color(QPalette::Base)) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted below
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PercentBar::setPosition(int position) {
    if (position == position_) return;
    position_ = position;
    update();
}

void PercentBar::setMaximum(int maximum) {
    maximum = std::max(maximum, 1);
    if (maximum == maximum_) return;
    maximum_ = maximum;
    update();
}

void PercentBar::setTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

void PercentBar::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

int PercentBar::shownPosition() const { return std::clamp(position_, 0, maximum_); }

QString PercentBar::text() const {
    // 64-bit products: a maximum near INT_MAX must not overflow.
    const auto percent = static_cast<int>(qint64{shownPosition()} * 100 / maximum_);
    return QString::asprintf("%3d%%", percent);
}

int PercentBar::filledWidth(int innerWidth) const {
    if (innerWidth <= 0) return 0;
    return static_cast<int>(qint64{shownPosition()} * innerWidth / maximum_);
}

QSize PercentBar::sizeHint() const {
    // Room for the text with a little air above and below, inside the frame.
    const int height = fontMetrics().height() + 8;
    return {200, height};
}

QSize PercentBar::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 8, fontMetrics().height() + 4};
}

void PercentBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = rect();
    painter.fillRect(client, Qt::black);  // what the inside leaves is the one-pixel frame
    const QRect inner = client.adjusted(1, 1, -1, -1);
    if (inner.isEmpty()) return;

    const QRect filled(inner.left(), inner.top(), filledWidth(inner.width()), inner.height());
    const QRect rest(filled.right() + 1, inner.top(), inner.right() - filled.right(), inner.height());
    const QRect textArea = inner.translated(1, 1);  // one pixel right and down of the middle
    const QString label = text();

    // The same text twice, each clipped to its part, so that it reads in the
    // opposite colours where the bar has reached it.
    painter.fillRect(filled, textColor_);
    painter.fillRect(rest, backgroundColor_);
    painter.setClipRect(filled);
    painter.setPen(backgroundColor_);
    painter.drawText(textArea, Qt::AlignCenter, label);
    painter.setClipRect(rest);
    painter.setPen(textColor_);
    painter.drawText(textArea, Qt::AlignCenter, label);
}

}  // namespace lumbrel::ui
