#include "ui/confirm_dialog.h"
#include "ui/qt_text.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

#include "app/strings.h"

namespace lumbrel::ui {
namespace {


constexpr int kMinimumWidth = 300;
constexpr int kTitleBarButtons = 120;  // what a title bar takes besides the caption

}  // namespace

ConfirmDialog::ConfirmDialog(const QString& caption, const QString& text, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);

    auto* icon = new QLabel(this);
    icon->setAlignment(Qt::AlignTop);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(size, size));
    auto* message = new QLabel(text, this);
    message->setObjectName("text");
    message->setTextFormat(Qt::PlainText);
    auto* body = new QHBoxLayout;
    body->setSpacing(12);
    body->addWidget(icon);
    body->addWidget(message, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(qt(app::kButtonOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    buttons->addButton(qt(app::kButtonSuspend), QDialogButtonBox::RejectRole)->setObjectName("suspend");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(body);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    // The text is two short lines; the caption above it (an automatic load's
    // is the longer one) must not be cut off in the title bar.
    layout->addStrut(std::max(kMinimumWidth, fontMetrics().horizontalAdvance(caption) + kTitleBarButtons));
}

}  // namespace lumbrel::ui
