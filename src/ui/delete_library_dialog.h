#pragma once
// "Delete": the question about one library to delete, with its date and
// title. An ordinary library (155) holds its pictures, which go with it; a
// shortcut library (156) holds links, and the pictures they point to stay.
// "Yes", "Delete all" (this one and the rest of its kind without asking),
// "No" (skip it) and "Cancel" (stop asking about this kind).

#include <QDialog>

#include "maintenance/maintenance_prompt.h"

class QPushButton;

namespace lumbrel::ui {

class DeleteLibraryDialog : public QDialog {
    Q_OBJECT
public:
    /// shown: the library's date text, a space and its title (UTF-8).
    DeleteLibraryDialog(maintenance::LibraryKind kind, QString shown, QWidget* parent = nullptr);

    /// The button pressed; Cancel until one is (Escape and the close box too).
    maintenance::DeleteAnswer answer() const { return answer_; }
    QPushButton* button(maintenance::DeleteAnswer which) const;

private:
    void answerWith(maintenance::DeleteAnswer answer);

    maintenance::DeleteAnswer answer_ = maintenance::DeleteAnswer::Cancel;
    QPushButton* yes_;
    QPushButton* all_;
    QPushButton* no_;
    QPushButton* cancel_;
};

}  // namespace lumbrel::ui
