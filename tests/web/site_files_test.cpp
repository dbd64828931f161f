#include "web/site_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/prepare_folder.h"
#include "support/temp_dir.h"
#include "web/page_stamp.h"

namespace lumbrel::web {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeText;

const std::string kHead =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<!--0   -->"
    "  <META NAME=\"GENERATOR\" CONTENT=\"Orrin Lumbrel 1.1\">\r\n"
    "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=utf-8\">\r\n";

std::string frameSet(const std::string& lowerFrame) {
    return kHead +
           "  <TITLE>View library</TITLE>\r\n"
           "</HEAD>\r\n"
           "<FRAMESET FRAMEBORDER=1 ROWS=\"100, 67*\" COLS=\"*\">\r\n"
           "  <FRAME SRC=\"HTML/calendar.htm\" NAME=\"calendar\">\r\n"
           "  <FRAME SRC=\"" + lowerFrame + "\" NAME=\"start\">\r\n"
           "<NOFRAMES>\r\n"
           "<BODY>\r\n"
           "English capable browser that can display frames is required to view this page\r\n"
           "</BODY>\r\n"
           "</NOFRAMES>\r\n"
           "</FRAMESET>\r\n"
           "</HTML>\r\n";
}

std::string start(const std::string& line1, const std::string& line2) {
    return kHead +
           "  <TITLE>start</TITLE>\r\n"
           "</HEAD>\r\n"
           "<BODY>\r\n"
           "<BR>\r\n<BR>\r\n<BR>\r\n"
           "<TABLE BORDER=\"0\" WIDTH=\"775\" ALIGN=\"CENTER\">\r\n"
           "  <TR>\r\n"
           "    <TD ALIGN=\"CENTER\" VALIGN=\"MIDDLE\" WIDTH=\"775\">\r\n"
           "      <FONT SIZE=\"4\" COLOR=\"#000066\">\r\n"
           "        <B><BR>View library</B>\r\n"
           "       </FONT>\r\n"
           "       <FONT COLOR=\"#000066\">\r\n"
           "         <B><BR><BR>" + line1 + "<BR></B>\r\n"
           "        </FONT>\r\n"
           "        <FONT COLOR=\"#000066\">\r\n"
           "          <B>" + line2 + "<BR></B>\r\n"
           "        </FONT>\r\n"
           "       </TD>\r\n"
           "      </TR>\r\n"
           "     </TABLE>\r\n"
           "</BODY>\r\n"
           "</HTML>\r\n";
}

const std::string kEmptyCalendar = kHead +
    "  <TITLE>Lumbrel</TITLE>\r\n"
    "</HEAD>\r\n"
    "<BODY BGCOLOR=\"#FFFFFF\">\r\n"
    "<TABLE BORDER=\"0\" ALIGN=\"CENTER\" WIDTH=\"775\" CELLSPACING=\"1\" STYLE=\"font-size:9pt\">\r\n"
    "  <TR>\r\n"
    "    <TD COLSPAN=\"13\" BGCOLOR=\"#9999FF\"\tALIGN=\"CENTER\" VALIGN=\"MIDDLE\">\r\n"
    "      <FONT STYLE=\"font-size:16pt\" FACE=\"Times New Roman, Times, serif\">\r\n"
    "        <B>Lumbrel</B>\r\n"
    "      </FONT>\r\n"
    "    </TD>\r\n"
    "  </TR>\r\n"
    "</TABLE>\r\n"
    "</BODY>\r\n"
    "</HTML>\r\n";

const std::vector<std::uint8_t> kGif{
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x0A, 0x00, 0x0A, 0x00, 0x80, 0x00, 0x00, 0xC6,
    0xC6, 0xC6, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x0A, 0x00,
    0x00, 0x02, 0x08, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0x63, 0x2B, 0x00, 0x3B};

std::string textOf(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

bool readOnly(const std::string& path) { return platform::isReadOnly(path) == std::optional<bool>(true); }

TEST(SiteFiles, FrameSetBytes) {
    EXPECT_EQ(frameSetPage(std::nullopt), frameSet("HTML/start.htm"));
    EXPECT_EQ(frameSetPage(MonthFrame{"2004", 2}), frameSet("HTML/2004/mar.htm"));
    EXPECT_EQ(frameSetPage(MonthFrame{"1999", 11}), frameSet("HTML/1999/dec.htm"));
    EXPECT_FALSE(frameSetPage(MonthFrame{"2004", 12}));
    EXPECT_FALSE(frameSetPage(MonthFrame{"04", 0}));
}

TEST(SiteFiles, StartPageBytes) {
    EXPECT_EQ(startPage(true), start("Clicking the highlighted month in the calendar in the",
                                     "upper frame displays the list for that month in the frame"));
    EXPECT_EQ(startPage(false), start("No library was found.", "Load an image and try again."));
}

TEST(SiteFiles, EmptyCalendarIsWrittenStamped) {
    EXPECT_EQ(emptyCalendarPage(), kEmptyCalendar);
    TempDir dir;
    SiteFiles site(dir.path());
    ASSERT_TRUE(site.prepareHtmlFolder());
    ASSERT_TRUE(site.writeEmptyCalendarIfMissing());
    std::string written = textOf(dir / "HTML/calendar.htm");
    ASSERT_EQ(written.size(), kEmptyCalendar.size());
    EXPECT_EQ(written[20], '1');
    EXPECT_EQ(written.substr(0, 20), kEmptyCalendar.substr(0, 20));
    EXPECT_EQ(written.substr(23), kEmptyCalendar.substr(23));
    EXPECT_EQ(checkFileStamp(site.calendarPath()), StampCheck::Intact);
    EXPECT_TRUE(readOnly(site.calendarPath()));

    // An existing calendar is left alone, even a hand-edited one.
    ASSERT_TRUE(platform::setReadOnly(site.calendarPath(), false));
    written[40] = 'X';
    writeText(site.calendarPath(), written);
    ASSERT_TRUE(site.writeEmptyCalendarIfMissing());
    EXPECT_EQ(textOf(site.calendarPath()), written);
    EXPECT_EQ(checkFileStamp(site.calendarPath()), StampCheck::Altered);
}

TEST(SiteFiles, PlaceholderAndPaths) {
    TempDir dir;
    SiteFiles site(dir.path());
    ASSERT_TRUE(site.prepareHtmlFolder());
    ASSERT_TRUE(site.writePlaceholder());
    EXPECT_EQ(readBytes(dir / "HTML/dummy.gif"), kGif);
    EXPECT_EQ(site.monthPagePath("2004", 9), dir / "HTML/2004/oct.htm");
    EXPECT_EQ(site.monthPagePath("2004", -1), "");
    ASSERT_TRUE(site.prepareYearFolder("2004"));
    EXPECT_TRUE(platform::isDirectory(dir / "HTML/2004"));
    EXPECT_FALSE(site.prepareYearFolder("20x4"));
}

TEST(SiteFiles, PlainFileInTheWayIsMovedAside) {
    TempDir dir;
    writeText(dir / "HTML", "first");
    SiteFiles site(dir.path());
    ASSERT_TRUE(site.prepareHtmlFolder());
    EXPECT_TRUE(platform::isDirectory(dir / "HTML"));
    EXPECT_EQ(textOf(dir / "HTML.000"), "first");

    // With ".000" taken the next file goes to ".001"; a folder stays as it is.
    writeText(dir / "HTML/keep.txt", "kept");
    ASSERT_TRUE(platform::prepareFolder(dir / "HTML"));
    EXPECT_EQ(textOf(dir / "HTML/keep.txt"), "kept");
    writeText(dir / "other", "second");
    writeText(dir / "other.000", "taken");
    ASSERT_TRUE(platform::prepareFolder(dir / "other"));
    EXPECT_TRUE(platform::isDirectory(dir / "other"));
    EXPECT_EQ(textOf(dir / "other.000"), "taken");
    EXPECT_EQ(textOf(dir / "other.001"), "second");
}

TEST(SiteFiles, ReadOnlyAfterWritingAndRewritable) {
    TempDir dir;
    const std::string path = dir / "page.htm";
    ASSERT_TRUE(writeSiteFile(path, std::string_view("one")));
    EXPECT_TRUE(readOnly(path));
    ASSERT_TRUE(writeSiteFile(path, std::string_view("two")));
    EXPECT_EQ(textOf(path), "two");
    EXPECT_TRUE(readOnly(path));
}

TEST(SiteFiles, NewSiteAndResetFrame) {
    TempDir dir;
    SiteFiles site(dir.path());
    ASSERT_TRUE(site.newSite());
    EXPECT_EQ(textOf(dir / "library.htm"), frameSet("HTML/start.htm"));
    EXPECT_EQ(textOf(dir / "HTML/start.htm"), start("No library was found.", "Load an image and try again."));
    EXPECT_EQ(checkFileStamp(dir / "HTML/calendar.htm"), StampCheck::Intact);
    EXPECT_TRUE(readOnly(dir / "library.htm"));
    EXPECT_TRUE(readOnly(dir / "HTML/start.htm"));

    ASSERT_TRUE(site.writeFrameSet(MonthFrame{"2004", 0}));
    EXPECT_EQ(textOf(dir / "library.htm"), frameSet("HTML/2004/jan.htm"));
    ASSERT_TRUE(site.resetFrame());
    EXPECT_EQ(textOf(dir / "library.htm"), frameSet("HTML/start.htm"));
}

}  // namespace
}  // namespace lumbrel::web
