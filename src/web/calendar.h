#pragma once
// Edits of calendar.htm, the page of years and months the site opens with.
// Each year that holds a library has one row (newest year first) with a cell
// per month; a month with a month page shows as a link to <year>/<mon>.htm,
// every other month as grey text. Edits work on the page held in memory, check
// its stamp first and stamp the result.

#include <string>
#include <string_view>

#include "web/site_files.h"

namespace lumbrel::web {

enum class CalendarStatus {
    Edited,           ///< the page was changed; the result is stamped
    Unchanged,        ///< adding: the month link is there already
    LinkMissing,      ///< removing: the page has no link to that month
    StampAltered,     ///< the page fails its stamp check and was not edited
    Malformed,        ///< too short, or a needed marker (</TABLE>, a cell, a row) is missing
    InvalidMonth,     ///< year not four digits, or month index outside 0..11
    NoMemory,         ///< the edited page could not be held in memory
};

/// Whether a page failing its stamp check may still be edited (the user chose
/// to go on with it).
enum class StampRule {
    Require,  ///< an altered page is left alone (StampAltered)
    Ignore,   ///< an altered page is edited and stamped afresh
};

struct CalendarEdit {
    CalendarStatus status = CalendarStatus::Malformed;
    /// The page to write: stamped, set for Edited and Unchanged; empty otherwise.
    std::string page;
};

/// The month link of a calendar cell: <year>/<mon>.htm; empty when invalid.
std::string calendarMonthLink(std::string_view year, int monthIndex);

/// A year row without links, as inserted into the calendar.
std::string calendarYearRow(std::string_view year);

/// Adds the link to the month page of (year, monthIndex), creating the year
/// row in its place when the year has none. An existing link is left alone.
CalendarEdit addCalendarMonth(std::string_view page, std::string_view year, int monthIndex,
                              StampRule rule = StampRule::Require);

/// Turns the link of (year, monthIndex) back into grey text and deletes the
/// year row when no link of that year is left.
CalendarEdit removeCalendarMonth(std::string_view page, std::string_view year, int monthIndex,
                                 StampRule rule = StampRule::Require);

}  // namespace lumbrel::web
