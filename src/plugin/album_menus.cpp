// The three menu pages in L/HTML: MENU1.HTM (title, slide shows, print link),
// MENU2.HTM (one block per folder) and MENU3.HTM (totals of all folders).

#include "plugin/album_html.h"
#include "plugin/album_pages.h"

namespace lumbrel::plugin {
namespace {

std::string menuBody(const AlbumOptions& options, std::string_view extra = {}) {
    return "<BODY BGCOLOR=\"#" + std::string(options.colours.menuBackground) +
           "\" LINK=\"blue\" VLINK=\"#ff3300\" ALINK=\"aqua\"" + std::string(extra) + ">\r\n<center>\r\n";
}

constexpr std::string_view kMenuTable = "<table border=\"0\" width=\"160\" cellspacing=\"1\" cellpadding=\"2\">\r\n";
constexpr std::string_view kPageEnd = "</center>\r\n</BODY>\r\n</HTML>\r\n";

/// A heading row in the title-row colour, for the title and date menus.
std::string headingRow(const AlbumOptions& options, std::string_view heading) {
    return "  <tr bgcolor=\"#" + std::string(options.colours.titleRow) + "\">\r\n"
           "    <td align=\"center\">\r\n"
           "      <font size=\"3\" color=\"#" + std::string(options.colours.menuHeading) + "\">" +
           std::string(heading) + "</font>\r\n"
           "    </td>\r\n"
           "  </tr>\r\n";
}

std::string menuLink(std::string_view indent, std::string_view href, std::string_view label) {
    return std::string(indent) + "<a href=\"" + std::string(href) + "\" target=\"Body\">\r\n" +
           std::string(indent) + "<font size=\"3\"><b>" + std::string(label) + "</b></font></a>\r\n";
}

}  // namespace

std::string titleMenuPage(const AlbumOptions& options) {
    std::string page = pageHead("INDEX", options.scripts() ? "INDEX1.JS" : "");
    page += menuBody(options, options.scripts() ? " onUnload=\"ClosePW()\"" : "");
    page += "  <font size=\"5\" face=\"Times\" color=\"#464646\">\r\n"
            "    <B>Pageturn</B>\r\n"
            "  </font>\r\n";
    if (options.scripts()) {
        page += std::string(kMenuTable) + headingRow(options, "<b>Slide show</b>") +
                "  <tr>\r\n"
                "    <td align=\"center\">\r\n"
                "      <a href=\"javascript:wpopen(0)\"><font size=\"3\"><b>MANUAL</b></font></a>\r\n"
                "      <a href=\"javascript:wpopen(1)\"><font size=\"3\"><b>AUTO</b></font></a>\r\n"
                "    </td>\r\n"
                "  </tr>\r\n"
                "</table>\r\n";
    }
    // k_print() lives in the script, so only the script templates can offer it.
    if (options.printButton && options.scripts()) {
        page += std::string(kMenuTable) + headingRow(options, "<b>Link to application</b>") +
                "  <tr>\r\n"
                "    <td align=\"center\">\r\n"
                "      <a href=\"javascript:k_print()\">\r\n"
                "      <font size=\"3\"><b>PRINT</b></font>\r\n"
                "      </a>\r\n"
                "      <OBJECT ID=\"LM_QM\" type=\"application/x-oleobject\" width=0 height=0 "
                "CLASSID=\"CLSID:78DC500C-6AC8-4D04-897D-60144B0163AC\">\r\n"
                "      </OBJECT>\r\n"
                "    </td>\r\n"
                "  </tr>\r\n"
                "</table>\r\n";
    }
    return page + std::string(kPageEnd);
}

std::string folderMenuHead(const AlbumOptions& options) { return pageHead("FOLDER") + menuBody(options); }

std::string folderMenuBlock(const AlbumOptions& options, std::string_view title, std::size_t stills,
                            std::string_view groupFolder) {
    std::string block = std::string(kMenuTable) + "  <tr bgcolor=\"#" + std::string(options.colours.folderRow) +
                        "\">\r\n"
                        "    <td align=\"center\">\r\n"
                        "    <font size=\"4\" color=\"#373737\"><b>" +
                        htmlText(title) + "<br>" + countText(stills, "image", "  ") +
                        "</b></font>\r\n"
                        "    </td>\r\n"
                        "  </tr>\r\n"
                        "  <tr>\r\n"
                        "    <td align=\"center\">\r\n";
    const std::string prefix = groupFolder.empty() ? "" : "../" + platform::urlPathText(groupFolder) + "/HTML/";
    block += menuLink("      ", prefix + "INDEX.HTM", "INDEX");
    if (options.dataLinks()) block += menuLink("      ", prefix + "DATA.HTM", "DATA");
    return block + "    </td>\r\n"
                   "  </tr>\r\n"
                   "</table>\r\n"
                   "<br>\r\n";
}

std::string folderMenuTail() { return std::string(kPageEnd); }

std::string dateMenuPage(const AlbumOptions& options, std::size_t stills, std::size_t movies) {
    std::string page = pageHead("DATE") + menuBody(options) + std::string(kMenuTable) +
                       headingRow(options, "<b>All Folders</b>") +
                       "  <tr>\r\n"
                       "    <td align=\"center\">\r\n"
                       "    <font size=\"3\"><b>" + countText(stills, "image") + "<br>" +
                       countText(movies, "movie") + "</b></font><br>\r\n";
    page += menuLink("    ", "INDEX.HTM", "INDEX");
    if (options.dataLinks()) page += menuLink("    ", "DATA.HTM", "DATA");
    return page + "    </td>\r\n"
                  "  </tr>\r\n"
                  "</table>\r\n" + std::string(kPageEnd);
}

}  // namespace lumbrel::plugin
