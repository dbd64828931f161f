#include "ui/library_list_model.h"

#include "app/strings.h"
#include "platform/utf8.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {

namespace ml = maintenance;

LibraryListModel::LibraryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void LibraryListModel::refill(const library::CKDCardAlbumDoc& doc) { refill(ml::listItems(doc)); }

void LibraryListModel::refill(std::vector<ml::LibraryListItem> items) {
    beginResetModel();
    items_ = std::move(items);
    order_.resize(items_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
    ml::sortRows(order_, items_, ml::ListState::shared());
    endResetModel();
}

void LibraryListModel::sortByState() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<std::uint32_t> before = order_;
    ml::sortRows(order_, items_, ml::ListState::shared());
    // Where each item's row went, so that selection and current row move along.
    std::vector<int> rowOfItem(items_.size());
    for (std::size_t row = 0; row < order_.size(); ++row) rowOfItem[order_[row]] = static_cast<int>(row);
    const QModelIndexList old = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(old.size());
    for (const QModelIndex& index : old)
        moved.append(this->index(rowOfItem[before[static_cast<std::size_t>(index.row())]], index.column()));
    changePersistentIndexList(old, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void LibraryListModel::clickColumn(int column) {
    ml::ListState::shared().clickColumn(column);
    sortByState();
}

int LibraryListModel::rowOf(std::string_view location) const {
    for (std::size_t row = 0; row < order_.size(); ++row)
        if (platform::equalNoCase(items_[order_[row]].location, location)) return static_cast<int>(row);
    return -1;
}

int LibraryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int LibraryListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ml::kListColumns; }

Qt::Alignment LibraryListModel::columnAlignment(int column) {
    switch (column) {
        case ml::ColumnDate: return Qt::AlignHCenter | Qt::AlignVCenter;
        case ml::ColumnCount: return Qt::AlignRight | Qt::AlignVCenter;
        default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

QVariant LibraryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ml::kListColumns) return {};
    switch (role) {
        case Qt::DisplayRole: return qt(ml::cellText(item(index.row()), index.column()));
        case Qt::TextAlignmentRole: return QVariant::fromValue(columnAlignment(index.column()));
        default: return {};
    }
}

QVariant LibraryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ml::kListColumns) return {};
    switch (role) {
        case Qt::DisplayRole: return qt(app::text(app::kStrColumnDate + section));
        case Qt::TextAlignmentRole: return QVariant::fromValue(columnAlignment(section));
        default: return {};
    }
}

}  // namespace lumbrel::ui
