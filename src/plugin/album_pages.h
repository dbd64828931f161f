#pragma once
// The texts of the album's HTML pages. Each function returns one page, or one
// piece of a page that the writer puts together in order; none touches the
// disk.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/album_colours.h"
#include "plugin/album_items.h"

namespace lumbrel::plugin {

/// The settings of one album run.
struct AlbumOptions {
    int templateIndex = 0;
    AlbumColours colours;
    bool printButton = false;     ///< the print button and print link are offered
    bool mailConfigured = false;  ///< a mail program is chosen
    std::string mailSize;         ///< decimal text of the mail size code
    std::string mailName;
    bool collection = false;      ///< groups in sub-folders, not a single date

    /// Templates 0 and 2 show pictures through the scripts and pop-up windows;
    /// 1 and 3 link the files directly.
    bool scripts() const { return templateIndex == 0 || templateIndex == 2; }
    /// Templates 0 and 1 offer the DATA pages in the menus.
    bool dataLinks() const { return templateIndex == 0 || templateIndex == 1; }
};

// Frameset L/INDEX.HTM; startFolder is the start group's folder (empty for a
// single-date library).
std::string frameSetPage(const AlbumOptions& options, std::string_view startFolder);

// Menus in L/HTML.
std::string titleMenuPage(const AlbumOptions& options);
std::string folderMenuHead(const AlbumOptions& options);
/// One block of the folder menu; groupFolder empty for a single-date library.
std::string folderMenuBlock(const AlbumOptions& options, std::string_view title, std::size_t stills,
                            std::string_view groupFolder);
std::string folderMenuTail();
std::string dateMenuPage(const AlbumOptions& options, std::size_t stills, std::size_t movies);

// INDEX.HTM (thumbnails) and DATA.HTM (recording data), at library or group level.
enum class BodyPage { Thumbnails, Data };
enum class PageLevel { SingleDate, Group, Collection };

/// The head and BODY line, the same for INDEX.HTM and DATA.HTM.
std::string bodyPageHead(const AlbumOptions& options, PageLevel level);

/// The part of a body page for one set of items: heading, then the items.
struct BodySection {
    std::string_view heading;            ///< long date or group name (not yet escaped)
    const std::vector<AlbumItem>* items; ///< in page order
    std::string_view pageBase;           ///< folder above the page's HTML folder
    std::size_t firstNumber = 0;         ///< item number of the first item on the page
};
std::string bodySection(const AlbumOptions& options, BodyPage page, PageLevel level,
                        const BodySection& section);
std::string bodyPageTail(const AlbumOptions& options);

}  // namespace lumbrel::plugin
