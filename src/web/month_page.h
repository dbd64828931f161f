#pragma once
// The month page HTML/<year>/<mon>.htm: one table row per library of that
// month, in key order. A page is written new with its first row and afterwards
// edited in place: rows are found by their marker comment "  <TR><!--key-->"
// and inserted, removed or retitled whole. Every edit checks the page's stamp
// first and stamps the page again after.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::web {

/// What a row shows of one library.
struct LibraryRowData {
    std::string key;                      ///< library folder name
    std::string linkTarget;               ///< the library record's link target path
    std::string title;                    ///< the library's title (may be empty)
    std::vector<std::string> imagePaths;  ///< the library's images, in list order
};

/// The title split into pieces of at most 20 bytes (never inside a UTF-8
/// character) joined by "<BR>"; "<BR>" for an empty title. Each piece is
/// written with htmlText, so "<" or "&" in a title shows as itself.
std::string titlePieces(std::string_view title);

/// The row of one library, from its marker comment through the separator row.
/// nullopt when the key does not parse (month out of range).
std::optional<std::string> libraryRow(const LibraryRowData& library, std::string_view programFolder);

/// A new month page holding row, not yet stamped. nullopt when year is not
/// four digits or monthIndex is outside 0..11.
std::optional<std::string> newMonthPage(std::string_view year, int monthIndex, std::string_view row);

enum class PageEditResult {
    Edited,       ///< the page was changed and stamped
    PageEmptied,  ///< the removed row was the last one: the page should be deleted
    Altered,      ///< the stamp check failed; nothing was changed
    Duplicate,    ///< a row with that key is there already; nothing was changed
    RowMissing,   ///< no row with that key; nothing was changed
    Malformed,    ///< the page lacks a marker, "</TABLE>" or a row end; nothing was changed
};

/// Inserts row before the first row whose key is greater (ignoring case), or
/// before "</TABLE>" when none is. With acceptAltered the stamp check is
/// skipped (the user chose to go on with a changed page).
PageEditResult insertRow(std::string& page, std::string_view key, std::string_view row,
                         bool acceptAltered = false);

/// Removes the row of key, from its marker through the end of its separator row.
PageEditResult removeRow(std::string& page, std::string_view key, bool acceptAltered = false);

/// Replaces the title anchor text of key's row by titlePieces(title).
PageEditResult retitleRow(std::string& page, std::string_view key, std::string_view title,
                          bool acceptAltered = false);

/// Writes a new month page with row, stamped. False when the page cannot be
/// built or written.
bool writeNewMonthPage(const std::string& path, std::string_view year, int monthIndex,
                       std::string_view row);

}  // namespace lumbrel::web
