#include "ui/read_only_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/strings.h"
#include "ui/dialog_parts.h"
#include "ui/preview_box.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {

ReadOnlyDialog::ReadOnlyDialog(const std::string& preview, QWidget* parent)
    : QDialog(parent), picture_(new PreviewBox(this)) {
    setWindowTitle(qt(app::kReadOnlyCaption));
    auto* text = new QLabel(qt(app::kReadOnlyText), this);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setMinimumWidth(text->fontMetrics().averageCharWidth() * 34);
    picture_->setFixedSize(picture_->sizeHint());
    picture_->showEntry(preview);

    auto* column = new QVBoxLayout;
    column->addWidget(text);
    column->addStretch(1);
    auto* body = new QHBoxLayout;
    body->setSpacing(14);
    body->addWidget(messageIcon(this, QStyle::SP_MessageBoxWarning));
    body->addLayout(column, 1);
    body->addWidget(picture_, 0, Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* remove = buttons->addButton(QStringLiteral("Delete"), QDialogButtonBox::AcceptRole);
    remove->setObjectName("delete");
    QPushButton* keep = buttons->addButton(qt(app::kButtonCancel), QDialogButtonBox::RejectRole);
    keep->setObjectName("cancel");
    keep->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    stackBodyAndButtons(this, body, buttons);
}

}  // namespace lumbrel::ui
