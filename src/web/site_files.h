#pragma once
// The fixed files of the library web site under the program folder:
//   library.htm           the frameset (calendar above, start or month page below)
//   HTML/start.htm        the start page
//   HTML/calendar.htm     the calendar of years and months (stamped)
//   HTML/dummy.gif        the 10 x 10 placeholder image
// and the preparation of the folders they live in. Every file is made
// writable before it is written and read-only after.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lumbrel::web {

/// The month a frameset points its lower frame at: HTML/<year>/<mon>.htm.
struct MonthFrame {
    std::string year;    ///< four digits
    int monthIndex = 0;  ///< 0..11
};

/// True for a year written as four digits, as the site's folders and links need it.
bool isFourDigitYear(std::string_view year);

/// "jan" .. "dec" for monthIndex 0..11; empty outside that range.
std::string_view monthFileName(int monthIndex);

/// The head every page starts with; bytes 20..22 are the (unfilled) stamp field.
std::string commonHead();

/// library.htm with its lower frame on start.htm (no month) or on a month
/// page; nullopt when the year is not four digits or the month is out of range.
std::optional<std::string> frameSetPage(const std::optional<MonthFrame>& month);

/// start.htm, with the text for a site that has libraries or for one without.
std::string startPage(bool librariesPresent);

/// calendar.htm without any year row, before stamping.
std::string emptyCalendarPage();

/// The 41 bytes of dummy.gif.
std::span<const std::uint8_t> placeholderGif();

/// Writes a site file whole: makes an existing file writable first, writes
/// through a temporary file and makes the result read-only.
bool writeSiteFile(const std::string& path, std::span<const std::uint8_t> bytes);
bool writeSiteFile(const std::string& path, std::string_view text);

/// The site of one program folder (paths use "/").
class SiteFiles {
public:
    explicit SiteFiles(std::string programFolder);

    const std::string& programFolder() const { return programFolder_; }
    std::string htmlFolder() const;                      ///< <program>/HTML
    std::string frameSetPath() const;                    ///< <program>/library.htm
    std::string startPagePath() const;                   ///< HTML/start.htm
    std::string calendarPath() const;                    ///< HTML/calendar.htm
    std::string placeholderPath() const;                 ///< HTML/dummy.gif
    std::string yearFolder(std::string_view year) const; ///< HTML/<year>
    /// HTML/<year>/<mon>.htm; empty when monthIndex is out of range.
    std::string monthPagePath(std::string_view year, int monthIndex) const;

    bool prepareHtmlFolder() const;
    bool prepareYearFolder(std::string_view year) const;
    bool writeFrameSet(const std::optional<MonthFrame>& month) const;
    bool writeStartPage(bool librariesPresent) const;
    /// Writes the empty calendar with its stamp filled in.
    bool writeEmptyCalendar() const;
    /// Writes the empty calendar only when no calendar.htm exists.
    bool writeEmptyCalendarIfMissing() const;
    bool writePlaceholder() const;

    /// Prepares HTML and points library.htm at start.htm.
    bool resetFrame() const;
    /// Prepares HTML and writes library.htm, start.htm with the no-library
    /// text and an empty calendar.htm.
    bool newSite() const;

private:
    std::string programFolder_;
};

}  // namespace lumbrel::web
