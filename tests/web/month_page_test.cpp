#include "web/month_page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/imaging.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "web/page_links.h"
#include "web/page_stamp.h"

namespace lumbrel::web {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

const std::string kTop =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<!--0   -->"
    "  <META NAME=\"GENERATOR\" CONTENT=\"Orrin Lumbrel 1.1\">\r\n"
    "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=utf-8\">\r\n"
    "  <BASE TARGET=\"_blank\">\r\n"
    "  <TITLE>apr</TITLE>\r\n"
    "</HEAD>\r\n"
    "<BODY BGCOLOR=\"#FFFFFF\">\r\n<BR>\r\n"
    "<TABLE WIDTH=\"775\" BORDER=\"0\" CELLSPACING=\"1\" ALIGN=\"CENTER\" "
    "CELLPADDING=\"2\" STYLE=\"font-size:12pt\">\r\n"
    "  <TR>\r\n    <TD COLSPAN=\"3\" BGCOLOR=\"#66FFCC\" ALIGN=\"CENTER\"><B>The list of 2001/4</B></TD>\r\n"
    "    <TD COLSPAN=\"5\" BGCOLOR=\"#66FFCC\" ALIGN=\"CENTER\">\r\n"
    "    <FONT STYLE=\"font-size:10pt\" COLOR=\"#737373\">"
    "(You can view the library for a date by clicking on the date or title)</FONT></TD>\r\n  </TR>\r\n"
    "  <TR>\r\n    <TD WIDTH=\"85\" ALIGN=\"CENTER\">Date</TD>\r\n"
    "    <TD WIDTH=\"195\" ALIGN=\"CENTER\">Title</TD>\r\n"
    "    <TD WIDTH=\"75\" ALIGN=\"CENTER\">\r\n"
    "    <FONT COLOR=\"#737373\">Number of copies</FONT></TD>\r\n"
    "    <TD COLSPAN=\"5\" ALIGN=\"CENTER\">\r\n"
    "    <FONT COLOR=\"#737373\">Sample view (Up to five displayed within library)</FONT></TD>\r\n  </TR>\r\n";
const std::string kTail = "</TABLE>\r\n</BODY>\r\n</HTML>\r\n";

std::string cell(const std::string& src, const std::string& sizeAttr = "WIDTH") {
    return "    <TD HEIGHT=\"84\" WIDTH=\"84\" BGCOLOR=\"#C6C6C6\" ALIGN=\"CENTER\">\r\n"
           "      <IMG SRC=\"" + src + "\" " + sizeAttr + "=\"80\"></TD>\r\n";
}
const std::string kDummy = cell("../dummy.gif");

std::string row(const std::string& key, const std::string& href, const std::string& date,
                const std::string& title, const std::string& count, const std::string& cells) {
    return "  <TR><!--" + key + "-->\r\n"
           "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"85\" ALIGN=\"CENTER\"><A HREF=\"" + href +
           "\" TARGET=\"_blank\">" + date + "</A></TD>\r\n"
           "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"195\" ALIGN=\"CENTER\"><A HREF=\"" + href +
           "\" TARGET=\"_blank\">" + title + "</A></TD>\r\n"
           "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"75\" ALIGN=\"CENTER\"><FONT COLOR=\"#737373\">" + count +
           "</FONT></TD>\r\n" + cells +
           "  </TR>\r\n  <TR>\r\n    <TD COLSPAN=\"7\"><BR></TD>\r\n  </TR>\r\n";
}

// A short row for the edit tests: date 2001/04/<day>, no images.
std::string plainRow(const std::string& day) {
    return row("200104" + day, "../../L/200104" + day + "/A.JPG", "2001/04/" + day, "T" + day, "0 copies",
               kDummy + kDummy + kDummy + kDummy + kDummy);
}

void writeJpeg(const std::string& path, int width, int height) {
    const media::Image image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height * 3), 128)};
    ASSERT_TRUE(platform::makeDirectories(std::string(platform::parentPath(path))));
    ASSERT_TRUE(media::saveJpeg(image, path));
}

// A minimal shell link holding an ANSI local path.
void writeShellLink(const std::string& path, const std::string& target) {
    std::vector<std::uint8_t> b = {0x4C, 0, 0, 0, 0x01, 0x14, 0x02, 0, 0, 0, 0, 0,
                                   0xC0, 0, 0, 0, 0, 0, 0, 0x46, 0x02, 0, 0, 0};  // flags: HasLinkInfo
    b.resize(76, 0);
    auto put32 = [&b](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto infoSize = static_cast<std::uint32_t>(0x1C + 0x11 + target.size() + 1 + 1);
    for (std::uint32_t v : {infoSize, 0x1Cu, 1u, 0x1Cu, 0x2Du, 0u, static_cast<std::uint32_t>(0x2D + target.size() + 1)})
        put32(v);
    for (std::uint32_t v : {0x11u, 3u, 0x12345678u, 0x10u}) put32(v);
    b.push_back(0);
    b.insert(b.end(), target.begin(), target.end());
    b.push_back(0);
    b.push_back(0);  // empty suffix
    put32(0);        // no extra data
    writeBytes(path, b);
}

// The file's bytes with the stamp field set back to "0  ", after checking it.
std::string unstampedFile(const std::string& path) {
    std::vector<std::uint8_t> bytes = readBytes(path);
    EXPECT_TRUE(isStampIntact(bytes));
    if (bytes.size() > 22) bytes[20] = '0', bytes[21] = ' ', bytes[22] = ' ';
    return {bytes.begin(), bytes.end()};
}

TEST(PageLinks, RelativeBelowProgramFolderElseFileUrl) {
    EXPECT_EQ(pageLink("/opt/Lumbrel", "/opt/lumbrel/LIB/a:b.jpg"), "../../LIB/a:b.jpg");
    EXPECT_EQ(pageLink("/opt/lumbrel/", "/opt/lumbrel/x.jpg"), "../../x.jpg");
    EXPECT_EQ(pageLink("/opt/lumbrel", "/opt/lumbrel2/x.jpg"), "file:///opt/lumbrel2/x.jpg");
    EXPECT_EQ(pageLink("/opt/lumbrel", "/media/card/x.jpg"), "file:///media/card/x.jpg");
    // Characters that would end the path or the attribute still name the file.
    EXPECT_EQ(pageLink("/opt/lumbrel", "/opt/lumbrel/L/Tom & Ann #2?/100%\"<>.jpg"),
              "../../L/Tom &amp; Ann %232%3F/100%25%22%3C%3E.jpg");
}

TEST(MonthPage, TitleSplitsIntoPiecesOfTwentyBytes) {
    EXPECT_EQ(titlePieces("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrs"),
              "ABCDEFGHIJKLMNOPQRST<BR>UVWXYZabcdefghijklmn<BR>opqrs");
    EXPECT_EQ(titlePieces("abcdefghijklmnopqrs\xC3\xA9xy"), "abcdefghijklmnopqrs<BR>\xC3\xA9xy");
    EXPECT_EQ(titlePieces(""), "<BR>");
    // Markup characters show as themselves; the split counts the title's own bytes.
    EXPECT_EQ(titlePieces("Fish & Chips <Dover> \"Day 2\""),
              "Fish &amp; Chips &lt;Dover&gt;<BR> &quot;Day 2&quot;");
}

TEST(MonthPage, NewPageWithARowOfTwoImages) {
    TempDir prog;
    const std::string lib = prog / "LIB/20010415";
    writeJpeg(lib + "/PREVIEW/IMG1.JPG", 16, 8);
    writeJpeg(lib + "/PREVIEW/IMG2.JPG", 8, 16);
    const LibraryRowData data{"20010415", lib + "/IMG1.JPG", "Spring walk", {lib + "/IMG1.JPG", lib + "/IMG2.JPG"}};
    const std::string expectedRow =
        row("20010415", "../../LIB/20010415/IMG1.JPG", "2001/04/15", "Spring walk", "2 copies",
            cell("../../LIB/20010415/PREVIEW/IMG1.JPG") + cell("../../LIB/20010415/PREVIEW/IMG2.JPG", "HEIGHT") +
                kDummy + kDummy + kDummy);
    const auto built = libraryRow(data, prog.path());
    ASSERT_TRUE(built);
    EXPECT_EQ(*built, expectedRow);
    EXPECT_EQ(newMonthPage("2001", 3, *built), kTop + expectedRow + kTail);

    const std::string path = prog / "apr.htm";
    ASSERT_TRUE(writeNewMonthPage(path, "2001", 3, *built));
    EXPECT_EQ(unstampedFile(path), kTop + expectedRow + kTail);
    EXPECT_EQ(platform::isReadOnly(path), true);
}

TEST(MonthPage, EightImagesShowFiveThumbnailsAndTheCount) {
    TempDir prog;
    const std::string lib = prog / "LIB/20010400_2";
    writeJpeg(lib + "/PREVIEW/MOV1.jpg", 8, 16);
    LibraryRowData data{"20010400_2", lib + "/MOV1.AVI", "", {lib + "/MOV1.AVI"}};
    for (int i = 2; i <= 8; ++i) data.imagePaths.push_back(lib + "/IMG" + std::to_string(i) + ".JPG");
    // MOV1 has its preview (tall); the others have none and are linked under PREVIEW as wide.
    const std::string expectedRow =
        row("20010400_2", "../../LIB/20010400_2/MOV1.AVI", "2001/04_2", "<BR>", "8 copies",
            cell("../../LIB/20010400_2/PREVIEW/MOV1.jpg", "HEIGHT") + cell("../../LIB/20010400_2/PREVIEW/IMG2.JPG") +
                cell("../../LIB/20010400_2/PREVIEW/IMG3.JPG") + cell("../../LIB/20010400_2/PREVIEW/IMG4.JPG") +
                cell("../../LIB/20010400_2/PREVIEW/IMG5.JPG"));
    EXPECT_EQ(libraryRow(data, prog.path()), expectedRow);
    data.key = "20011300";
    EXPECT_FALSE(libraryRow(data, prog.path()));
}

TEST(MonthPage, MoviePreviewAsTheLoaderNamesItOrInAnyLetterCase) {
    TempDir prog;
    const std::string lib = prog / "LIB/20010619";
    writeJpeg(lib + "/PREVIEW/MOV1.JPG", 16, 8);  // the loader's name
    writeJpeg(lib + "/PREVIEW/mov2.Jpg", 16, 8);  // written by hand
    const LibraryRowData data{"20010619", lib + "/MOV1.AVI", "", {lib + "/MOV1.AVI", lib + "/MOV2.AVI", lib + "/MOV3.AVI"}};
    // MOV3 has no preview in any case: it keeps the fallback under PREVIEW.
    const std::string expectedRow =
        row("20010619", "../../LIB/20010619/MOV1.AVI", "2001/06/19", "<BR>", "3 copies",
            cell("../../LIB/20010619/PREVIEW/MOV1.JPG") + cell("../../LIB/20010619/PREVIEW/mov2.Jpg") +
                cell("../../LIB/20010619/PREVIEW/MOV3.AVI") + kDummy + kDummy);
    EXPECT_EQ(libraryRow(data, prog.path()), expectedRow);
}

TEST(MonthPage, LibraryOutsideProgramFolderAndLinkFallbacks) {
    TempDir prog;
    TempDir card;
    const std::string outside = card.path().substr(1);  // the URL drops the leading "/"
    writeJpeg(card / "IMG1.JPG", 4, 4);
    writeJpeg(card / "thumbs/t2.jpg", 8, 16);
    writeShellLink(card / "walk.lnk", card / "IMG1.JPG");
    writeShellLink(card / "PREVIEW/IMG2.JPG.lnk", card / "thumbs/t2.jpg");
    const LibraryRowData data{"010415", card / "walk.lnk", "A title of exactly twenty-six",
                              {card / "IMG1.JPG", card / "IMG2.JPG"}};
    const std::string expectedRow =
        row("010415", "file:///" + outside + "/IMG1.JPG", "2001/04/15", "A title of exactly t<BR>wenty-six",
            "2 copies",
            cell("file:///" + outside + "/PREVIEW/IMG1.JPG") + cell("file:///" + outside + "/thumbs/t2.jpg", "HEIGHT") +
                kDummy + kDummy + kDummy);
    EXPECT_EQ(libraryRow(data, prog.path()), expectedRow);
}

// A stamped page of April 2001 holding rows, as the writer keeps it in memory.
std::string aprilPage(const std::string& rows) {
    std::string page = *newMonthPage("2001", 3, rows);
    applyStamp(std::span(reinterpret_cast<std::uint8_t*>(page.data()), page.size()));
    return page;
}

// The page with the stamp field set back to "0  ", after checking it.
std::string unstamped(std::string page) {
    EXPECT_TRUE(isStampIntact(std::span(reinterpret_cast<const std::uint8_t*>(page.data()), page.size())));
    return page.replace(20, 3, "0  ");
}

TEST(MonthPage, InsertsRowsInKeyOrderAndRefusesADuplicate) {
    std::string page = aprilPage(plainRow("15"));
    EXPECT_EQ(insertRow(page, "20010420", plainRow("20")), PageEditResult::Edited);
    EXPECT_EQ(insertRow(page, "20010402", plainRow("02")), PageEditResult::Edited);
    EXPECT_EQ(unstamped(page), kTop + plainRow("02") + plainRow("15") + plainRow("20") + kTail);

    const std::string before = page;
    EXPECT_EQ(insertRow(page, "20010415", plainRow("15")), PageEditResult::Duplicate);
    EXPECT_EQ(page, before);
}

TEST(MonthPage, RemovesRowsUntilThePageIsEmptied) {
    std::string page = aprilPage(plainRow("02") + plainRow("15"));
    EXPECT_EQ(removeRow(page, "20010402"), PageEditResult::Edited);
    EXPECT_EQ(unstamped(page), kTop + plainRow("15") + kTail);
    EXPECT_EQ(removeRow(page, "20010402"), PageEditResult::RowMissing);
    EXPECT_EQ(removeRow(page, "20010415"), PageEditResult::PageEmptied);
}

TEST(MonthPage, RetitleReplacesOnlyTheTitleAnchorText) {
    std::string page = aprilPage(plainRow("02") + plainRow("15"));
    EXPECT_EQ(retitleRow(page, "20010415", "Harbour at dusk, second day"), PageEditResult::Edited);
    const std::string retitled = row("20010415", "../../L/20010415/A.JPG", "2001/04/15",
                                     "Harbour at dusk, sec<BR>ond day", "0 copies",
                                     kDummy + kDummy + kDummy + kDummy + kDummy);
    EXPECT_EQ(unstamped(page), kTop + plainRow("02") + retitled + kTail);
}

TEST(MonthPage, HandEditedPageFailsItsStamp) {
    std::string page = aprilPage(plainRow("15"));
    page[page.size() - 14] = 'x';  // "</BODY>" becomes "</BOxY>"
    const std::string edited = page;
    EXPECT_EQ(retitleRow(page, "20010415", "New"), PageEditResult::Altered);
    EXPECT_EQ(page, edited);
    // The user chose to go on with the changed page.
    EXPECT_EQ(retitleRow(page, "20010415", "New", true), PageEditResult::Edited);
    EXPECT_TRUE(isStampIntact(std::span(reinterpret_cast<const std::uint8_t*>(page.data()), page.size())));

    page = kTop + plainRow("15") + kTail;  // "0" at offset 20: never stamped
    EXPECT_EQ(insertRow(page, "20010420", plainRow("20")), PageEditResult::Altered);
    EXPECT_EQ(page, kTop + plainRow("15") + kTail);
}

}  // namespace
}  // namespace lumbrel::web
