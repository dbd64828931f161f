#pragma once
// Deleting whole libraries and single pictures from the disk and the index.
// What the user deletes goes to the desktop's trash, so that a mistake can be
// taken back there; only where no trash can be made on that file system is
// it deleted for good. A shortcut library loses its links, never the
// pictures they point to.

#include <cstddef>
#include <string>
#include <vector>

#include "maintenance/maintenance_context.h"
#include "maintenance/reachability.h"

namespace lumbrel::maintenance {

struct DeleteLibrariesResult {
    bool confirmed = false;            ///< false: Cancel in dialog 154; the marks were cleared
    std::vector<std::string> deleted;  ///< locations of the libraries deleted, in the order done
    std::size_t trashed = 0;           ///< of them, moved to the trash
    /// Folders (or files in them) that could not be removed; their records
    /// are gone all the same.
    std::vector<std::string> leftOnDisk;
    bool saved = false;
};

/// Deletes the selected libraries (list order) after confirmation 154: first
/// those of the first one's kind, then the others, asking about each.
DeleteLibrariesResult deleteLibraries(MaintenanceContext& context, const std::vector<std::string>& selected);

// ---- Marks and the deletion of marked pictures -----------------------------

/// Gives every record fresh marks, all 0: (largest image count + 1) each.
void resetMarks(library::CKDCardAlbumDoc& doc);
/// Flips the mark of preview entry index of the library at location; the
/// mark's new state (false when there is no such library or entry).
bool toggleMark(library::CKDCardAlbumDoc& doc, const std::string& location, std::size_t index);
bool isMarked(const library::CKDCardAlbumDoc& doc, const std::string& location, std::size_t index);

struct DeleteImagesRequest {
    std::vector<std::string> rows;  ///< every row's location, in list order
    std::string firstSelected;      ///< the first selected row's location
    std::size_t previewIndex = 0;   ///< the entry on display in it
};

struct DeleteImagesResult {
    bool confirmed = false;  ///< false: Cancel in dialog 262
    std::size_t deleted = 0;  ///< pictures deleted
    std::size_t trashed = 0;  ///< files moved to the trash
    std::vector<std::string> removedLibraries;  ///< libraries that lost their last picture
    std::size_t previewIndex = 0;  ///< the entry to show afterwards
    bool saved = false;
};

/// Deletes the marked pictures of the libraries in request.rows after
/// confirmation 262, rebuilding each library that lost any.
DeleteImagesResult deleteMarkedImages(MaintenanceContext& context, const DeleteImagesRequest& request);
DeleteImagesResult deleteMarkedImages(MaintenanceContext& context, const DeleteImagesRequest& request,
                                      const DriveRoots& roots);

}  // namespace lumbrel::maintenance
