#include "ui/window_geometry.h"

#include <QFontMetricsF>

#include <algorithm>

namespace lumbrel::ui {

DialogUnits dialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    // The average width over the letters of both cases, as dialog units count it.
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double average = metrics.horizontalAdvance(letters) / letters.size();
    return {average / 4.0, metrics.height() / 8.0};
}

QSize toPixels(QSize dialogSize, DialogUnits units) {
    return {static_cast<int>(dialogSize.width() * units.x + 0.5), static_cast<int>(dialogSize.height() * units.y + 0.5)};
}

QPoint storedPosition(int left, int top, QSize workArea) {
    if (left > workArea.width() || left < 0) left = 0;
    if (top > workArea.height() || top < 0) top = 0;
    return {left, top};
}

QRect keptOnScreen(QRect frame) {
    frame.moveTo(std::max(frame.left(), 0), std::max(frame.top(), 0));
    return frame;
}

}  // namespace lumbrel::ui
