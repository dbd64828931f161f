#pragma once
// What the small dialogs of a load share: their OK and Cancel (or Suspend)
// buttons, the style's message icon, and the stacking of body and buttons.

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QStyle>

#include <string_view>

namespace lumbrel::ui {

/// OK (the default button, named "ok", accepts the dialog) and a second
/// button with rejectText that rejects it (named rejectName when given).
QDialogButtonBox* okAndRejectButtons(QDialog* dialog, std::string_view rejectText, const char* rejectName = nullptr);

/// The style's message icon of that kind at the message-box size, at the top.
QLabel* messageIcon(QWidget* parent, QStyle::StandardPixmap kind);

/// Lays out body, a little space and the buttons; the dialog keeps the size
/// its contents need. Returns the dialog's layout.
QBoxLayout* stackBodyAndButtons(QDialog* dialog, QLayout* body, QDialogButtonBox* buttons);

}  // namespace lumbrel::ui
