#include "ui/change_title_dialog.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

#include "app/strings.h"
#include "ui/dialog_parts.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {
namespace {

bool pairAt(QStringView text, qsizetype i) {
    return i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
}

// Length in UTF-16 units and in UTF-8 bytes of the character starting at i.
std::pair<qsizetype, qsizetype> characterAt(QStringView text, qsizetype i) {
    if (pairAt(text, i)) return {2, 4};
    const char16_t unit = text[i].unicode();
    return {1, unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3};
}

// Start of the character that ends just before position end.
qsizetype previousStart(QStringView text, qsizetype end) {
    return end >= 2 && pairAt(text, end - 2) ? end - 2 : end - 1;
}

}  // namespace

qsizetype utf8Bytes(QStringView text) {
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < text.size();) {
        const auto [units, size] = characterAt(text, i);
        i += units;
        bytes += size;
    }
    return bytes;
}

QString fitBytes(const QString& text, qsizetype limit) {
    qsizetype end = 0, bytes = 0;
    while (end < text.size()) {
        const auto [units, size] = characterAt(text, end);
        if (bytes + size > limit) break;
        bytes += size;
        end += units;
    }
    return text.left(end);
}

QValidator::State Utf8ByteLimit::validate(QString& input, int& pos) const {
    qsizetype excess = utf8Bytes(input) - limit_;
    if (excess <= 0) return Acceptable;
    qsizetype start = std::clamp<qsizetype>(pos, 0, input.size());
    const qsizetype cursor = start;
    while (excess > 0 && start > 0) {
        start = previousStart(input, start);
        excess -= characterAt(input, start).second;
    }
    input.remove(start, cursor - start);
    pos = static_cast<int>(start);
    // Still too long (a whole text set at once): keep its beginning.
    input = fitBytes(input, limit_);
    pos = std::min(pos, static_cast<int>(input.size()));
    return Acceptable;
}

ChangeTitleDialog::ChangeTitleDialog(const std::string& title, QWidget* parent)
    : QDialog(parent), title_(new QLineEdit(this)) {
    setWindowTitle(qt(app::kChangeTitleCaption));
    auto* prompt = new QLabel(qt(app::kChangeTitlePrompt), this);
    prompt->setBuddy(title_);
    title_->setObjectName("title");
    title_->setValidator(new Utf8ByteLimit(kMaxBytes, title_));
    title_->setMinimumWidth(title_->fontMetrics().averageCharWidth() * int(kMaxBytes));
    title_->setText(fitBytes(qt(title), kMaxBytes));
    title_->selectAll();

    auto* body = new QVBoxLayout;
    body->addWidget(prompt);
    body->addWidget(title_);
    stackBodyAndButtons(this, body, okAndRejectButtons(this, app::kButtonCancel));
    title_->setFocus();
}

std::string ChangeTitleDialog::title() const { return title_->text().toStdString(); }

void ChangeTitleDialog::done(int result) {
    // A word still being composed belongs to the title when it is taken, and
    // no composition is left open for the list that gets the focus next.
    QInputMethod* input = QGuiApplication::inputMethod();
    if (result == Accepted) input->commit();
    input->reset();
    QDialog::done(result);
}

}  // namespace lumbrel::ui
