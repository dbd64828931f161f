#include "ui/dialog_parts.h"

#include <QBoxLayout>
#include <QPushButton>

#include "app/strings.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {

QDialogButtonBox* okAndRejectButtons(QDialog* dialog, std::string_view rejectText, const char* rejectName) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(qt(app::kButtonOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    QPushButton* reject = buttons->addButton(qt(rejectText), QDialogButtonBox::RejectRole);
    if (rejectName) reject->setObjectName(rejectName);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLabel* messageIcon(QWidget* parent, QStyle::StandardPixmap kind) {
    auto* icon = new QLabel(parent);
    QStyle* style = parent->style();
    const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, parent);
    icon->setPixmap(style->standardIcon(kind, nullptr, parent).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    return icon;
}

QBoxLayout* stackBodyAndButtons(QDialog* dialog, QLayout* body, QDialogButtonBox* buttons) {
    auto* layout = new QVBoxLayout(dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(body);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    return layout;
}

}  // namespace lumbrel::ui
