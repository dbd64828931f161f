#include "plugin/album_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/album_html.h"

namespace lumbrel::plugin {
namespace {

const std::string kStart =
    "<HTML>\r\n<HEAD>\r\n"
    "  <META NAME=\"GENERATOR\" CONTENT=\"Orrin Lumbrel 2.0\">\r\n"
    "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=utf-8\">\r\n";

AlbumOptions optionsFor(int templateIndex, int pattern = 7) {
    AlbumOptions options;
    options.templateIndex = templateIndex;
    options.colours = *albumColours(pattern);
    options.printButton = true;
    return options;
}

std::string frameSet(const std::string& rows, const std::string& body) {
    return kStart +
           "  <TITLE>Lumbrel</TITLE>\r\n"
           "</HEAD>\r\n"
           "<FRAMESET COLS=\"200,*\" BORDER=3>\r\n"
           "<NOFRAMES>\r\n"
           "<BODY><P>To view this page, you need a browser that supports frames.</P></BODY>\r\n"
           "</NOFRAMES>\r\n"
           "<FRAMESET ROWS=\"" + rows + "\">\r\n"
           "  <FRAME SRC=\"HTML/MENU1.HTM\" NAME=\"Title\" SCROLLING=\"AUTO\">\r\n"
           "<FRAMESET ROWS=\"*,170\">\r\n"
           "  <FRAME SRC=\"HTML/MENU2.HTM\" NAME=\"Folder\" SCROLLING=\"AUTO\">\r\n"
           "  <FRAME SRC=\"HTML/MENU3.HTM\" NAME=\"Date\" SCROLLING=\"AUTO\">\r\n"
           "</FRAMESET>\r\n</FRAMESET>\r\n"
           "  <FRAME SRC=\"" + body + "\" NAME=\"Body\" SCROLLING=\"AUTO\">\r\n"
           "</FRAMESET>\r\n"
           "</HTML>\r\n";
}

TEST(AlbumPages, FrameSetOfSingleDateAndCollection) {
    EXPECT_EQ(frameSetPage(optionsFor(0), ""), frameSet("165,*", "HTML/INDEX.HTM"));
    EXPECT_EQ(frameSetPage(optionsFor(3), "b"), frameSet("155,*", "b/HTML/INDEX.HTM"));
}

TEST(AlbumPages, ColoursByRowAndTone) {
    // Black pattern 14 shares row 9 with pattern 9 and takes tone 4.
    const AlbumColours black = *albumColours(14);
    EXPECT_EQ(black.menuBackground, "efdeef");
    EXPECT_EQ(black.folderRow, "ddbdd6");
    EXPECT_EQ(black.body, "323232");
    EXPECT_EQ(black.itemText, "aaaaaa");
    EXPECT_TRUE(black.blackIcons);
    EXPECT_EQ(albumColours(1)->body, "ffffff");
    EXPECT_EQ(albumColours(6)->bodyHeadingRow, "7e7e7e");
    EXPECT_EQ(albumColours(0)->menuHeading, "545454");
    EXPECT_FALSE(albumColours(17));
    EXPECT_FALSE(albumColours(-1));
}

TEST(AlbumPages, TitleMenuOfTemplateZeroWithPrintButton) {
    const std::string page = titleMenuPage(optionsFor(0));
    const std::string head = kStart +
                             "  <TITLE>INDEX</TITLE>\r\n"
                             "  <SCRIPT LANGUAGE=\"JavaScript\" SRC=\"INDEX1.JS\"></SCRIPT>\r\n"
                             "</HEAD>\r\n"
                             "<BODY BGCOLOR=\"#d3e2b9\" LINK=\"blue\" VLINK=\"#ff3300\" ALINK=\"aqua\" "
                             "onUnload=\"ClosePW()\">";
    EXPECT_EQ(page.substr(0, head.size()), head);
    for (const char* piece :
         {"  <font size=\"5\" face=\"Times\" color=\"#464646\">\r\n    <B>Pageturn</B>\r\n",
          "<b>Slide show</b></font>\r\n", "      <a href=\"javascript:wpopen(0)\">",
          "      <a href=\"javascript:wpopen(1)\">", "<b>Link to application</b></font>\r\n",
          "      <a href=\"javascript:k_print()\">\r\n      <font size=\"3\"><b>PRINT</b></font>\r\n",
          "<OBJECT ID=\"LM_QM\" type=\"application/x-oleobject\" width=0 height=0 "
          "CLASSID=\"CLSID:78DC500C-6AC8-4D04-897D-60144B0163AC\">"})
        EXPECT_NE(page.find(piece), std::string::npos) << piece;
    const std::string end = "</center>\r\n</BODY>\r\n</HTML>\r\n";
    EXPECT_EQ(page.substr(page.size() - end.size()), end);

    AlbumOptions plain = optionsFor(1);
    plain.printButton = false;
    const std::string noScript = titleMenuPage(plain);
    EXPECT_EQ(noScript.find("SCRIPT"), std::string::npos);
    EXPECT_EQ(noScript.find("wpopen"), std::string::npos);
    EXPECT_EQ(noScript.find("LM_QM"), std::string::npos);
}

TEST(AlbumPages, FolderAndDateMenuCounts) {
    const std::string single = folderMenuBlock(optionsFor(0), "02/03/01", 1, "");
    EXPECT_NE(single.find("    <font size=\"4\" color=\"#373737\"><b>02/03/01<br>1  image</b></font>"), std::string::npos);
    EXPECT_NE(single.find("      <a href=\"INDEX.HTM\" target=\"Body\">\r\n"), std::string::npos);
    EXPECT_NE(single.find("      <a href=\"DATA.HTM\" target=\"Body\">\r\n"), std::string::npos);

    const std::string group = folderMenuBlock(optionsFor(2), "A&B", 2, "a&b");
    EXPECT_NE(group.find("<b>A&amp;B<br>2  images</b>"), std::string::npos);
    EXPECT_NE(group.find("      <a href=\"../a&amp;b/HTML/INDEX.HTM\" target=\"Body\">\r\n"), std::string::npos);
    EXPECT_EQ(group.find("DATA.HTM"), std::string::npos);  // template 2 has no DATA links

    const std::string date = dateMenuPage(optionsFor(0), 1, 2);
    EXPECT_NE(date.find("All Folders"), std::string::npos);
    EXPECT_NE(date.find("1 image<br>2 movies"), std::string::npos);
    EXPECT_NE(date.find("    <a href=\"INDEX.HTM\" target=\"Body\">\r\n"), std::string::npos);
    EXPECT_NE(date.find("    <a href=\"DATA.HTM\" target=\"Body\">\r\n"), std::string::npos);
}

AlbumItem item(const std::string& path, bool movie, std::uint16_t width, std::uint16_t height) {
    AlbumItem it;
    it.path = path;
    it.movie = movie;
    it.previewPath = "/lib/PREVIEW/" + path.substr(path.rfind('/') + 1, path.size() - path.rfind('/') - 4) + "JPG";
    it.info.sizeFound = width != 0;
    it.info.width = width;
    it.info.height = height;
    it.info.fileSizeKB = 12;
    return it;
}

std::string cell(const std::string& link, const std::string& picture, const std::string& name) {
    return "  <td align=\"center\" width=\"20%\">\r\n"
           "    <IMG SRC=\"ICON/UNKNOWN.GIF\" width=\"24\" height=\"24\" align=\"bottom\"><br>\r\n" +
           link + picture + "</a><br>\r\n    <font size=\"2\" color=\"#000000\">" + name +
           "<br>12 KB</font>\r\n  </td>\r\n";
}

TEST(AlbumPages, ThumbnailCellsOfStillAndMovie) {
    const std::vector<AlbumItem> items{item("/lib/P1.JPG", false, 640, 480),
                                       item("/elsewhere/M1.AVI", true, 160, 120)};
    const std::string section = bodySection(optionsFor(0), BodyPage::Thumbnails, PageLevel::SingleDate,
                                            {"Saturday", &items, "/lib", 0});
    const std::string still = cell("    <a href=\"javascript:wopen(0,0)\">\r\n",
                                   "    <IMG SRC=\"../PREVIEW/P1.JPG\" ALT=\"P1.JPG\" width=\"80\" height=\"60\" "
                                   "align=\"bottom\" name=\"file:///lib/P1.JPG\">",
                                   "P1.JPG");
    const std::string movie = cell("    <a href=\"javascript:avi_wopen(1,1,1)\">\r\n",
                                   "    <IMG SRC=\"../PREVIEW/M1.JPG\" ALT=\"M1.AVI\" width=\"80\" height=\"60\" "
                                   "align=\"bottom\" >",
                                   "M1.AVI");
    EXPECT_NE(section.find("<tr>\r\n" + still + movie), std::string::npos) << section;

    // Templates 1 and 3 link the file itself and carry no name attribute.
    const std::string direct = bodySection(optionsFor(3), BodyPage::Thumbnails, PageLevel::SingleDate,
                                           {"Saturday", &items, "/lib", 0});
    EXPECT_NE(direct.find("    <a href=\"../P1.JPG\">\r\n"), std::string::npos);
    EXPECT_NE(direct.find("    <a href=\"file:///elsewhere/M1.AVI\">\r\n"), std::string::npos);
    EXPECT_EQ(direct.find("name="), std::string::npos);
}

TEST(AlbumPages, SevenItemsMakeTwoRowsWithThreeEmptyCells) {
    std::vector<AlbumItem> items;
    for (int i = 0; i < 7; ++i) items.push_back(item("/lib/P" + std::to_string(i) + ".JPG", false, 0, 0));
    const std::string section = bodySection(optionsFor(1), BodyPage::Thumbnails, PageLevel::Group,
                                            {"A", &items, "/lib", 10});
    const std::string empty = "  <td align=\"center\" width=\"20%\">\r\n  </td>\r\n";
    const std::string tail = "</tr>\r\n</TABLE>\r\n<HR ALIGN=LEFT>\r\n</P>\r\n";
    EXPECT_EQ(section.substr(section.size() - tail.size() - 3 * empty.size()), empty + empty + empty + tail);
    std::size_t rows = 0;
    for (std::size_t at = section.find("<tr>\r\n"); at != std::string::npos; at = section.find("<tr>\r\n", at + 1)) ++rows;
    EXPECT_EQ(rows, 2u);
    EXPECT_NE(section.find("    <IMG SRC=\"../../HTML/ICON/UNKNOWN.GIF\""), std::string::npos);
}

TEST(AlbumPages, PictureSizesTruncateToTheLongerSide) {
    const std::vector<AlbumItem> items{item("/lib/W.JPG", false, 1000, 333), item("/lib/T.JPG", false, 333, 1000),
                                       item("/lib/U.JPG", false, 0, 0)};
    const std::string thumbs = bodySection(optionsFor(1), BodyPage::Thumbnails, PageLevel::SingleDate,
                                           {"x", &items, "/lib", 0});
    EXPECT_NE(thumbs.find("\" width=\"80\" height=\"26\" align=\"bottom\" >"), std::string::npos);
    EXPECT_NE(thumbs.find("\" width=\"26\" height=\"80\" align=\"bottom\" >"), std::string::npos);
    const std::string data = bodySection(optionsFor(0), BodyPage::Data, PageLevel::SingleDate,
                                         {"x", &items, "/lib", 0});
    EXPECT_NE(data.find("\" width=\"320\" height=\"106\" align=\"bottom\" name=\"file:///lib/W.JPG\"></a>"),
              std::string::npos);
    EXPECT_NE(data.find("\" width=\"320\" height=\"240\" align=\"bottom\" name=\"file:///lib/U.JPG\"></a>"),
              std::string::npos);
    EXPECT_NE(data.find("  <TD VALIGN=\"TOP\"><P><FONT SIZE=\"3\" COLOR=\"#000000\"></P><PRE>\r\n"), std::string::npos);
    EXPECT_NE(data.find("  </PRE></FONT></TD>\r\n"), std::string::npos);
}

TEST(AlbumPages, BodyHeadOfEachLevel) {
    const std::string group = bodyPageHead(optionsFor(0, 12), PageLevel::Group);
    EXPECT_EQ(group, kStart +
                         "  <TITLE>Lumbrel</TITLE>\r\n"
                         "  <SCRIPT LANGUAGE=\"JavaScript\" SRC=\"../../HTML/INDEX1.JS\"></SCRIPT>\r\n"
                         "</HEAD>\r\n"
                         "<BODY LINK=\"blue\" VLINK=\"red\" ALINK=\"aqua\" onUnload=\"SubClose()\" "
                         "onLoad=\"LoadBody()\" BGCOLOR=\"#323232\">\r\n");
    EXPECT_NE(bodyPageHead(optionsFor(2), PageLevel::Collection).find("SRC=\"INDEX2.JS\""), std::string::npos);
    EXPECT_EQ(bodyPageHead(optionsFor(3, 0), PageLevel::SingleDate),
              kStart + "  <TITLE>Lumbrel</TITLE>\r\n</HEAD>\r\n"
                       "<BODY LINK=\"blue\" VLINK=\"red\" ALINK=\"aqua\" BGCOLOR=\"#ffffff\" text=\"#000000\">\r\n"
                       "<center>\r\n");
}

TEST(AlbumPages, NamesAreEscapedInTextAndAttributes) {
    EXPECT_EQ(htmlText("a&b <c> \"d\" é"), "a&amp;b &lt;c&gt; &quot;d&quot; é");
    const std::vector<AlbumItem> items{item("/lib/a\"<b>&.JPG", false, 0, 0)};
    const std::string section = bodySection(optionsFor(0), BodyPage::Thumbnails, PageLevel::SingleDate,
                                            {"<x>", &items, "/lib", 0});
    EXPECT_NE(section.find("ALT=\"a&quot;&lt;b&gt;&amp;.JPG\""), std::string::npos);
    // In a link the same name is percent-escaped, so the URL still names the file.
    EXPECT_NE(section.find("name=\"file:///lib/a%22%3Cb%3E&amp;.JPG\""), std::string::npos);
    EXPECT_NE(section.find("<B>&lt;x&gt;</B>"), std::string::npos);
    EXPECT_EQ(section.find("<x>"), std::string::npos);
}

}  // namespace
}  // namespace lumbrel::plugin
