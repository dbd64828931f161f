#include "plugin/album_writer.h"

#include <algorithm>
#include <optional>

#include "platform/files.h"
#include "platform/prepare_folder.h"
#include "plugin/album_icons.h"
#include "plugin/album_items.h"
#include "plugin/album_pages.h"
#include "plugin/album_scripts.h"
#include "plugin/locale_date.h"

namespace lumbrel::plugin {
namespace {

using platform::joinPath;

// The host's texts for "no mail program chosen".
constexpr std::string_view kNoMailer = "Email software is not assigned";
constexpr std::string_view kNoMailerOld = "Mailing software is not assigned.";

std::size_t movieCount(const std::vector<AlbumItem>& items) {
    return static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [](const AlbumItem& i) { return i.movie; }));
}

/// One run: the request, its settings and the folders it writes into.
class AlbumRun {
public:
    AlbumRun(const AlbumRequest& request, const AlbumOptions& options)
        : request_(request), options_(options), html_(joinPath(request.libraryPath, "HTML")) {}

    bool writeSingleDate(std::string_view folderName, const LibraryDate& date);
    bool writeCollection();

private:
    bool write(const std::string& path, std::string_view text) const {
        return platform::writeFileAtomic(path, text);
    }
    bool writeHtml(std::string_view name, std::string_view text) const { return write(joinPath(html_, name), text); }
    bool writeScriptsAndIcons() const;

    const AlbumRequest& request_;
    const AlbumOptions& options_;
    const std::string html_;  // L/HTML
};

bool AlbumRun::writeSingleDate(std::string_view folderName, const LibraryDate& date) {
    const std::vector<AlbumItem> items = collectItems(request_.libraryPath, {}, request_.imagePaths);
    const std::size_t movies = movieCount(items);
    // A name of date length that is not a date is shown as it is.
    std::string shortText = shortDate(date.year, date.month, date.day);
    std::string longText = longDate(date.year, date.month, date.day);
    if (shortText.empty() || longText.empty()) shortText = longText = std::string(folderName);

    if (!writeHtml("MENU1.HTM", titleMenuPage(options_)) ||
        !writeHtml("MENU2.HTM", folderMenuHead(options_) + folderMenuBlock(options_, shortText, items.size() - movies, {}) +
                                    folderMenuTail()) ||
        !writeHtml("MENU3.HTM", dateMenuPage(options_, items.size() - movies, movies)))
        return false;
    const BodySection section{longText, &items, request_.libraryPath, 0};
    const std::string head = bodyPageHead(options_, PageLevel::SingleDate);
    for (const BodyPage page : {BodyPage::Thumbnails, BodyPage::Data}) {
        if (!writeHtml(page == BodyPage::Thumbnails ? "INDEX.HTM" : "DATA.HTM",
                       head + bodySection(options_, page, PageLevel::SingleDate, section) + bodyPageTail(options_)))
            return false;
    }
    return write(joinPath(request_.libraryPath, "INDEX.HTM"), frameSetPage(options_, {})) && writeScriptsAndIcons();
}

bool AlbumRun::writeCollection() {
    const AlbumGroups found = collectGroups(request_.libraryPath, request_.imagePaths);
    if (!writeHtml("MENU1.HTM", titleMenuPage(options_))) return false;

    std::string folderMenu = folderMenuHead(options_);
    const std::string libraryHead = bodyPageHead(options_, PageLevel::Collection);
    std::string libraryIndex = libraryHead;
    std::string libraryData = libraryHead;
    const std::string groupHead = bodyPageHead(options_, PageLevel::Group);
    std::size_t stills = 0;
    std::size_t movies = 0;
    std::size_t firstNumber = 0;  // item numbers run on through the library-level pages

    for (const AlbumGroup& group : found.groups) {
        const std::string groupPath = joinPath(request_.libraryPath, group.folder);
        const std::string groupHtml = joinPath(groupPath, "HTML");
        if (!platform::prepareFolder(groupHtml)) return false;
        const std::vector<AlbumItem> items = collectItems(request_.libraryPath, group.folder, request_.imagePaths);
        const std::size_t groupMovies = movieCount(items);
        stills += items.size() - groupMovies;
        movies += groupMovies;
        folderMenu += folderMenuBlock(options_, group.name, items.size() - groupMovies, group.folder);

        const BodySection inGroup{group.name, &items, groupPath, 0};
        const BodySection inLibrary{group.name, &items, request_.libraryPath, firstNumber};
        firstNumber += items.size();
        const std::string tail = bodyPageTail(options_);
        if (!write(joinPath(groupHtml, "INDEX.HTM"),
                   groupHead + bodySection(options_, BodyPage::Thumbnails, PageLevel::Group, inGroup) + tail))
            return false;
        libraryIndex += bodySection(options_, BodyPage::Thumbnails, PageLevel::Collection, inLibrary);
        if (!write(joinPath(groupHtml, "DATA.HTM"),
                   groupHead + bodySection(options_, BodyPage::Data, PageLevel::Group, inGroup) + tail))
            return false;
        libraryData += bodySection(options_, BodyPage::Data, PageLevel::Collection, inLibrary);
    }

    const std::string startFolder = found.groups.empty() ? std::string() : found.groups[found.start].folder;
    return writeHtml("MENU2.HTM", folderMenu + folderMenuTail()) &&
           writeHtml("MENU3.HTM", dateMenuPage(options_, stills, movies)) &&
           writeHtml("INDEX.HTM", libraryIndex + bodyPageTail(options_)) &&
           writeHtml("DATA.HTM", libraryData + bodyPageTail(options_)) &&
           write(joinPath(request_.libraryPath, "INDEX.HTM"), frameSetPage(options_, startFolder)) &&
           writeScriptsAndIcons();
}

bool AlbumRun::writeScriptsAndIcons() const {
    if (options_.scripts()) {
        const std::string script = indexScript(options_);
        if (!writeHtml("APLAY.HTM", autoShowPage()) || !writeHtml("NEXT.HTM", manualShowPage()) ||
            !writeHtml("DISP.HTM", displayPage()) || !writeHtml("INDEX1.JS", script) ||
            (options_.collection && !writeHtml("INDEX2.JS", script)))
            return false;
    }
    const std::string icons = joinPath(html_, "ICON");
    if (!platform::prepareFolder(icons)) return false;
    for (const std::string_view name : kAlbumIconNames) {
        if (!platform::writeFileAtomic(joinPath(icons, std::string(name) + ".GIF"),
                                       albumIcon(name, options_.colours.blackIcons)))
            return false;
    }
    return true;
}

}  // namespace

bool writeAlbum(const AlbumRequest& request) {
    const std::optional<AlbumColours> colours = albumColours(request.patternIndex);
    if (!colours || request.templateIndex < 0 || request.templateIndex > 3) return false;
    std::string_view library = request.libraryPath;
    const std::string_view folderName = platform::lastComponent(library);
    const std::optional<LibraryDate> date = singleDateOf(folderName);

    AlbumOptions options;
    options.templateIndex = request.templateIndex;
    options.colours = *colours;
    options.printButton = request.printButton == 0;
    options.mailConfigured = request.mailName != kNoMailer && request.mailName != kNoMailerOld;
    options.mailSize = std::to_string(request.mailSizeCode);
    options.mailName = request.mailName;
    options.collection = !date;

    if (!platform::prepareFolder(joinPath(library, "HTML"))) return false;
    AlbumRun run(request, options);
    return date ? run.writeSingleDate(folderName, *date) : run.writeCollection();
}

}  // namespace lumbrel::plugin
