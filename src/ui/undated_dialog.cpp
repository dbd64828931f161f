#include "ui/undated_dialog.h"
#include "ui/dialog_parts.h"
#include "ui/qt_text.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include "app/strings.h"

namespace lumbrel::ui {
namespace {


}  // namespace

UndatedDialog::UndatedDialog(QWidget* parent)
    : QDialog(parent),
      byFileDate_(new QRadioButton(qt(app::kUndatedByFileDate), this)),
      byDate_(new QRadioButton(qt(app::kUndatedByDate), this)) {
    setWindowTitle(qt(app::kUndatedCaption));
    byFileDate_->setObjectName("byFileDate");
    byDate_->setObjectName("byDate");
    byFileDate_->setChecked(true);

    QLabel* icon = messageIcon(this, QStyle::SP_MessageBoxWarning);
    auto* text = new QLabel(qt(app::kUndatedText), this);
    text->setObjectName("text");

    auto* choices = new QVBoxLayout;
    choices->addWidget(text);
    choices->addSpacing(6);
    choices->addWidget(byFileDate_);
    choices->addWidget(byDate_);
    auto* body = new QHBoxLayout;
    body->setSpacing(12);
    body->addWidget(icon);
    body->addLayout(choices, 1);

    stackBodyAndButtons(this, body, okAndRejectButtons(this, app::kButtonCancel));
}

camera::UndatedChoice UndatedDialog::choice() const {
    return byDate_->isChecked() ? camera::UndatedChoice::ByDate : camera::UndatedChoice::FileDate;
}

}  // namespace lumbrel::ui
