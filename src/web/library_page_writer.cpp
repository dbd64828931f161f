#include "web/library_page_writer.h"


#include <algorithm>
#include <cstdint>
#include <span>
#include <ctime>
#include <exception>
#include <optional>
#include <utility>

#include "library/library_key.h"
#include "app/strings.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "web/calendar.h"
#include "web/library_key_form.h"
#include "web/month_page.h"
#include "web/page_stamp.h"

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
    std::string text(app::text(app::kTextPageAltered));
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, path);
    return text;
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

LibraryPageWriter::PageAnswer LibraryPageWriter::confirmPage(const std::string& path, const std::string& text) {
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    // A page too short to hold a stamp is not asked about: its edit fails anyway.
    if (!computeStamp(bytes) || isStampIntact(bytes)) return PageAnswer::Edit;
    const bool quit = prompt_ ? prompt_->askYesNo(app::kTextPageAltered, alteredPageText(path)) : true;
    return quit ? PageAnswer::Skip : PageAnswer::EditAltered;
}

const library::CAlbumData* LibraryPageWriter::findByKey(std::string_view key) const {
    for (const auto& album : doc_.albums())
        if (platform::equalNoCase(album->key(), key)) return album.get();
    return nullptr;
}

bool LibraryPageWriter::removeOne(const std::string& key, std::size_t item) {
    const auto parts = parseLibraryKey(key);
    if (!parts || !site_.prepareYearFolder(parts->year)) return false;
    const std::string path = site_.monthPagePath(parts->year, parts->monthIndex);
    PageSet::Page& page = pages_.page(path);
    if (!page.present || !page.readable) return false;
    const PageAnswer answer = confirmPage(path, page.text);
    if (answer == PageAnswer::Skip) return false;
    const PageEditResult result = removeRow(page.text, key, answer == PageAnswer::EditAltered);
    if (result != PageEditResult::Edited && result != PageEditResult::PageEmptied) return false;
    page.changed = true;
    page.owners.push_back(item);
    // A month left without libraries loses its page and its calendar link.
    if (result == PageEditResult::PageEmptied) {
        page.present = false;
        monthLinks_.push_back({item, parts->year, parts->monthIndex});
    }
    return true;
}

bool LibraryPageWriter::addOne(const std::string& key, std::size_t item,
                               const std::vector<const library::CPhotoData*>& images) {
    const auto parts = parseLibraryKey(key);
    if (!parts || !site_.prepareYearFolder(parts->year)) return false;
    const library::CAlbumData* album = findByKey(key);
    if (!album || images.empty()) return false;

    LibraryRowData data;
    data.key = key;
    // The row links to the library's own page; a record without one links to its folder.
    data.linkTarget = album->indexPagePath.empty() ? album->folderPath : album->indexPagePath;
    data.title = album->title;
    for (const library::CPhotoData* image : images) data.imagePaths.emplace_back(image->imagePath());
    const auto row = libraryRow(data, site_.programFolder());
    if (!row) return false;

    const std::string path = site_.monthPagePath(parts->year, parts->monthIndex);
    PageSet::Page& page = pages_.page(path);
    if (!page.present) {
        std::optional<std::string> text = newMonthPage(parts->year, parts->monthIndex, *row);
        if (!text || !applyStamp(std::span(reinterpret_cast<std::uint8_t*>(text->data()), text->size())))
            return false;
        page.text = std::move(*text);
        page.present = true;
    } else {
        if (!page.readable) return false;
        const PageAnswer answer = confirmPage(path, page.text);
        if (answer == PageAnswer::Skip) return false;
        if (insertRow(page.text, key, *row, answer == PageAnswer::EditAltered) != PageEditResult::Edited)
            return false;
    }
    page.changed = true;
    page.owners.push_back(item);
    monthLinks_.push_back({item, parts->year, parts->monthIndex});
    return true;
}

bool LibraryPageWriter::retitleOne(const std::string& key, std::size_t item) {
    const auto parts = parseLibraryKey(key);
    if (!parts || !site_.prepareYearFolder(parts->year)) return false;
    const library::CAlbumData* album = findByKey(key);
    if (!album) return false;
    const std::string path = site_.monthPagePath(parts->year, parts->monthIndex);
    PageSet::Page& page = pages_.page(path);
    if (!page.present || !page.readable) return false;
    const PageAnswer answer = confirmPage(path, page.text);
    if (answer == PageAnswer::Skip) return false;
    if (retitleRow(page.text, key, album->title, answer == PageAnswer::EditAltered) != PageEditResult::Edited)
        return false;
    page.changed = true;
    page.owners.push_back(item);
    return true;
}

void LibraryPageWriter::flushPages(std::vector<bool>& failed) {
    for (std::size_t item : pages_.flush()) failed[item] = true;
}

void LibraryPageWriter::editCalendar(const std::vector<MonthLink>& links, bool add, std::vector<bool>& failed) {
    std::vector<const MonthLink*> due;
    for (const MonthLink& link : links)
        if (!failed[link.item]) due.push_back(&link);
    if (due.empty()) return;
    auto failAll = [&] {
        for (const MonthLink* link : due) failed[link->item] = true;
    };
    const std::string path = site_.calendarPath();
    const auto bytes = platform::readFile(path);
    if (!bytes || bytes->empty()) return failAll();
    std::string text(bytes->begin(), bytes->end());
    const PageAnswer answer = confirmPage(path, text);
    if (answer == PageAnswer::Skip) return failAll();
    const StampRule rule = answer == PageAnswer::EditAltered ? StampRule::Ignore : StampRule::Require;
    bool changed = false;
    for (const MonthLink* link : due) {
        CalendarEdit edit = add ? addCalendarMonth(text, link->year, link->monthIndex, rule)
                                : removeCalendarMonth(text, link->year, link->monthIndex, rule);
        if (edit.status == CalendarStatus::Edited) {
            text = std::move(edit.page);
            changed = true;
        } else if (edit.status != CalendarStatus::Unchanged) {
            failed[link->item] = true;
        }
    }
    if (changed && !writeSiteFile(path, text)) failAll();
}

bool LibraryPageWriter::collectFailures(const std::vector<std::string>& keys, const std::vector<bool>& failed) {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (failed[i]) failed_.push_back(keys[i]);
    return failed_.empty();
}

bool LibraryPageWriter::pointFrameSetAtRemembered() {
    const auto parts = parseLibraryKey(remembered_);
    if (!parts) return false;
    return site_.writeFrameSet(MonthFrame{parts->year, parts->monthIndex});
}

bool LibraryPageWriter::removePass(const std::vector<std::string>& keys) {
    failed_.clear();
    pages_ = PageSet{};
    monthLinks_.clear();
    return guarded([&] {
        if (!setUpSite()) {
            failed_ = keys;
            return false;
        }
        std::vector<bool> failed(keys.size(), false);
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (!guarded([&] { return removeOne(keys[i], i); })) failed[i] = true;
        flushPages(failed);
        editCalendar(monthLinks_, false, failed);
        // When the last library of all is gone, the start page says so.
        const bool monthEmptied =
            std::any_of(monthLinks_.begin(), monthLinks_.end(), [&](const MonthLink& l) { return !failed[l.item]; });
        if (monthEmptied && !anyLibrary() && !site_.writeStartPage(false))
            for (const MonthLink& link : monthLinks_) failed[link.item] = true;
        return collectFailures(keys, failed);
    });
}

bool LibraryPageWriter::addPass(const std::vector<std::string>& keys) {
    failed_.clear();
    pages_ = PageSet{};
    monthLinks_.clear();
    remembered_ = std::string(kNoRememberedKey);
    return guarded([&] {
        if (!setUpSite()) {
            failed_ = keys;
            return false;
        }
        const auto images = doc_.imagesOfKeys(keys);
        std::vector<bool> failed(keys.size(), false);
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (!guarded([&] { return addOne(keys[i], i, images[i]); })) failed[i] = true;
        flushPages(failed);
        // library.htm goes to the earliest library whose row was written.
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (!failed[i] && replacesRememberedKey(keys[i], remembered_)) remembered_ = keyWithCentury(keys[i]);
        editCalendar(monthLinks_, true, failed);
        bool ok = collectFailures(keys, failed);
        if (remembered_ != kNoRememberedKey) ok = pointFrameSetAtRemembered() && ok;
        return ok;
    });
}

bool LibraryPageWriter::retitle(const std::vector<std::string>& keys) {
    failed_.clear();
    pages_ = PageSet{};
    return guarded([&] {
        std::vector<bool> failed(keys.size(), false);
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (!guarded([&] { return retitleOne(keys[i], i); })) failed[i] = true;
        flushPages(failed);
        return collectFailures(keys, failed);
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
