#pragma once
// The questions that come before a maintenance command touches anything:
// "Rebuild" before rebuilding the selected libraries (150) or every library
// (273), "Delete" before deleting libraries (154) or marked pictures (262).
// Each shows its lines beside a question sign, with OK and Cancel.

#include <QDialog>
#include <QStringList>

#include "maintenance/maintenance_prompt.h"

namespace lumbrel::ui {

class ConfirmationDialog : public QDialog {
    Q_OBJECT
public:
    ConfirmationDialog(maintenance::Confirmation which, QWidget* parent = nullptr);

    maintenance::Confirmation which() const { return which_; }
    /// The caption and the lines of a confirmation.
    static QString caption(maintenance::Confirmation which);
    static QStringList lines(maintenance::Confirmation which);

private:
    maintenance::Confirmation which_;
};

}  // namespace lumbrel::ui
