#pragma once
// The confirmation before a load from a card or camera: a caption, a text and
// the buttons "OK" (load) and "Suspend" (do not load). A load started from the
// Load page asks with strings 59190/59189, an automatic load with 59143/59191.

#include <QDialog>

namespace lumbrel::ui {

class ConfirmDialog : public QDialog {
    Q_OBJECT
public:
    ConfirmDialog(const QString& caption, const QString& text, QWidget* parent = nullptr);
};

}  // namespace lumbrel::ui
