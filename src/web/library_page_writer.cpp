#include "web/library_page_writer.h"


#include <algorithm>
#include <ctime>
#include <exception>
#include <optional>
#include <utility>

#include "library/library_key.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "web/calendar.h"
#include "web/library_key_form.h"
#include "web/month_page.h"
#include "web/page_stamp.h"
#include "web/page_texts.h"

namespace lumbrel::web {

namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2037;

int currentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!::localtime_r(&now, &local)) return kLastYear;
    return local.tm_year + 1900;
}

// String 142 with its "%s" replaced by the page's path.
std::string alteredPageText(const std::string& path) {
    std::string text(pageText(kTextPageAltered));
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, path);
    return text;
}

bool calendarOk(CalendarStatus status) {
    return status == CalendarStatus::Edited || status == CalendarStatus::Unchanged;
}

// Runs one entry point; an exception (memory shortage) counts as a failure.
template <typename F>
bool guarded(F&& body) {
    try {
        return body();
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

LibraryPageWriter::LibraryPageWriter(std::string programFolder, library::CKDCardAlbumDoc& doc,
                                     app::Prompt* prompt)
    : site_(std::move(programFolder)), doc_(doc), prompt_(prompt), remembered_(kNoRememberedKey) {}

bool LibraryPageWriter::anyLibrary() {
    // Whether the month query would find a library in any month from 1980 to
    // this year, answered in one pass over the libraries instead of one query
    // per month: a library counts when its key's month is such a "YYYYMM".
    const int last = std::min(currentYear(), kLastYear);
    auto number = [](std::string_view digits) {
        int n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return -1;
            n = n * 10 + (c - '0');
        }
        return n;
    };
    for (const auto& album : doc_.albums()) {
        const std::string month = library::keyMonth(album->key());
        if (month.size() != 6) continue;
        const int year = number(std::string_view(month).substr(0, 4));
        const int m = number(std::string_view(month).substr(4));
        if (year >= kFirstYear && year <= last && m >= 1 && m <= 12) return true;
    }
    return false;
}

bool LibraryPageWriter::setUpSite() {
    if (!site_.prepareHtmlFolder()) return false;
    bool ok = site_.writeFrameSet(std::nullopt);
    ok = site_.writeStartPage(anyLibrary()) && ok;
    ok = site_.writeEmptyCalendarIfMissing() && ok;
    ok = site_.writePlaceholder() && ok;
    return ok;
}

LibraryPageWriter::PageAnswer LibraryPageWriter::confirmPage(const std::string& path) {
    if (checkFileStamp(path) != StampCheck::Altered) return PageAnswer::Edit;
    const bool quit = prompt_ ? prompt_->askYesNo(kTextPageAltered, alteredPageText(path)) : true;
    return quit ? PageAnswer::Skip : PageAnswer::EditAltered;
}

const library::CAlbumData* LibraryPageWriter::findByKey(std::string_view key) const {
    for (const auto& album : doc_.albums())
        if (platform::equalNoCase(album->key(), key)) return album.get();
    return nullptr;
}

bool LibraryPageWriter::removeOne(const std::string& key) {
    const auto parts = parseLibraryKey(key);
    if (!parts || !site_.prepareYearFolder(parts->year)) return false;
    const std::string page = site_.monthPagePath(parts->year, parts->monthIndex);
    if (!platform::exists(page)) return false;
    const PageAnswer answer = confirmPage(page);
    if (answer == PageAnswer::Skip) return false;
    const PageEditResult result = editMonthPageFile(page, {MonthPageEdit::Kind::Remove, key, {}},
                                                    answer == PageAnswer::EditAltered);
    if (result == PageEditResult::Edited) return true;
    if (result != PageEditResult::PageEmptied) return false;

    // The month has no library left: its calendar link goes, and the start page
    // says so when it was the last library of all.
    const PageAnswer calendar = confirmPage(site_.calendarPath());
    if (calendar == PageAnswer::Skip) return false;
    const CalendarStatus status =
        removeCalendarMonthFromFile(site_, parts->year, parts->monthIndex,
                                    calendar == PageAnswer::EditAltered ? StampRule::Ignore : StampRule::Require);
    bool ok = status == CalendarStatus::Edited;
    if (!anyLibrary()) ok = site_.writeStartPage(false) && ok;
    return ok;
}

bool LibraryPageWriter::addOne(const std::string& key) {
    const auto parts = parseLibraryKey(key);
    if (!parts || !site_.prepareYearFolder(parts->year)) return false;
    const library::CAlbumData* album = findByKey(key);
    if (!album || doc_.selectImages(key) == 0) return false;

    LibraryRowData data;
    data.key = key;
    // The row links to the library's own page; a record without one links to its folder.
    data.linkTarget = album->indexPagePath.empty() ? album->folderPath : album->indexPagePath;
    data.title = album->title;
    for (const library::CPhotoData* image : doc_.imageSelection())
        data.imagePaths.emplace_back(image->imagePath());
    const auto row = libraryRow(data, site_.programFolder());
    if (!row) return false;

    const std::string page = site_.monthPagePath(parts->year, parts->monthIndex);
    if (!platform::exists(page)) {
        if (!writeNewMonthPage(page, parts->year, parts->monthIndex, *row)) return false;
    } else {
        const PageAnswer answer = confirmPage(page);
        if (answer == PageAnswer::Skip) return false;
        if (editMonthPageFile(page, {MonthPageEdit::Kind::Insert, key, *row},
                              answer == PageAnswer::EditAltered) != PageEditResult::Edited)
            return false;
    }

    if (replacesRememberedKey(key, remembered_)) remembered_ = keyWithCentury(key);

    const PageAnswer calendar = confirmPage(site_.calendarPath());
    if (calendar == PageAnswer::Skip) return false;
    return calendarOk(addCalendarMonthToFile(
        site_, parts->year, parts->monthIndex,
        calendar == PageAnswer::EditAltered ? StampRule::Ignore : StampRule::Require));
}

bool LibraryPageWriter::retitleOne(const std::string& key) {
    const auto parts = parseLibraryKey(key);
    if (!parts || !site_.prepareYearFolder(parts->year)) return false;
    const library::CAlbumData* album = findByKey(key);
    if (!album) return false;
    const std::string page = site_.monthPagePath(parts->year, parts->monthIndex);
    const PageAnswer answer = confirmPage(page);
    if (answer == PageAnswer::Skip) return false;
    return editMonthPageFile(page, {MonthPageEdit::Kind::Retitle, key, album->title},
                             answer == PageAnswer::EditAltered) == PageEditResult::Edited;
}

bool LibraryPageWriter::pointFrameSetAtRemembered() {
    const auto parts = parseLibraryKey(remembered_);
    if (!parts) return false;
    return site_.writeFrameSet(MonthFrame{parts->year, parts->monthIndex});
}

bool LibraryPageWriter::removePass(const std::vector<std::string>& keys) {
    failed_.clear();
    return guarded([&] {
        if (!setUpSite()) {
            failed_ = keys;
            return false;
        }
        for (const std::string& key : keys)
            if (!guarded([&] { return removeOne(key); })) failed_.push_back(key);
        return failed_.empty();
    });
}

bool LibraryPageWriter::addPass(const std::vector<std::string>& keys) {
    failed_.clear();
    remembered_ = std::string(kNoRememberedKey);
    return guarded([&] {
        if (!setUpSite()) {
            failed_ = keys;
            return false;
        }
        for (const std::string& key : keys)
            if (!guarded([&] { return addOne(key); })) failed_.push_back(key);
        bool ok = failed_.empty();
        if (remembered_ != kNoRememberedKey) ok = pointFrameSetAtRemembered() && ok;
        return ok;
    });
}

bool LibraryPageWriter::retitle(const std::vector<std::string>& keys) {
    failed_.clear();
    return guarded([&] {
        for (const std::string& key : keys)
            if (!guarded([&] { return retitleOne(key); })) failed_.push_back(key);
        return failed_.empty();
    });
}

bool LibraryPageWriter::resetFrame() {
    failed_.clear();
    return guarded([&] { return site_.resetFrame(); });
}

bool LibraryPageWriter::writeNewSite() {
    failed_.clear();
    return guarded([&] { return site_.newSite(); });
}

}  // namespace lumbrel::web
