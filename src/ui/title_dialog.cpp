#include "ui/title_dialog.h"
#include "ui/dialog_parts.h"
#include "ui/qt_text.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include <algorithm>

#include "app/strings.h"

namespace lumbrel::ui {
namespace {


bool pairAt(QStringView text, qsizetype i) {
    return i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
}

// Number of characters (code points) in text; a lone surrogate counts as one.
qsizetype characterCount(QStringView text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); i += pairAt(text, i) ? 2 : 1) ++count;
    return count;
}

// Start of the character that ends just before position end.
qsizetype previousStart(QStringView text, qsizetype end) { return end >= 2 && pairAt(text, end - 2) ? end - 2 : end - 1; }

// Keeps the text within a number of characters the way a length limit does:
// what was typed or pasted last (the characters just before the cursor) is
// dropped, whole characters only. QLineEdit's own limit counts UTF-16 units,
// which would both count a character outside the BMP twice and cut it in half.
class CharacterLimit : public QValidator {
public:
    CharacterLimit(qsizetype limit, QObject* parent) : QValidator(parent), limit_(limit) {}

    State validate(QString& input, int& pos) const override {
        qsizetype excess = characterCount(input) - limit_;
        if (excess <= 0) return Acceptable;
        qsizetype start = pos;
        while (excess > 0 && start > 0) {
            start = previousStart(input, start);
            --excess;
        }
        input.remove(start, pos - start);
        pos = static_cast<int>(start);
        // Still too long (a whole text set at once): keep its beginning.
        qsizetype end = 0;
        for (qsizetype kept = 0; end < input.size() && kept < limit_; ++kept) end += pairAt(input, end) ? 2 : 1;
        input.truncate(end);
        pos = std::min(pos, static_cast<int>(end));
        return Acceptable;
    }

private:
    qsizetype limit_;
};

}  // namespace

TitleDialog::TitleDialog(const QString& folderShown, QWidget* parent)
    : QDialog(parent), title_(new QLineEdit(this)) {
    setWindowTitle(qt(app::kTitleCaption));
    title_->setObjectName("title");
    title_->setValidator(new CharacterLimit(kMaxCharacters, title_));
    // Room for the longest title in average characters.
    title_->setMinimumWidth(title_->fontMetrics().averageCharWidth() * int(kMaxCharacters));

    auto* folder = new QLabel(folderShown, this);
    folder->setObjectName("folder");
    folder->setTextFormat(Qt::PlainText);
    auto* fields = new QFormLayout;
    fields->addRow(qt(app::kTitleFolderLabel), folder);
    fields->addRow(qt(app::kTitleFieldLabel), title_);

    stackBodyAndButtons(this, fields, okAndRejectButtons(this, app::kButtonCancel));
    title_->setFocus();
}

std::string TitleDialog::title() const { return title_->text().toStdString(); }

void TitleDialog::done(int result) {
    // A word still being composed belongs to the title when it is taken, and
    // no composition is left open for whatever has the focus next.
    QInputMethod* input = QGuiApplication::inputMethod();
    if (result == Accepted) input->commit();
    input->reset();
    QDialog::done(result);
}

}  // namespace lumbrel::ui
