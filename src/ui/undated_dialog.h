#pragma once
// "Loading error": some pictures carry no recording date. The user sorts them
// by their files' dates or by one date chosen next; Cancel leaves them.

#include <QDialog>

#include "camera/loader_prompt.h"

class QRadioButton;

namespace lumbrel::ui {

class UndatedDialog : public QDialog {
    Q_OBJECT
public:
    explicit UndatedDialog(QWidget* parent = nullptr);

    /// The sorting chosen: FileDate (preselected) or ByDate. What Cancel means
    /// is the caller's: the dialog's result is Rejected then.
    camera::UndatedChoice choice() const;

private:
    QRadioButton* byFileDate_;
    QRadioButton* byDate_;
};

}  // namespace lumbrel::ui
