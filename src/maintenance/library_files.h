#pragma once
// What the maintenance commands share about a library on the disk and in the
// document: its key, the save of the index with its save-folder copy, the
// rescan of its folder into image records, and the removal of its folder.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings.h"
#include "library/album_doc.h"

namespace lumbrel::maintenance {

/// The library key: the last component of the location.
std::string libraryKey(std::string_view location);

/// The save-folder copy of the index for the current SaveFolder.
std::string indexCopyPath(const app::Settings& settings);
/// Saves doc to indexPath and its save-folder copy (each atomically).
bool saveIndex(library::CKDCardAlbumDoc& doc, const std::string& indexPath, const app::Settings& settings);

/// What the rescan of a library folder found.
struct Rescan {
    std::int32_t images = 0;
    std::uint64_t bytes = 0;  ///< the pictures, movies and links, and their previews
};

/// Records an image record in doc for every picture, movie and link of the
/// library folder (in the folder itself, or one level down for keys of the
/// subfolder form), dated by its embedded date or else its file time. A
/// picture or movie without a preview gets one.
Rescan rescanFolder(library::CKDCardAlbumDoc& doc, const std::string& folder);

/// Deletes every subfolder and file of folder, then folder. False when
/// anything is left.
bool deleteLibraryFolder(const std::string& folder);

/// The low 32 bits of a size, as the index stores it.
std::int32_t low32(std::uint64_t value);

}  // namespace lumbrel::maintenance
