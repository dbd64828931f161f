#include "ui/confirmation_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/strings.h"
#include "ui/dialog_parts.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {

using maintenance::Confirmation;

QString ConfirmationDialog::caption(Confirmation which) {
    switch (which) {
        case Confirmation::RebuildSelected:
        case Confirmation::RebuildAll: return qt(app::kRebuildCaption);
        case Confirmation::DeleteLibraries:
        case Confirmation::DeleteImages: return qt(app::kDeleteCaption);
    }
    return {};
}

QStringList ConfirmationDialog::lines(Confirmation which) {
    switch (which) {
        case Confirmation::RebuildSelected: return {qt(app::kRebuildSelectedLine1), qt(app::kRebuildSelectedLine2)};
        case Confirmation::RebuildAll:
            return {qt(app::kRebuildAllLine1), qt(app::kRebuildAllLine2), qt(app::kRebuildAllLine3)};
        case Confirmation::DeleteLibraries: return {qt(app::kDeleteLibrariesText)};
        case Confirmation::DeleteImages: return {qt(app::kDeleteImagesLine1), qt(app::kDeleteImagesLine2)};
    }
    return {};
}

ConfirmationDialog::ConfirmationDialog(Confirmation which, QWidget* parent) : QDialog(parent), which_(which) {
    setWindowTitle(caption(which));
    auto* text = new QVBoxLayout;
    text->setSpacing(8);
    int n = 0;
    for (const QString& line : lines(which)) {
        auto* label = new QLabel(line, this);
        label->setObjectName(QStringLiteral("line%1").arg(++n));
        label->setTextFormat(Qt::PlainText);
        // The long lines wrap at a readable width; the short ones stay whole.
        if (line.size() > 60) {
            label->setWordWrap(true);
            label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 58);
        }
        text->addWidget(label);
    }
    text->addStretch(1);
    auto* body = new QHBoxLayout;
    body->setSpacing(14);
    body->addWidget(messageIcon(this, QStyle::SP_MessageBoxQuestion));
    body->addLayout(text, 1);
    stackBodyAndButtons(this, body, okAndRejectButtons(this, app::kButtonCancel, "cancel"));
}

}  // namespace lumbrel::ui
