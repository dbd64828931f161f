#pragma once
// "Change title": the new title of one library. The field takes at most 40
// bytes of UTF-8, the most a library title holds: a character counts by its
// bytes and is never cut in half, so the title kept is the title shown.

#include <QDialog>
#include <QValidator>

#include <string>

#include "maintenance/rebuild.h"

class QLineEdit;

namespace lumbrel::ui {

/// The bytes text takes in UTF-8 (a lone surrogate as the 3 of its replacement).
qsizetype utf8Bytes(QStringView text);

/// Keeps a field within a number of UTF-8 bytes: what was typed or pasted
/// last (the characters just before the cursor) gives way, whole characters
/// only; a text set whole keeps its beginning.
class Utf8ByteLimit : public QValidator {
public:
    Utf8ByteLimit(qsizetype limit, QObject* parent) : QValidator(parent), limit_(limit) {}
    State validate(QString& input, int& pos) const override;

private:
    qsizetype limit_;
};

/// The longest beginning of text that fits in limit bytes of UTF-8.
QString fitBytes(const QString& text, qsizetype limit);

class ChangeTitleDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 159;
    static constexpr qsizetype kMaxBytes = qsizetype(maintenance::kTitleBytes);

    /// title: the library's title now (UTF-8), shown all selected.
    explicit ChangeTitleDialog(const std::string& title, QWidget* parent = nullptr);

    /// The title entered (UTF-8), possibly empty.
    std::string title() const;
    QLineEdit* field() const { return title_; }

    void done(int result) override;

private:
    QLineEdit* title_;
};

}  // namespace lumbrel::ui
