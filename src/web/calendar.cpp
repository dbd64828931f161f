#include "web/calendar.h"

#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "app/strings.h"
#include "platform/files.h"
#include "web/page_stamp.h"

namespace lumbrel::web {
namespace {

constexpr std::string_view kRowStart = "  <TR ALIGN";
constexpr std::string_view kRowEnd = "</TR>\r\n";
constexpr std::string_view kLinkStart = "<A HREF=\"";
constexpr std::string_view kMonthCell = "WIDTH=\"56\">";
constexpr std::string_view kCellEnd = "</TD>\r\n";
constexpr std::string_view kLinkEnd = "</A></B>";
constexpr std::string_view kLinkCellEnd = "</A></B></TD>\r\n";
constexpr std::size_t npos = std::string::npos;

std::string greyMonth(int monthIndex) {
    return "<FONT COLOR=\"#737373\">" + std::string(app::monthName(monthIndex)) + "</FONT>";
}

// The text of string 144 with its "%s" replaced by the year.
std::string yearText(std::string_view year) {
    std::string text(app::text(app::kTextYear));
    const std::size_t at = text.find("%s");
    if (at != npos) text.replace(at, 2, year);
    return text;
}

bool stampIntact(std::string_view page) {
    return isStampIntact(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(page.data()), page.size()));
}

bool stamp(std::string& page) {
    return applyStamp(
        std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(page.data()), page.size()));
}

// The start of the year row that holds offset at; npos when there is none.
std::size_t rowStartBefore(const std::string& text, std::size_t at) {
    const std::size_t row = text.rfind(kRowStart, at);
    return row == npos || row < kBodyStart ? npos : row;
}

// Where a new year row goes: before the row of the first link to an older
// year, else before </TABLE>. npos when neither is found.
std::size_t newRowPosition(const std::string& text, std::string_view year) {
    const std::string_view view(text);
    for (std::size_t at = view.find(kLinkStart, kBodyStart); at != npos;
         at = view.find(kLinkStart, at + kLinkStart.size())) {
        const std::string_view linkYear = view.substr(at + kLinkStart.size(), 4);
        if (linkYear < year) return rowStartBefore(text, at);
    }
    return view.find("</TABLE>", kBodyStart);
}

// Validation and the stamp check shared by both edits; nullopt to go on.
std::optional<CalendarStatus> refuse(std::string_view page, std::string_view year, int monthIndex,
                                     StampRule rule) {
    if (!isFourDigitYear(year) || app::monthName(monthIndex).empty()) return CalendarStatus::InvalidMonth;
    if (page.size() < kBodyStart) return CalendarStatus::Malformed;
    if (rule == StampRule::Require && !stampIntact(page)) return CalendarStatus::StampAltered;
    return std::nullopt;
}

CalendarEdit finish(CalendarStatus status, std::string text) {
    if (!stamp(text)) return {CalendarStatus::Malformed, {}};
    return {status, std::move(text)};
}

CalendarEdit addMonth(std::string_view page, std::string_view year, int monthIndex, StampRule rule) {
    if (auto refused = refuse(page, year, monthIndex, rule)) return {*refused, {}};
    std::string text(page);
    const std::string link = calendarMonthLink(year, monthIndex);
    const std::string yearMark = std::string(year) + "/";

    std::size_t row = npos;
    const std::size_t yearAt = text.find(yearMark, kBodyStart);
    if (yearAt == npos) {
        row = newRowPosition(text, year);
        if (row == npos) return {CalendarStatus::Malformed, {}};
        text.insert(row, calendarYearRow(year));
    } else {
        row = rowStartBefore(text, yearAt);
        if (row == npos) return {CalendarStatus::Malformed, {}};
    }
    if (text.find(link, kBodyStart) != npos) return finish(CalendarStatus::Unchanged, std::move(text));

    // The (monthIndex+1)-th month cell of the row gets the link.
    const std::size_t rowEnd = text.find(kRowEnd, row);
    if (rowEnd == npos) return {CalendarStatus::Malformed, {}};
    std::size_t cell = row;
    for (int i = 0; i <= monthIndex; ++i) {
        cell = text.find(kMonthCell, cell);
        if (cell == npos || cell > rowEnd) return {CalendarStatus::Malformed, {}};
        cell += kMonthCell.size();
    }
    const std::size_t cellEnd = text.find(kCellEnd, cell);
    if (cellEnd == npos || cellEnd > rowEnd) return {CalendarStatus::Malformed, {}};
    text.replace(cell, cellEnd - cell,
                 "<B><A HREF=\"" + link + "\" TARGET=\"start\">" +
                     std::string(app::monthName(monthIndex)) + "</A></B>");
    return finish(CalendarStatus::Edited, std::move(text));
}

CalendarEdit removeMonth(std::string_view page, std::string_view year, int monthIndex,
                         StampRule rule) {
    if (auto refused = refuse(page, year, monthIndex, rule)) return {*refused, {}};
    std::string text(page);
    const std::string anchor = "<B><A HREF=\"" + calendarMonthLink(year, monthIndex) + "\"";
    const std::size_t start = text.find(anchor, kBodyStart);
    if (start == npos) return {CalendarStatus::LinkMissing, {}};
    const std::size_t end = text.find(kLinkCellEnd, start);
    if (end == npos) return {CalendarStatus::Malformed, {}};
    text.replace(start, end + kLinkEnd.size() - start, greyMonth(monthIndex));

    // A year row without links goes.
    if (text.find(std::string(year) + "/", kBodyStart) == npos) {
        const std::size_t row = rowStartBefore(text, start);
        const std::size_t rowEnd = text.find(kRowEnd, start);
        if (row == npos || rowEnd == npos) return {CalendarStatus::Malformed, {}};
        text.erase(row, rowEnd + kRowEnd.size() - row);
    }
    return finish(CalendarStatus::Edited, std::move(text));
}

}  // namespace

std::string calendarMonthLink(std::string_view year, int monthIndex) {
    const std::string_view mon = monthFileName(monthIndex);
    if (!isFourDigitYear(year) || mon.empty()) return {};
    return std::string(year) + "/" + std::string(mon) + ".htm";
}

std::string calendarYearRow(std::string_view year) {
    std::string row = "  <TR ALIGN=\"CENTER\">\r\n"
                      "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"103\"><B>" +
                      yearText(year) + "</B></TD>\r\n";
    for (int month = 0; month < 12; ++month)
        row += "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"56\">" + greyMonth(month) + "</TD>\r\n";
    return row + "  </TR>\r\n";
}

// The public edits turn a memory shortage into a result instead of letting
// std::bad_alloc escape.
CalendarEdit addCalendarMonth(std::string_view page, std::string_view year, int monthIndex,
                              StampRule rule) {
    try {
        return addMonth(page, year, monthIndex, rule);
    } catch (const std::bad_alloc&) {
        return {CalendarStatus::NoMemory, {}};
    }
}

CalendarEdit removeCalendarMonth(std::string_view page, std::string_view year, int monthIndex,
                                 StampRule rule) {
    try {
        return removeMonth(page, year, monthIndex, rule);
    } catch (const std::bad_alloc&) {
        return {CalendarStatus::NoMemory, {}};
    }
}

}  // namespace lumbrel::web
