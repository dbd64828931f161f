#include "web/site_files.h"

#include <array>
#include <cstdio>
#include <utility>
#include <vector>

#include "app/strings.h"
#include "platform/files.h"
#include "platform/prepare_folder.h"
#include "web/page_stamp.h"

namespace lumbrel::web {
namespace {

constexpr std::array<std::string_view, 12> kMonthFiles{
    "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};

// A 10 x 10 GIF89a with the two-colour table #C6C6C6, #000000.
constexpr std::array<std::uint8_t, 41> kPlaceholderGif{
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x0A, 0x00, 0x0A, 0x00, 0x80, 0x00, 0x00, 0xC6,
    0xC6, 0xC6, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x0A, 0x00,
    0x00, 0x02, 0x08, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0x63, 0x2B, 0x00, 0x3B};

std::string str(std::string_view text) { return std::string(text); }

}  // namespace

bool isFourDigitYear(std::string_view year) {
    if (year.size() != 4) return false;
    for (char c : year)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string_view monthFileName(int monthIndex) {
    if (monthIndex < 0 || monthIndex > 11) return {};
    return kMonthFiles[static_cast<std::size_t>(monthIndex)];
}

std::string commonHead() {
    return "<HTML>\r\n<HEAD>\r\n<!--0   -->"
           "  <META NAME=\"GENERATOR\" CONTENT=\"Orrin Lumbrel 1.1\">\r\n"
           "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=" +
           str(app::text(app::kTextCharset)) + "\">\r\n";
}

std::optional<std::string> frameSetPage(const std::optional<MonthFrame>& month) {
    std::string lowerFrame = "  <FRAME SRC=\"HTML/start";
    if (month) {
        if (!isFourDigitYear(month->year) || monthFileName(month->monthIndex).empty())
            return std::nullopt;
        lowerFrame = "  <FRAME SRC=\"HTML/" + month->year + "/" + str(monthFileName(month->monthIndex));
    }
    return commonHead() + "  <TITLE>" + str(app::text(app::kTextFrameTitle)) + "</TITLE>\r\n" +
           "</HEAD>\r\n" +
           "<FRAMESET FRAMEBORDER=1 ROWS=\"100, 67*\" COLS=\"*\">\r\n" +
           "  <FRAME SRC=\"HTML/calendar.htm\" NAME=\"calendar\">\r\n" + lowerFrame +
           ".htm\" NAME=\"start\">\r\n<NOFRAMES>\r\n" + "<BODY>\r\n" + str(app::text(app::kTextNoFrames)) +
           "</BODY>\r\n" + "</NOFRAMES>\r\n</FRAMESET>\r\n</HTML>\r\n";
}

std::string startPage(bool librariesPresent) {
    const std::string_view line1 = app::text(librariesPresent ? app::kTextLibrariesLine1 : app::kTextNoLibraryLine1);
    const std::string_view line2 = app::text(librariesPresent ? app::kTextLibrariesLine2 : app::kTextNoLibraryLine2);
    return commonHead() + "  <TITLE>start</TITLE>\r\n</HEAD>\r\n<BODY>\r\n" +
           "<BR>\r\n<BR>\r\n<BR>\r\n" + "<TABLE BORDER=\"0\" WIDTH=\"775\" ALIGN=\"CENTER\">\r\n" +
           "  <TR>\r\n" + "    <TD ALIGN=\"CENTER\" VALIGN=\"MIDDLE\" WIDTH=\"775\">\r\n" +
           "      <FONT SIZE=\"4\" COLOR=\"#000066\">\r\n" + "        <B><BR>" +
           str(app::text(app::kTextStartHeading)) + "</B>\r\n" + "       </FONT>\r\n" +
           "       <FONT COLOR=\"#000066\">\r\n" + "         <B><BR><BR>" + str(line1) +
           "<BR></B>\r\n" + "        </FONT>\r\n" + "        <FONT COLOR=\"#000066\">\r\n" +
           "          <B>" + str(line2) + "<BR></B>\r\n" +
           "        </FONT>\r\n       </TD>\r\n      </TR>\r\n     </TABLE>\r\n" +
           "</BODY>\r\n</HTML>\r\n";
}

std::string emptyCalendarPage() {
    return commonHead() + "  <TITLE>Lumbrel</TITLE>\r\n" + "</HEAD>\r\n" +
           "<BODY BGCOLOR=\"#FFFFFF\">\r\n" + "<TABLE BORDER=\"0\" ALIGN=\"CENTER\" WIDTH=\"775\"" +
           " CELLSPACING=\"1\" STYLE=\"font-size:9pt\">\r\n" + "  <TR>\r\n" +
           "    <TD COLSPAN=\"13\" BGCOLOR=\"#9999FF\"" + "\tALIGN=\"CENTER\" VALIGN=\"MIDDLE\">\r\n" +
           "      <FONT STYLE=\"font-size:16pt\"" + " FACE=\"Times New Roman, Times, serif\">\r\n" +
           "        <B>Lumbrel</B>\r\n" + "      </FONT>\r\n" + "    </TD>\r\n" +
           "  </TR>\r\n</TABLE>\r\n</BODY>\r\n</HTML>\r\n";
}

std::span<const std::uint8_t> placeholderGif() { return kPlaceholderGif; }

bool writeSiteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    // A read-only file from an earlier run is made writable first, so that the
    // rewrite does not carry the read-only bits over to the new file.
    if (platform::exists(path) && !platform::setReadOnly(path, false)) return false;
    if (!platform::writeFileAtomic(path, bytes)) return false;
    return platform::setReadOnly(path, true);
}

bool writeSiteFile(const std::string& path, std::string_view text) {
    return writeSiteFile(path, std::span<const std::uint8_t>(
                                   reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

SiteFiles::SiteFiles(std::string programFolder) : programFolder_(std::move(programFolder)) {}

std::string SiteFiles::htmlFolder() const { return platform::joinPath(programFolder_, "HTML"); }
std::string SiteFiles::frameSetPath() const { return platform::joinPath(programFolder_, "library.htm"); }
std::string SiteFiles::startPagePath() const { return platform::joinPath(htmlFolder(), "start.htm"); }
std::string SiteFiles::calendarPath() const { return platform::joinPath(htmlFolder(), "calendar.htm"); }
std::string SiteFiles::placeholderPath() const { return platform::joinPath(htmlFolder(), "dummy.gif"); }

std::string SiteFiles::yearFolder(std::string_view year) const {
    return platform::joinPath(htmlFolder(), year);
}

std::string SiteFiles::monthPagePath(std::string_view year, int monthIndex) const {
    const std::string_view mon = monthFileName(monthIndex);
    if (mon.empty()) return {};
    return platform::joinPath(yearFolder(year), str(mon) + ".htm");
}

bool SiteFiles::prepareHtmlFolder() const { return platform::prepareFolder(htmlFolder()); }

bool SiteFiles::prepareYearFolder(std::string_view year) const {
    return isFourDigitYear(year) && platform::prepareFolder(yearFolder(year));
}

bool SiteFiles::writeFrameSet(const std::optional<MonthFrame>& month) const {
    const std::optional<std::string> page = frameSetPage(month);
    return page && writeSiteFile(frameSetPath(), *page);
}

bool SiteFiles::writeStartPage(bool librariesPresent) const {
    return writeSiteFile(startPagePath(), startPage(librariesPresent));
}

bool SiteFiles::writeEmptyCalendar() const {
    const std::string text = emptyCalendarPage();
    std::vector<std::uint8_t> page(text.begin(), text.end());
    return applyStamp(page) && writeSiteFile(calendarPath(), std::span<const std::uint8_t>(page));
}

bool SiteFiles::writeEmptyCalendarIfMissing() const {
    return platform::exists(calendarPath()) || writeEmptyCalendar();
}

bool SiteFiles::writePlaceholder() const { return writeSiteFile(placeholderPath(), placeholderGif()); }

bool SiteFiles::resetFrame() const { return prepareHtmlFolder() && writeFrameSet(std::nullopt); }

bool SiteFiles::newSite() const {
    return prepareHtmlFolder() && writeFrameSet(std::nullopt) && writeStartPage(false) &&
           writeEmptyCalendar();
}

}  // namespace lumbrel::web
