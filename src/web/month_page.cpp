#include "web/month_page.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "app/strings.h"
#include "platform/files.h"
#include "platform/html_text.h"
#include "platform/utf8.h"
#include "web/library_key_form.h"
#include "web/page_links.h"
#include "web/page_stamp.h"
#include "web/site_files.h"

namespace lumbrel::web {
namespace {

constexpr std::size_t kTitlePieceBytes = 20;
constexpr std::size_t kSampleCells = 5;
constexpr std::string_view kRowMarker = "  <TR><!--";
constexpr std::string_view kMarkerEnd = "-->";
constexpr std::string_view kRowEnd = "<BR></TD>\r\n  </TR>\r\n";
constexpr std::string_view kTableEnd = "</TABLE>";
constexpr std::string_view kTitleAnchor = "_blank\">";
constexpr std::string_view kAnchorEnd = "</A></TD>\r\n";
constexpr std::string_view kCell = "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"";
constexpr std::string_view kSampleCell =
    "    <TD HEIGHT=\"84\" WIDTH=\"84\" BGCOLOR=\"#C6C6C6\" ALIGN=\"CENTER\">";

// text with each placeholder (e.g. "%s") replaced in turn by the next value.
std::string fill(std::string_view text, std::string_view placeholder,
                 std::initializer_list<std::string_view> values) {
    std::string out(text);
    std::size_t from = 0;
    for (std::string_view value : values) {
        const std::size_t at = out.find(placeholder, from);
        if (at == std::string::npos) break;
        out.replace(at, placeholder.size(), value);
        from = at + value.size();
    }
    return out;
}

std::string str(std::string_view text) { return std::string(text); }

std::span<std::uint8_t> bytesOf(std::string& page) {
    return {reinterpret_cast<std::uint8_t*>(page.data()), page.size()};
}

bool stampIntact(const std::string& page) {
    return isStampIntact(std::span(reinterpret_cast<const std::uint8_t*>(page.data()), page.size()));
}

std::string rowMarker(std::string_view key) {
    return str(kRowMarker) + str(key) + str(kMarkerEnd);
}

// The span of key's row: [begin, end) from its marker through its row end.
struct RowSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

enum class RowSearch { Found, Missing, Malformed };

RowSearch findRow(std::string_view page, std::string_view key, RowSpan& row) {
    const std::size_t begin = platform::findNoCase(page, rowMarker(key), std::min(kBodyStart, page.size()));
    if (begin == std::string_view::npos) return RowSearch::Missing;
    const std::size_t end = page.find(kRowEnd, begin);
    if (end == std::string_view::npos) return RowSearch::Malformed;
    row = {begin, end + kRowEnd.size()};
    return RowSearch::Found;
}

bool hasRows(std::string_view page) {
    return page.size() > kBodyStart && page.find(kRowMarker, kBodyStart) != std::string_view::npos;
}

std::string anchor(const std::string& href) {
    return "<A HREF=\"" + href + "\" TARGET=\"_blank\">";
}

std::string sampleCell(std::string_view programFolder, const std::string& imagePath) {
    const std::string thumbnail = thumbnailPath(imagePath);
    return str(kSampleCell) + "\r\n      <IMG SRC=\"" + pageLink(programFolder, thumbnail) +
           (isTallThumbnail(thumbnail) ? "\" HEIGHT=\"80\"></TD>\r\n" : "\" WIDTH=\"80\"></TD>\r\n");
}

}  // namespace

std::string titlePieces(std::string_view title) {
    if (title.empty()) return "<BR>";
    std::string out;
    while (!title.empty()) {
        std::string_view piece = platform::truncateUtf8(title, kTitlePieceBytes);
        if (piece.empty()) piece = title.substr(0, 1);  // never stall on a byte that is no character
        if (!out.empty()) out += "<BR>";
        out += platform::htmlText(piece);
        title.remove_prefix(piece.size());
    }
    return out;
}

std::optional<std::string> libraryRow(const LibraryRowData& library, std::string_view programFolder) {
    const std::string date = rowDateText(library.key);
    if (date.empty()) return std::nullopt;
    const std::string link = anchor(pageLink(programFolder, rowTargetPath(library.linkTarget)));
    std::string row = rowMarker(library.key) + "\r\n";
    row += str(kCell) + "85\" ALIGN=\"CENTER\">" + link + date + str(kAnchorEnd);
    row += str(kCell) + "195\" ALIGN=\"CENTER\">" + link + titlePieces(library.title) + str(kAnchorEnd);
    row += str(kCell) + "75\" ALIGN=\"CENTER\"><FONT COLOR=\"#737373\">" +
           fill(app::text(app::kTextCopies), "%d", {std::to_string(library.imagePaths.size())}) +
           "</FONT></TD>\r\n";
    for (std::size_t i = 0; i < kSampleCells; ++i) {
        if (i < library.imagePaths.size())
            row += sampleCell(programFolder, library.imagePaths[i]);
        else
            row += str(kSampleCell) + "\r\n      <IMG SRC=\"../dummy.gif\" WIDTH=\"80\"></TD>\r\n";
    }
    row += "  </TR>\r\n  <TR>\r\n    <TD COLSPAN=\"7\"><BR></TD>\r\n  </TR>\r\n";
    return row;
}

std::optional<std::string> newMonthPage(std::string_view year, int monthIndex, std::string_view row) {
    const std::string_view mon = monthFileName(monthIndex);
    if (mon.empty() || !isFourDigitYear(year)) return std::nullopt;
    const std::string monthNumber = std::to_string(monthIndex + 1);  // no leading zero
    return commonHead() + "  <BASE TARGET=\"_blank\">\r\n" + "  <TITLE>" + str(mon) + "</TITLE>\r\n" +
           "</HEAD>\r\n" + "<BODY BGCOLOR=\"#FFFFFF\">\r\n<BR>\r\n" +
           "<TABLE WIDTH=\"775\" BORDER=\"0\" CELLSPACING=\"1\" ALIGN=\"CENTER\" " +
           "CELLPADDING=\"2\" STYLE=\"font-size:12pt\">\r\n" +
           "  <TR>\r\n    <TD COLSPAN=\"3\" BGCOLOR=\"#66FFCC\" ALIGN=\"CENTER\"><B>" +
           fill(app::text(app::kTextMonthListTitle), "%s", {year, monthNumber}) + "</B></TD>\r\n" +
           "    <TD COLSPAN=\"5\" BGCOLOR=\"#66FFCC\" ALIGN=\"CENTER\">\r\n" +
           "    <FONT STYLE=\"font-size:10pt\" COLOR=\"#737373\">" + str(app::text(app::kTextMonthListHint)) +
           "</FONT></TD>\r\n  </TR>\r\n" +
           "  <TR>\r\n    <TD WIDTH=\"85\" ALIGN=\"CENTER\">" + str(app::text(app::kTextDateHead)) +
           "</TD>\r\n    <TD WIDTH=\"195\" ALIGN=\"CENTER\">" + str(app::text(app::kTextTitleHead)) +
           "</TD>\r\n    <TD WIDTH=\"75\" ALIGN=\"CENTER\">\r\n" + "    <FONT COLOR=\"#737373\">" +
           str(app::text(app::kTextCopiesHead)) + "</FONT></TD>\r\n    <TD COLSPAN=\"5\" ALIGN=\"CENTER\">\r\n" +
           "    <FONT COLOR=\"#737373\">" + str(app::text(app::kTextSampleHead)) + "</FONT></TD>\r\n  </TR>\r\n" +
           str(row) + "</TABLE>\r\n</BODY>\r\n</HTML>\r\n";
}

PageEditResult insertRow(std::string& page, std::string_view key, std::string_view row, bool acceptAltered) {
    if (!acceptAltered && !stampIntact(page)) return PageEditResult::Altered;
    std::size_t at = std::string::npos;
    std::size_t from = std::min(kBodyStart, page.size());
    while (true) {
        const std::size_t marker = page.find(kRowMarker, from);
        if (marker == std::string::npos) break;
        const std::size_t keyBegin = marker + kRowMarker.size();
        const std::size_t keyEnd = page.find(kMarkerEnd, keyBegin);
        if (keyEnd == std::string::npos) return PageEditResult::Malformed;
        const int order = platform::compareNoCase(key, std::string_view(page).substr(keyBegin, keyEnd - keyBegin));
        if (order == 0) return PageEditResult::Duplicate;
        if (order < 0) {
            at = marker;
            break;
        }
        from = keyEnd;
    }
    if (at == std::string::npos) at = page.find(kTableEnd, std::min(kBodyStart, page.size()));
    if (at == std::string::npos) return PageEditResult::Malformed;
    page.insert(at, row);
    applyStamp(bytesOf(page));
    return PageEditResult::Edited;
}

PageEditResult removeRow(std::string& page, std::string_view key, bool acceptAltered) {
    if (!acceptAltered && !stampIntact(page)) return PageEditResult::Altered;
    RowSpan row;
    switch (findRow(page, key, row)) {
        case RowSearch::Missing: return PageEditResult::RowMissing;
        case RowSearch::Malformed: return PageEditResult::Malformed;
        case RowSearch::Found: break;
    }
    page.erase(row.begin, row.end - row.begin);
    applyStamp(bytesOf(page));
    return hasRows(page) ? PageEditResult::Edited : PageEditResult::PageEmptied;
}

PageEditResult retitleRow(std::string& page, std::string_view key, std::string_view title, bool acceptAltered) {
    if (!acceptAltered && !stampIntact(page)) return PageEditResult::Altered;
    RowSpan row;
    switch (findRow(page, key, row)) {
        case RowSearch::Missing: return PageEditResult::RowMissing;
        case RowSearch::Malformed: return PageEditResult::Malformed;
        case RowSearch::Found: break;
    }
    // The date anchor is the first "_blank\">" of the row, the title anchor the second.
    const std::string_view text(page.data(), row.end);
    const std::size_t dateAnchor = text.find(kTitleAnchor, row.begin);
    const std::size_t titleAnchor =
        dateAnchor == std::string_view::npos ? dateAnchor : text.find(kTitleAnchor, dateAnchor + kTitleAnchor.size());
    if (titleAnchor == std::string_view::npos) return PageEditResult::Malformed;
    const std::size_t titleBegin = titleAnchor + kTitleAnchor.size();
    const std::size_t titleEnd = text.find(kAnchorEnd, titleBegin);
    if (titleEnd == std::string_view::npos) return PageEditResult::Malformed;
    page.replace(titleBegin, titleEnd - titleBegin, titlePieces(title));
    applyStamp(bytesOf(page));
    return PageEditResult::Edited;
}

bool writeNewMonthPage(const std::string& path, std::string_view year, int monthIndex, std::string_view row) {
    std::optional<std::string> page = newMonthPage(year, monthIndex, row);
    if (!page || !applyStamp(bytesOf(*page))) return false;
    return writeSiteFile(path, *page);
}

}  // namespace lumbrel::web
