#pragma once
// Which files of a camera folder are loaded. A folder named "DCIM" is a DCF
// source: only its subfolders whose names begin with "100" to "999" are read,
// and in them only files numbered "0001" to "9999" in characters 5 to 8 of
// their names. Any other source (a folder marked by KDCAM.KDS) is read in every
// subfolder. Either way only files ending in "JPG" or "AVI" (any case) are
// taken, and never the files lying directly in the source itself.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::camera {

/// True when the folder's last component is "DCIM" in any letter case.
bool isDcimSource(std::string_view folder);
/// True when the first three characters lie between "100" and "999".
bool isDcfFolderName(std::string_view name);
/// True when the last three characters are "JPG" or "AVI" in any case.
bool hasImageExtension(std::string_view name);
/// hasImageExtension, and characters 5 to 8 lie between "0001" and "9999".
bool isDcfFileName(std::string_view name);
/// The name a file gets in the library: its extension in upper case.
std::string destinationName(std::string_view name);

/// One subfolder of a source and the files to load from it (full paths).
struct SourceSubfolder {
    std::string path;
    std::vector<std::string> files;
};

/// The subfolders of a camera source to read and their loadable files, by
/// name. In folder mode a subfolder named "HTML" (the camera's own pages) is
/// left out. Subfolders that cannot be read are added to unreadable when given.
std::vector<SourceSubfolder> loadableSubfolders(const std::string& source, bool folderMode,
                                                std::vector<std::string>* unreadable = nullptr);
/// The image files lying directly in folder (any name ending JPG or AVI), by name.
std::vector<std::string> imageFilesIn(const std::string& folder);
/// The number of loadable files of the camera sources.
std::size_t countLoadable(const std::vector<std::string>& sources, bool folderMode);

}  // namespace lumbrel::camera
