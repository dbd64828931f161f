#include "ui/undated_dialog.h"
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

    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
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

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(qt(app::kButtonOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    buttons->addButton(qt(app::kButtonCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(body);
    layout->addSpacing(6);
    layout->addWidget(buttons);
}

camera::UndatedChoice UndatedDialog::choice() const {
    return byDate_->isChecked() ? camera::UndatedChoice::ByDate : camera::UndatedChoice::FileDate;
}

}  // namespace lumbrel::ui
