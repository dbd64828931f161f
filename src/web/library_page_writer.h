#pragma once
// The writer of the program's library web site: sets the site up, adds and
// removes libraries' rows on their month pages and their month links on the
// calendar, retitles rows, and writes the fixed pages. Every decision is taken
// from the files on disk and the document; nothing is kept between runs except
// the key that decides where library.htm points at the end of an add pass.
// Within a pass the edits go row by row, in list order, on the pages held in
// memory; each page touched is written once when the pass ends.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/services.h"
#include "library/album_doc.h"
#include "web/page_set.h"
#include "web/site_files.h"

namespace lumbrel::web {

class LibraryPageWriter : public app::SitePages {
public:
    /// prompt answers the question about a page changed by someone else; null
    /// answers Yes (skip that library). The document's selections are used as
    /// scratch by the queries, so it is held non-const.
    LibraryPageWriter(std::string programFolder, library::CKDCardAlbumDoc& doc,
                      app::Prompt* prompt = nullptr);

    /// Sets the site up, then removes each listed library's row. A month page
    /// left without rows is deleted, with its calendar link; when no library is
    /// left at all, start.htm says so. True only when every key succeeded.
    bool removePass(const std::vector<std::string>& keys) override;
    /// Sets the site up, adds each listed library's row and its calendar link,
    /// then points library.htm at the month of the earliest added library.
    bool addPass(const std::vector<std::string>& keys) override;
    /// Replaces the title of each listed library's existing row (no set-up).
    bool retitle(const std::vector<std::string>& keys);
    /// Prepares HTML and points library.htm at start.htm.
    bool resetFrame();
    /// Prepares HTML and writes library.htm, start.htm and an empty calendar.
    bool writeNewSite() override;

    /// The keys that failed in the last call of an entry point, in list order.
    const std::vector<std::string>& failedKeys() const { return failed_; }
    /// The key library.htm was pointed at by the last add pass, or
    /// kNoRememberedKey.
    const std::string& rememberedKey() const { return remembered_; }

private:
    enum class PageAnswer { Edit, EditAltered, Skip };
    /// A month link the pass adds to or removes from the calendar, for the
    /// item at position `item` of the pass's key list.
    struct MonthLink {
        std::size_t item = 0;
        std::string year;
        int monthIndex = 0;
    };

    bool setUpSite();
    bool anyLibrary();
    /// Checks the stamp of a page held in memory and, when it fails, asks
    /// whether to leave the page alone (Skip) or edit it anyway (EditAltered).
    PageAnswer confirmPage(const std::string& path, const std::string& text);
    const library::CAlbumData* findByKey(std::string_view key) const;
    bool removeOne(const std::string& key, std::size_t item);
    bool addOne(const std::string& key, std::size_t item, const std::vector<const library::CPhotoData*>& images);
    bool retitleOne(const std::string& key, std::size_t item);
    /// Writes the pass's pages and marks the items whose page failed.
    void flushPages(std::vector<bool>& failed);
    /// Adds (or removes) the month links of the items not failed so far, with
    /// one read and one write of the calendar.
    void editCalendar(const std::vector<MonthLink>& links, bool add, std::vector<bool>& failed);
    /// Fills failed_ with the keys marked failed, in list order.
    bool collectFailures(const std::vector<std::string>& keys, const std::vector<bool>& failed);
    bool pointFrameSetAtRemembered();

    SiteFiles site_;
    library::CKDCardAlbumDoc& doc_;
    app::Prompt* prompt_;
    std::string remembered_;
    std::vector<std::string> failed_;
    PageSet pages_;          ///< the month pages of the pass under way
    std::vector<MonthLink> monthLinks_;  ///< the calendar edits of the pass under way
};

}  // namespace lumbrel::web
