#include "ui/delete_library_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/strings.h"
#include "ui/dialog_parts.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {

using maintenance::DeleteAnswer;
using maintenance::LibraryKind;

DeleteLibraryDialog::DeleteLibraryDialog(LibraryKind kind, QString shown, QWidget* parent) : QDialog(parent) {
    setWindowTitle(qt(app::kDeleteCaption));
    const bool shortcut = kind == LibraryKind::Shortcut;
    auto* text = new QLabel(qt(shortcut ? app::kDeleteShortcutText : app::kDeleteOrdinaryText), this);
    text->setObjectName(QStringLiteral("text"));
    text->setTextFormat(Qt::PlainText);
    auto* library = new QLabel(shown, this);
    library->setObjectName(QStringLiteral("library"));
    library->setTextFormat(Qt::PlainText);
    library->setFrameShape(QFrame::StyledPanel);
    library->setFrameShadow(QFrame::Sunken);
    library->setMargin(4);
    QFont bold = library->font();
    bold.setBold(true);
    library->setFont(bold);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(10);
    lines->addWidget(text);
    lines->addWidget(library);
    auto* body = new QHBoxLayout;
    body->setSpacing(14);
    body->addWidget(messageIcon(this, QStyle::SP_MessageBoxWarning));
    body->addLayout(lines, 1);

    auto* buttons = new QDialogButtonBox(this);
    const auto add = [&](std::string_view caption, const char* name, DeleteAnswer answer) {
        QPushButton* b = buttons->addButton(qt(caption), QDialogButtonBox::ActionRole);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, answer] { answerWith(answer); });
        return b;
    };
    yes_ = add(app::kDeleteYes, "yes", DeleteAnswer::Yes);
    all_ = add(shortcut ? app::kDeleteAllShortcut : app::kDeleteAllOrdinary, "all", DeleteAnswer::DeleteAll);
    no_ = add(app::kDeleteNo, "no", DeleteAnswer::No);
    cancel_ = add(app::kButtonCancel, "cancel", DeleteAnswer::Cancel);
    yes_->setDefault(true);
    stackBodyAndButtons(this, body, buttons);
}

QPushButton* DeleteLibraryDialog::button(DeleteAnswer which) const {
    switch (which) {
        case DeleteAnswer::Yes: return yes_;
        case DeleteAnswer::DeleteAll: return all_;
        case DeleteAnswer::No: return no_;
        case DeleteAnswer::Cancel: return cancel_;
    }
    return cancel_;
}

void DeleteLibraryDialog::answerWith(DeleteAnswer answer) {
    answer_ = answer;
    if (answer == DeleteAnswer::Cancel)
        reject();
    else
        accept();
}

}  // namespace lumbrel::ui
