#include "ui/load_date_dialog.h"
#include "ui/dialog_parts.h"
#include "ui/qt_text.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "app/strings.h"
#include "camera/date_key.h"

namespace lumbrel::ui {
namespace {


constexpr int kUnassignedDay = 0;  // what dateKey takes for "no day"

// The width beyond which the folder line is shortened in the middle.
constexpr int kFolderLineWidth = 360;

int chosen(const QComboBox* box) { return box->currentData().toInt(); }

}  // namespace

LoadDateDialog::LoadDateDialog(const QString& folderShown, bool offerUnassigned, QDate today, QWidget* parent)
    : QDialog(parent),
      offerUnassigned_(offerUnassigned),
      year_(new QComboBox(this)),
      month_(new QComboBox(this)),
      day_(new QComboBox(this)) {
    setWindowTitle(qt(app::kLoadDateCaption));
    year_->setObjectName("year");
    month_->setObjectName("month");
    day_->setObjectName("day");

    for (int year = today.year() + 1; year >= camera::kFirstLoadYear; --year)
        year_->addItem(QString::number(year), year);
    year_->setCurrentIndex(year_->findData(today.year()));
    for (int month = 12; month >= 1; --month) month_->addItem(QString::number(month), month);
    month_->setCurrentIndex(month_->findData(today.month()));
    fillDays();
    day_->setCurrentIndex(day_->findData(offerUnassigned ? kUnassignedDay : today.day()));

    connect(year_, &QComboBox::currentIndexChanged, this, &LoadDateDialog::fillDays);
    connect(month_, &QComboBox::currentIndexChanged, this, &LoadDateDialog::fillDays);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (!folderShown.isEmpty()) {
        auto* folder = new QLabel(this);
        folder->setObjectName("folder");
        folder->setText(folder->fontMetrics().elidedText(folderShown, Qt::ElideMiddle, kFolderLineWidth));
        folder->setToolTip(folderShown);
        layout->addWidget(folder);
        layout->addSpacing(6);
    }
    auto* fields = new QHBoxLayout;
    const auto addField = [&](std::string_view label, QComboBox* box) {
        if (!fields->isEmpty()) fields->addSpacing(12);
        auto* text = new QLabel(qt(label), this);
        text->setBuddy(box);
        fields->addWidget(text);
        fields->addWidget(box);
    };
    addField(app::kLoadDateYear, year_);
    addField(app::kLoadDateMonth, month_);
    addField(app::kLoadDateDay, day_);
    layout->addLayout(fields);
    layout->addSpacing(6);

    layout->addWidget(okAndRejectButtons(this, app::kButtonCancel));
}

void LoadDateDialog::fillDays() {
    const int days = camera::daysInMonth(chosen(year_), chosen(month_));
    const int was = day_->count() ? chosen(day_) : days;
    QSignalBlocker quiet(day_);
    day_->clear();
    for (int day = days; day >= 1; --day) day_->addItem(QString::number(day), day);
    if (offerUnassigned_) day_->addItem(qt(app::text(app::kStrUnassigned)), kUnassignedDay);
    day_->setCurrentIndex(day_->findData(was == kUnassignedDay && offerUnassigned_ ? kUnassignedDay
                                                                                   : std::clamp(was, 1, days)));
}

std::string LoadDateDialog::key() const { return camera::dateKey(chosen(year_), chosen(month_), chosen(day_)); }

}  // namespace lumbrel::ui
