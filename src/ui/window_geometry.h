#pragma once
// The sizes and places of the main window: pages are laid out in dialog units
// (a quarter of the font's average character width across, an eighth of its
// height down), so the window grows with the user's font; the remembered
// position is kept on the screen.

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace lumbrel::ui {

/// Pixels per dialog unit of a font.
struct DialogUnits {
    double x = 1.5;
    double y = 1.625;
};

DialogUnits dialogUnits(const QFont& font);
QSize toPixels(QSize dialogSize, DialogUnits units);

/// Every page is as large as the Edit page: 370 x 197 dialog units.
inline constexpr QSize kPageDialogSize{370, 197};

/// The remembered position of the window: a left beyond the width of the
/// screen's work area (or a top beyond its height), or a negative one, becomes 0.
QPoint storedPosition(int left, int top, QSize workArea);

/// The rectangle moved so that its left and top are not negative, its size kept.
QRect keptOnScreen(QRect frame);

}  // namespace lumbrel::ui
