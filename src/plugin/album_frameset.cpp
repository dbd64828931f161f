// L/INDEX.HTM: title, folder and date menus on the left, the body on the right.

#include "plugin/album_html.h"
#include "plugin/album_pages.h"

namespace lumbrel::plugin {

std::string frameSetPage(const AlbumOptions& options, std::string_view startFolder) {
    std::string page = pageStart();
    page += "  <TITLE>Lumbrel</TITLE>\r\n"
            "</HEAD>\r\n"
            "<FRAMESET COLS=\"200,*\" BORDER=3>\r\n"
            "<NOFRAMES>\r\n"
            "<BODY><P>To view this page, you need a browser that supports frames.</P></BODY>\r\n"
            "</NOFRAMES>\r\n";
    // The title menu of the script templates holds the slide-show links too.
    page += options.scripts() ? "<FRAMESET ROWS=\"165,*\">\r\n" : "<FRAMESET ROWS=\"155,*\">\r\n";
    page += "  <FRAME SRC=\"HTML/MENU1.HTM\" NAME=\"Title\" SCROLLING=\"AUTO\">\r\n"
            "<FRAMESET ROWS=\"*,170\">\r\n"
            "  <FRAME SRC=\"HTML/MENU2.HTM\" NAME=\"Folder\" SCROLLING=\"AUTO\">\r\n"
            "  <FRAME SRC=\"HTML/MENU3.HTM\" NAME=\"Date\" SCROLLING=\"AUTO\">\r\n"
            "</FRAMESET>\r\n</FRAMESET>\r\n"
            "  <FRAME SRC=\"";
    if (!startFolder.empty()) page += platform::urlPathText(startFolder) + "/";
    page += "HTML/INDEX.HTM\" NAME=\"Body\" SCROLLING=\"AUTO\">\r\n"
            "</FRAMESET>\r\n"
            "</HTML>\r\n";
    return page;
}

}  // namespace lumbrel::plugin
