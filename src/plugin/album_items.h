#pragma once
// What an album shows: the kind of library (one date, or a collection of
// groups), the groups of a collection and the items of each, with the file
// each item shows, its preview picture and its recording data.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/image_info.h"

namespace lumbrel::plugin {

struct LibraryDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

/// The date of a single-date library from its folder name: six characters
/// YYMMDD (years below "90" are 20YY, the others 19YY) or eight YYYYMMDD.
/// nullopt for any other length: the library is a collection. A name of date
/// length that is not all digits gives the date 0-0-0 (no date).
std::optional<LibraryDate> singleDateOf(std::string_view folderName);

struct AlbumGroup {
    std::string folder;  ///< the sub-folder's name as first met in the list
    std::string name;    ///< the name shown: folder upper-cased
};

struct AlbumGroups {
    std::vector<AlbumGroup> groups;  ///< ascending, ignoring case
    std::size_t start = 0;           ///< index of the group met first in the list
};

/// The groups of a collection: the distinct first folders below library among
/// the image paths (ignoring case), "HTML" left out.
AlbumGroups collectGroups(std::string_view library, const std::vector<std::string>& images);

struct AlbumItem {
    std::string path;         ///< the file shown (a ".lnk" resolved to its target)
    std::string previewPath;  ///< its preview picture
    bool movie = false;       ///< ".avi"; otherwise a ".jpg" still image
    ImageInfo info;
};

/// The items of one group of a collection (group = its folder name), or of a
/// single-date library (group empty: every image), in list order, each read
/// once. Entries that are not ".jpg" or ".avi" after resolving links are left
/// out.
std::vector<AlbumItem> collectItems(std::string_view library, std::string_view group,
                                    const std::vector<std::string>& images);

/// The preview picture of a list entry: its folder + "/PREVIEW/" + its name,
/// with "AVI" turned into "JPG"; for "x.JPG.LNK" the preview of the link when
/// there is one (a link there is followed), else "PREVIEW/x.JPG".
std::string previewPathOf(const std::string& listPath);

}  // namespace lumbrel::plugin
