#pragma once
// The colours of an album's pages, chosen by the colour pattern (0-16).
// The menus take a row r of their tables, the body pages a tone t:
//   r = pattern for 0-11, pattern - 5 for the black patterns 12-16 (they share
//       the rows of the gray patterns 7-11);
//   t = 0 for pattern 0, 1 for 1, 2 for 2-6, 3 for 7-11, 4 for 12-16.

#include <optional>
#include <string_view>

namespace lumbrel::plugin {

struct AlbumColours {
    std::string_view menuBackground;  ///< BGCOLOR of the three menu pages
    std::string_view menuHeading;     ///< heading font colour of the title menu
    std::string_view titleRow;        ///< row colour of the title and date menus
    std::string_view folderRow;       ///< row colour of the folder menu
    std::string_view body;            ///< inserted after BGCOLOR="# on INDEX and DATA pages
    std::string_view bodyHeading;     ///< heading font colour of INDEX and DATA pages
    std::string_view bodyHeadingRow;  ///< heading row colour of INDEX and DATA pages
    std::string_view itemText;        ///< text colour of thumbnail and data cells
    bool blackIcons = false;          ///< the scene icons drawn for black pages
};

/// The colours of pattern 0-16; nullopt for any other index.
std::optional<AlbumColours> albumColours(int patternIndex);

}  // namespace lumbrel::plugin
