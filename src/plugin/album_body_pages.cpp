// INDEX.HTM (thumbnails, five to a row) and DATA.HTM (a 320-pixel picture and
// the recording data of each item), for a single-date library, a group, or a
// whole collection with one section per group.

#include "platform/files.h"
#include "plugin/album_html.h"
#include "plugin/album_pages.h"

namespace lumbrel::plugin {
namespace {

constexpr std::size_t kCellsPerRow = 5;
constexpr unsigned kThumbnailSide = 80;
constexpr unsigned kDataSide = 320;
constexpr std::string_view kCellStart = "  <td align=\"center\" width=\"20%\">\r\n";

/// The scripts of a page: the collection page has its own, a group page uses
/// the library's from two levels up.
std::string_view scriptOf(PageLevel level) {
    switch (level) {
    case PageLevel::SingleDate: return "INDEX1.JS";
    case PageLevel::Group: return "../../HTML/INDEX1.JS";
    case PageLevel::Collection: return "INDEX2.JS";
    }
    return {};
}

/// width and height attributes of a picture at most `side` pixels on its
/// longer side; an unknown size gives side x (side * 3 / 4).
std::string pictureSize(const ImageInfo& info, unsigned side) {
    unsigned width = side;
    unsigned height = side * 3 / 4;
    if (info.sizeFound && info.width != 0 && info.height != 0) {
        if (info.width > info.height) {
            height = info.height * side / info.width;
        } else {
            height = side;
            width = info.width * side / info.height;
        }
    }
    return "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" align=\"bottom\"";
}

/// The anchor that opens an item: the viewer for the script templates, the
/// file itself for the others.
std::string itemAnchor(const AlbumOptions& options, const AlbumItem& item, std::string_view pageBase,
                       std::size_t number) {
    const FileLink link = fileLink(pageBase, item.path);
    if (!options.scripts()) return "    <a href=\"" + link.href + "\">\r\n";
    const std::string inTree = link.absolute ? "1" : "0";
    if (!item.movie) return "    <a href=\"javascript:wopen(" + std::to_string(number) + "," + inTree + ")\">\r\n";
    const std::string smallFrame = item.info.width == 160 ? "1" : "0";
    return "    <a href=\"javascript:avi_wopen(" + std::to_string(number) + "," + smallFrame + "," + inTree + ")\">\r\n";
}

/// The picture inside the anchor: the preview, sized, and for a still image of
/// the script templates its full path, from which the scripts build the list.
std::string itemPicture(const AlbumOptions& options, const AlbumItem& item, std::string_view pageBase,
                        unsigned side) {
    std::string picture = "    <IMG SRC=\"" + fileLink(pageBase, item.previewPath).href + "\" ALT=\"" +
                          htmlText(platform::lastComponent(item.path)) + pictureSize(item.info, side);
    const bool named = options.scripts() && !item.movie;
    // The thumbnail's attributes end in a space; the data page's only when a name follows.
    if (side == kThumbnailSide || named) picture += ' ';
    if (named) picture += "name=\"" + fileUrl(item.path) + "\"";
    return picture + "></a>";
}

std::string heading(const AlbumOptions& options, std::string_view text) {
    return "<TABLE BORDER=\"0\" CELLSPACING=\"0\" CELLPADDING=\"3\" WIDTH=\"400\">\r\n"
           "  <TR BGCOLOR=\"#" + std::string(options.colours.bodyHeadingRow) + "\">\r\n"
           "    <TD><FONT SIZE=\"4\" COLOR=\"#" + std::string(options.colours.bodyHeading) + "\"><B>" +
           htmlText(text) + "</B></FONT></TD>\r\n"
           "  </TR>\r\n"
           "</TABLE>\r\n";
}

std::string thumbnailCell(const AlbumOptions& options, const AlbumItem& item, PageLevel level,
                          std::string_view pageBase, std::size_t number) {
    const std::string_view iconFolder = level == PageLevel::Group ? "../../HTML/ICON/" : "ICON/";
    return std::string(kCellStart) + "    <IMG SRC=\"" + std::string(iconFolder) + std::string(sceneIcon(item.info)) +
           ".GIF\" width=\"24\" height=\"24\" align=\"bottom\"><br>\r\n" +
           itemAnchor(options, item, pageBase, number) + itemPicture(options, item, pageBase, kThumbnailSide) + "<br>\r\n" +
           "    <font size=\"2\" color=\"#" + std::string(options.colours.itemText) + "\">" +
           htmlText(platform::lastComponent(item.path)) + "<br>" + std::to_string(item.info.fileSizeKB) +
           " KB</font>\r\n" + "  </td>\r\n";
}

std::string thumbnailTable(const AlbumOptions& options, PageLevel level, const BodySection& section) {
    std::string table = "<P>\r\n<TABLE BORDER=\"1\" CELLSPACING=\"1\" CELLPADDING=\"3\" WIDTH=\"400\">\r\n";
    const std::vector<AlbumItem>& items = *section.items;
    for (std::size_t row = 0; row < items.size(); row += kCellsPerRow) {
        table += "<tr>\r\n";
        for (std::size_t i = row; i < row + kCellsPerRow; ++i) {
            if (i < items.size())
                table += thumbnailCell(options, items[i], level, section.pageBase, section.firstNumber + i);
            else
                table += std::string(kCellStart) + "  </td>\r\n";
        }
        table += "</tr>\r\n";
    }
    return table + "</TABLE>\r\n<HR ALIGN=LEFT>\r\n</P>\r\n";
}

std::string dataTable(const AlbumOptions& options, const BodySection& section) {
    std::string table = "<P>\r\n<HR ALIGN=\"LEFT\">\r\n"
                        "<TABLE BORDER=\"0\" CELLSPACING=\"1\" CELLPADDING=\"0\" WIDTH=\"400\">\r\n";
    std::size_t number = section.firstNumber;
    for (const AlbumItem& item : *section.items) {
        table += "  <TR>\r\n  <TD VALIGN=\"TOP\">\r\n" + itemAnchor(options, item, section.pageBase, number++) +
                 itemPicture(options, item, section.pageBase, kDataSide) + "\r\n  </TD>\r\n" +
                 "  <TD VALIGN=\"TOP\"><P><FONT SIZE=\"3\" COLOR=\"#" + std::string(options.colours.itemText) +
                 "\"></P><PRE>\r\n";
        for (const std::string& line : dataLines(item.info)) table += htmlText(line) + "\r\n";
        table += "  </PRE></FONT></TD>\r\n  </TR>\r\n";
    }
    return table + "</TABLE>\r\n<HR ALIGN=\"LEFT\">\r\n</P>\r\n";
}

}  // namespace

std::string bodyPageHead(const AlbumOptions& options, PageLevel level) {
    std::string page = pageHead("Lumbrel", options.scripts() ? scriptOf(level) : "");
    page += "<BODY LINK=\"blue\" VLINK=\"red\" ALINK=\"aqua\" ";
    if (options.scripts()) page += "onUnload=\"SubClose()\" onLoad=\"LoadBody()\" ";
    page += "BGCOLOR=\"#" + std::string(options.colours.body) + "\">\r\n";
    if (options.templateIndex == 3) page += "<center>\r\n";
    return page;
}

std::string bodySection(const AlbumOptions& options, BodyPage page, PageLevel level,
                        const BodySection& section) {
    return heading(options, section.heading) +
           (page == BodyPage::Thumbnails ? thumbnailTable(options, level, section) : dataTable(options, section));
}

std::string bodyPageTail(const AlbumOptions& options) {
    return std::string(options.templateIndex == 3 ? "</center>\r\n" : "") + "</BODY>\r\n</HTML>\r\n";
}

}  // namespace lumbrel::plugin
