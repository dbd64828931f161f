#pragma once
// What every library maintenance command works with. The pointers may be
// null: no web site to keep up to date, no wait window.

#include <string>

#include "app/services.h"
#include "app/settings.h"
#include "camera/loader_prompt.h"
#include "library/album_doc.h"
#include "maintenance/maintenance_prompt.h"

namespace lumbrel::maintenance {

/// The passes over the program's web site that the commands run: the
/// SitePages passes plus the one that rewrites the titles of libraries.
class SiteMaintenance : public app::SitePages {
public:
    /// Writes the listed libraries' titles anew on their month pages.
    virtual bool retitlePass(const std::vector<std::string>& keys) = 0;
};

struct MaintenanceContext {
    app::Settings& settings;
    library::CKDCardAlbumDoc& doc;
    MaintenancePrompt& prompt;
    camera::Progress& progress;
    std::string programFolder;
    std::string indexPath;  ///< the library index file; its save-folder copy follows SaveFolder
    SiteMaintenance* site = nullptr;
    app::WaitWindow* wait = nullptr;
};

}  // namespace lumbrel::maintenance
