#pragma once
// The album pages of one library: frameset, menus, thumbnail and data pages,
// scripts, pop-up pages and icons, written anew into the library's folder.

#include <string>
#include <vector>

namespace lumbrel::plugin {

struct AlbumRequest {
    std::string libraryPath;              ///< library folder, no trailing '/'
    std::vector<std::string> imagePaths;  ///< the library's images in library order
    int templateIndex = 0;                ///< 0-3
    int patternIndex = 7;                 ///< 0-16
    int printButton = 0;                  ///< 0 = offer the print button
    int mailSizeCode = 0;                 ///< 0 = 640 x 480, 1 = 320 x 240
    std::string mailName;                 ///< chosen mail program's display name
};

/// Writes every page of the album; false on the first failure (pages already
/// written stay) or when the pattern index is out of range.
bool writeAlbum(const AlbumRequest& request);

}  // namespace lumbrel::plugin
