#pragma once
// The writer of the program's library web site: sets the site up, adds and
// removes libraries' rows on their month pages and their month links on the
// calendar, retitles rows, and writes the fixed pages. Every decision is taken
// from the files on disk and the document; nothing is kept between runs except
// the key that decides where library.htm points at the end of an add pass.

#include <string>
#include <string_view>
#include <vector>

#include "app/services.h"
#include "library/album_doc.h"
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

    bool setUpSite();
    bool anyLibrary();
    /// Checks the stamp of the page at path and, when it fails, asks whether to
    /// leave the page alone (Skip) or edit it anyway (EditAltered).
    PageAnswer confirmPage(const std::string& path);
    const library::CAlbumData* findByKey(std::string_view key) const;
    bool removeOne(const std::string& key);
    bool addOne(const std::string& key);
    bool retitleOne(const std::string& key);
    bool pointFrameSetAtRemembered();

    SiteFiles site_;
    library::CKDCardAlbumDoc& doc_;
    app::Prompt* prompt_;
    std::string remembered_;
    std::vector<std::string> failed_;
};

}  // namespace lumbrel::web
