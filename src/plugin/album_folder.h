#pragma once
// Folders of the album pages made ready before the pages are written.

#include <string>

namespace lumbrel::plugin {

/// Makes path usable as a folder: creates it when missing, uses an existing
/// folder, and moves a file of that name aside to path + ".000" .. ".999" (the
/// first free name) first. False when all 1000 names are taken or a step fails.
bool prepareAlbumFolder(const std::string& path);

}  // namespace lumbrel::plugin
