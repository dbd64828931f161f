#pragma once
// The list of mail programs on the Option tab of the Setup page, drawn by its
// own delegate: rows of 17 pixels; the selected row in the selection colours;
// "Email software is not assigned" and the installed programs in the list's
// colours, each installed program with its icon at the row's top-left; the
// programs that are not installed greyed. A greyed row can never be
// selected: a click or a key lands on it without moving the selection.

#include <QIcon>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <vector>

#include "app/mail_software.h"

namespace lumbrel::ui {

class MailRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 17;
    static constexpr int kIconSize = 16;
    static constexpr int kTextLeft = 25;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// The colours a row is drawn in: background and text.
    struct Colours {
        QColor background;
        QColor text;
    };
    static Colours colours(const QPalette& palette, bool selected, bool choosable);
    /// The bold name font of the rows, made from the list's font.
    static QFont nameFont(const QFont& base);
};

class MailList : public QListWidget {
    Q_OBJECT
public:
    /// Item data of every row.
    enum Role : int {
        IndexRole = Qt::UserRole,   ///< the row's index in the mail table
        ChoosableRole,              ///< row 0 or an installed program
        IconRole,                   ///< the program's icon (installed programs only)
    };

    explicit MailList(QWidget* parent = nullptr);

    /// Fills the list with rows, in order, without selecting any.
    void setRows(const std::vector<app::MailRow>& rows);
    const std::vector<app::MailRow>& rows() const { return rows_; }
    /// The height that shows every row without a scroll bar.
    int fullHeight() const;

    /// The icon a row is drawn with: its theme icon or icon file, the theme's
    /// generic mail icon when that gives nothing, else a drawn envelope.
    static QIcon iconOf(const app::MailRow& row);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    std::vector<app::MailRow> rows_;
};

}  // namespace lumbrel::ui
