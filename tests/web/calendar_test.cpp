#include "web/calendar.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "platform/files.h"
#include "support/temp_dir.h"
#include "web/page_stamp.h"

namespace lumbrel::web {
namespace {

using test::readBytes;
using test::TempDir;

// The empty calendar, cut where year rows go in.
const std::string kTop =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<!--0   -->"
    "  <META NAME=\"GENERATOR\" CONTENT=\"Orrin Lumbrel 1.1\">\r\n"
    "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=utf-8\">\r\n"
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
    "  </TR>\r\n";
const std::string kBottom = "</TABLE>\r\n</BODY>\r\n</HTML>\r\n";

constexpr std::array<const char*, 12> kNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
constexpr std::array<const char*, 12> kMons{"jan", "feb", "mar", "apr", "may", "jun",
                                            "jul", "aug", "sep", "oct", "nov", "dec"};

// A year row with links on the months in linked.
std::string row(const std::string& year, const std::set<int>& linked) {
    std::string text = "  <TR ALIGN=\"CENTER\">\r\n"
                       "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"103\"><B>" + year + "</B></TD>\r\n";
    for (int m = 0; m < 12; ++m) {
        text += "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"56\">";
        if (linked.count(m))
            text += "<B><A HREF=\"" + year + "/" + kMons[m] + ".htm\" TARGET=\"start\">" + kNames[m] +
                    "</A></B>";
        else
            text += std::string("<FONT COLOR=\"#737373\">") + kNames[m] + "</FONT>";
        text += "</TD>\r\n";
    }
    return text + "  </TR>\r\n";
}

std::string stamped(std::string page) {
    EXPECT_TRUE(applyStamp(std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(page.data()),
                                                   page.size())));
    return page;
}

std::string calendar(const std::string& rows) { return stamped(kTop + rows + kBottom); }

const std::string kEmpty = calendar("");

TEST(Calendar, FirstMonthMakesYearRow) {
    const CalendarEdit edit = addCalendarMonth(kEmpty, "2024", 2);
    EXPECT_EQ(edit.status, CalendarStatus::Edited);
    EXPECT_EQ(edit.page, calendar(row("2024", {2})));
    EXPECT_EQ(edit.page[20], '1');
}

TEST(Calendar, SecondMonthOfSameYear) {
    const CalendarEdit edit = addCalendarMonth(calendar(row("2024", {2})), "2024", 11);
    EXPECT_EQ(edit.status, CalendarStatus::Edited);
    EXPECT_EQ(edit.page, calendar(row("2024", {2, 11})));
}

TEST(Calendar, YearRowsNewestFirst) {
    const std::string page = calendar(row("2024", {2}) + row("2019", {6}));
    EXPECT_EQ(addCalendarMonth(page, "2025", 0).page,
              calendar(row("2025", {0}) + row("2024", {2}) + row("2019", {6})));
    EXPECT_EQ(addCalendarMonth(page, "2022", 4).page,
              calendar(row("2024", {2}) + row("2022", {4}) + row("2019", {6})));
    EXPECT_EQ(addCalendarMonth(page, "1998", 9).page,
              calendar(row("2024", {2}) + row("2019", {6}) + row("1998", {9})));
}

TEST(Calendar, AddingTwiceLeavesPageAlone) {
    const std::string page = calendar(row("2024", {2}));
    const CalendarEdit edit = addCalendarMonth(page, "2024", 2);
    EXPECT_EQ(edit.status, CalendarStatus::Unchanged);
    EXPECT_EQ(edit.page, page);
}

TEST(Calendar, RemovingLinkTurnsCellGrey) {
    const CalendarEdit edit = removeCalendarMonth(calendar(row("2024", {2, 11})), "2024", 11);
    EXPECT_EQ(edit.status, CalendarStatus::Edited);
    EXPECT_EQ(edit.page, calendar(row("2024", {2})));
}

TEST(Calendar, RemovingLastLinkOfYearDeletesRow) {
    const std::string page = calendar(row("2025", {0}) + row("2024", {2}) + row("2019", {6}));
    EXPECT_EQ(removeCalendarMonth(page, "2024", 2).page,
              calendar(row("2025", {0}) + row("2019", {6})));
    EXPECT_EQ(removeCalendarMonth(page, "2025", 0).page,
              calendar(row("2024", {2}) + row("2019", {6})));
}

TEST(Calendar, RemovingLastLinkOfSiteGivesEmptyCalendar) {
    const CalendarEdit edit = removeCalendarMonth(calendar(row("2024", {2})), "2024", 2);
    EXPECT_EQ(edit.status, CalendarStatus::Edited);
    EXPECT_EQ(edit.page, kEmpty);
}

TEST(Calendar, HandEditedPageIsNotEdited) {
    std::string page = calendar(row("2024", {2}));
    page[page.find("March")] = 'm';
    EXPECT_EQ(addCalendarMonth(page, "2024", 3).status, CalendarStatus::StampAltered);
    EXPECT_EQ(removeCalendarMonth(page, "2024", 2).status, CalendarStatus::StampAltered);
    EXPECT_EQ(addCalendarMonth(kTop + kBottom, "2024", 3).status, CalendarStatus::StampAltered);

    // When told to go on anyway, the page is edited and stamped afresh.
    std::string expected = kTop + row("2024", {2, 3}) + kBottom;
    expected[expected.find("March")] = 'm';
    const CalendarEdit edit = addCalendarMonth(page, "2024", 3, StampRule::Ignore);
    EXPECT_EQ(edit.status, CalendarStatus::Edited);
    EXPECT_EQ(edit.page, stamped(expected));
}

TEST(Calendar, RefusedInputs) {
    EXPECT_EQ(addCalendarMonth(kEmpty, "2024", 12).status, CalendarStatus::InvalidMonth);
    EXPECT_EQ(addCalendarMonth(kEmpty, "24", 0).status, CalendarStatus::InvalidMonth);
    EXPECT_EQ(removeCalendarMonth(kEmpty, "2024", -1).status, CalendarStatus::InvalidMonth);
    EXPECT_EQ(removeCalendarMonth(kEmpty, "2024", 2).status, CalendarStatus::LinkMissing);
    EXPECT_EQ(addCalendarMonth(kEmpty.substr(0, 25), "2024", 2).status, CalendarStatus::Malformed);
    EXPECT_EQ(addCalendarMonth(stamped(kTop), "2024", 2).status, CalendarStatus::Malformed);
    // A year row cut short before the month's cell.
    const std::string cut = row("2024", {0}).substr(0, 300);
    EXPECT_EQ(addCalendarMonth(stamped(kTop + cut + "</TR>\r\n" + kBottom), "2024", 11).status,
              CalendarStatus::Malformed);
}

}  // namespace
}  // namespace lumbrel::web
