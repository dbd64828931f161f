#include "app/relocate_refresh.h"

#include "app/strings.h"
#include "library/index_file.h"
#include "library/relocation.h"

namespace lumbrel::app {

bool relocateAndRefresh(library::CKDCardAlbumDoc& doc, const std::string& newRoot,
                        const std::string& indexPath, const std::string& saveCopyPath, bool save, SitePages* site,
                        WaitWindow* wait) {
    if (wait) wait->show(text(kStrRebuilding), text(kStrLibraryRebuilt), text(kStrPleaseWait));
    std::vector<std::string> keys;
    bool ok = library::relocateIndex(doc, newRoot, keys);
    if (ok) {
        if (save) ok = library::saveIndexWithCopy(doc, indexPath, saveCopyPath);
        if (site) {
            site->removePass(keys);
            site->addPass(keys);
        }
    }
    if (wait) wait->close();
    return ok;
}

}  // namespace lumbrel::app
