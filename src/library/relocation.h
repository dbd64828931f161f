#pragma once
// Adapting the stored paths of the index when the library root has moved: the
// old root is found in each path by the root folder's name ("ImageLib", or
// "Image Library") and replaced by the current root.

#include <string>
#include <string_view>
#include <vector>

#include "library/album_doc.h"

namespace lumbrel::library {

/// Replaces the old library root by newRoot in every folder, index page and
/// image path, and fills keys with the library keys in list order. Fails, and
/// stops, at the first path that runs through neither an "ImageLib" nor an
/// "Image Library" folder; the records changed before it keep their new paths.
bool relocateIndex(CKDCardAlbumDoc& doc, std::string_view newRoot, std::vector<std::string>& keys);

/// Every occurrence of from in text replaced by to, scanning left to right.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace lumbrel::library
