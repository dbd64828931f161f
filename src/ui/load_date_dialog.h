#pragma once
// The load date dialog: the date of the library that a folder is loaded into,
// chosen from a year, a month and a day list. Years run from next year down to
// 1980, months from 12 down to 1, days from the chosen month's length down to
// 1, following leap years. Where a library may be made without a day, the day
// list ends in "Unassigned", which is then preselected; otherwise today is.

#include <QDate>
#include <QDialog>

#include <string>

class QComboBox;

namespace lumbrel::ui {

class LoadDateDialog : public QDialog {
    Q_OBJECT
public:
    /// folderShown names the folder the date is for (empty: no folder line).
    /// today decides the lists and what is preselected.
    LoadDateDialog(const QString& folderShown, bool offerUnassigned, QDate today = QDate::currentDate(),
                   QWidget* parent = nullptr);

    /// The chosen key: YYYYMMDD, or YYYYMM00 with "Unassigned".
    std::string key() const;

private:
    /// Fills the day list for the chosen year and month, keeping the chosen day
    /// (or the month's last day when the month is shorter).
    void fillDays();

    bool offerUnassigned_;
    QComboBox* year_;
    QComboBox* month_;
    QComboBox* day_;
};

}  // namespace lumbrel::ui
