#include "ui/confirm_dialog.h"
#include "ui/dialog_parts.h"
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

    QLabel* icon = messageIcon(this, QStyle::SP_MessageBoxInformation);
    auto* message = new QLabel(text, this);
    message->setObjectName("text");
    message->setTextFormat(Qt::PlainText);
    auto* body = new QHBoxLayout;
    body->setSpacing(12);
    body->addWidget(icon);
    body->addWidget(message, 1);

    QBoxLayout* layout = stackBodyAndButtons(this, body, okAndRejectButtons(this, app::kButtonSuspend, "suspend"));
    // The text is two short lines; the caption above it (an automatic load's
    // is the longer one) must not be cut off in the title bar.
    layout->addStrut(std::max(kMinimumWidth, fontMetrics().horizontalAdvance(caption) + kTitleBarButtons));
}

}  // namespace lumbrel::ui
