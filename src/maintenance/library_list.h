#pragma once
// The list of libraries that the four list pages show: one row per library
// record, its cells, its sorting and the space figure of the selected rows.
// The process-wide list state (sort column and direction, the preview box)
// lives here so that every page shares it; it is kept in memory only.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_doc.h"

namespace lumbrel::maintenance {

/// One row of the list.
struct LibraryListItem {
    std::string dateText;  ///< from the key, by the key-to-text rule
    std::string title;
    std::uint32_t imageCount = 0;
    std::string templateText;
    std::string location;  ///< the folder; finds the record again (ignoring case)
};

enum ListColumn : int { ColumnDate = 0, ColumnTitle, ColumnCount, ColumnTemplate, ColumnLocation };
inline constexpr int kListColumns = 5;

/// The rows of every library record, in index order.
std::vector<LibraryListItem> listItems(const library::CKDCardAlbumDoc& doc);

/// The text of one cell ("%u" for the image count).
std::string cellText(const LibraryListItem& item, int column);

/// Ascending order of column: texts compared ignoring case, UTF-8 aware; the
/// image count as a number. Negative, 0 or positive.
int compareInColumn(const LibraryListItem& a, const LibraryListItem& b, int column);

/// The sort state shared by all list pages for the life of the program.
struct ListState {
    int sortColumn = ColumnDate;
    bool ascending = false;  ///< a freshly filled list shows the newest library first
    bool preview = false;    ///< "Display preview images"

    /// A click on a column header: that column becomes the sort column and
    /// the direction flips, whichever column it is.
    void clickColumn(int column);
    static ListState& shared();
};

/// Sorts the row order (indices into items) by state's column and direction;
/// equal rows keep their order.
void sortRows(std::vector<std::uint32_t>& order, const std::vector<LibraryListItem>& items, const ListState& state);

/// The stored sizes of the libraries at locations, added up as 64-bit
/// unsigned numbers (a location without a record adds nothing).
std::uint64_t storedBytes(const library::CKDCardAlbumDoc& doc, std::span<const std::string> locations);

/// bytes / 1024 as "%d" with "," between groups of three digits, then " KB":
/// 1048576000 gives "1,024,000 KB".
std::string kilobyteText(std::uint64_t bytes);
/// The same figure without the unit; empty when kilobytes is 0 (the
/// destination dialogs show nothing then).
std::string groupedKilobytes(std::uint64_t kilobytes);

/// "%d" of count followed by the count suffix (one space): "Number of libraries:".
std::string libraryCountText(std::size_t count);

}  // namespace lumbrel::maintenance
