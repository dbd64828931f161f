#pragma once
// The rows of the library list pages as a Qt table model: one row per library
// record, five columns (date, title, number of images, template, location).
// The model keeps the row items and a row order; cell texts are made when the
// view asks for them. Sorting follows the sort state that every list page
// shares, and keeps the view's selection on the rows it was on.

#include <QAbstractTableModel>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_doc.h"
#include "maintenance/library_list.h"

namespace lumbrel::ui {

class LibraryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LibraryListModel(QObject* parent = nullptr);

    /// Drops every row, makes one row per library record of doc (index
    /// order) and sorts them by the shared sort state.
    void refill(const library::CKDCardAlbumDoc& doc);
    void refill(std::vector<maintenance::LibraryListItem> items);
    /// Sorts the rows by the shared sort column and direction.
    void sortByState();
    /// A click on the header of column: the shared state takes that column
    /// and turns its direction round, then the rows are sorted.
    void clickColumn(int column);

    const maintenance::LibraryListItem& item(int row) const { return items_[order_[static_cast<std::size_t>(row)]]; }
    const std::string& location(int row) const { return item(row).location; }
    /// The row of the library at location (ignoring case); -1 when none.
    int rowOf(std::string_view location) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    /// How a column's cells and header are aligned: centred, left, right,
    /// left, left.
    static Qt::Alignment columnAlignment(int column);

private:
    std::vector<maintenance::LibraryListItem> items_;
    std::vector<std::uint32_t> order_;  ///< row -> index into items_
};

}  // namespace lumbrel::ui
