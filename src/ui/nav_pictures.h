#pragma once
// The pictures of the navigation bar down the left side of the main window.
// Every picture is drawn here with QPainter (nothing is read from files or
// icon themes), so it stays sharp at any size and device pixel ratio.

#include <QPixmap>
#include <QSize>
#include <QString>

#include <array>

namespace lumbrel::ui {

/// The ten buttons of the navigation bar, top to bottom.
enum class NavButton { ViewLibrary, Load, Edit, Delete, Copy, Move, Setup, Print, Help, Exit };

/// All buttons in the order the bar shows them.
inline constexpr std::array<NavButton, 10> kNavButtons{
    NavButton::ViewLibrary, NavButton::Load, NavButton::Edit,  NavButton::Delete, NavButton::Copy,
    NavButton::Move,        NavButton::Setup, NavButton::Print, NavButton::Help,   NavButton::Exit};

/// The look of a button: raised, pressed, holding the keyboard focus, or
/// unavailable.
enum class ButtonState { Up, Down, Focused, Disabled };

/// The picture of a button in a state: the button face with the symbol of
/// its action and its caption beneath. size is in device-independent pixels;
/// the pixmap has size × devicePixelRatio device pixels and carries that
/// ratio. Pixels outside the rounded face are transparent. An empty size or
/// a ratio that is not positive gives a null pixmap.
QPixmap navigationPicture(NavButton button, ButtonState state, QSize size, qreal devicePixelRatio);

/// The caption drawn in the picture, in plain words ("Load images").
QString navigationCaption(NavButton button);

/// The tooltip and accessible description of a button, a short sentence.
QString navigationTooltip(NavButton button);

}  // namespace lumbrel::ui
