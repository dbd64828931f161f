#pragma once

#include <string>

#include "app/services.h"
#include "library/album_doc.h"

namespace lumbrel::app {

/// Relocates the index to newRoot behind the wait window; on success saves it
/// to indexPath and its save-folder copy saveCopyPath when asked (see
/// library::writeIndexBytes) and refreshes the site pages of every library (the
/// remove pass, then the add pass). Returns whether the relocation succeeded
/// (and, when asked, the save). site and wait may be null.
bool relocateAndRefresh(library::CKDCardAlbumDoc& doc, const std::string& newRoot,
                        const std::string& indexPath, const std::string& saveCopyPath, bool save, SitePages* site,
                        WaitWindow* wait);

}  // namespace lumbrel::app
