#pragma once
// What lies in a library folder: the preview pictures, the album page files,
// and the deletion of its files and subfolders.

#include <cstdint>
#include <string>
#include <vector>

namespace lumbrel::library {

inline constexpr std::string_view kPreviewFolder = "PREVIEW";
inline constexpr std::string_view kIndexPageName = "INDEX.HTM";

/// The preview pictures of library folder F, ordered by path ignoring case.
/// Images lie in F itself, or one level down in its subfolders (all but "HTML")
/// for keys of the subfolder form. Each image, movie (".AVI", whose preview ends
/// in "JPG") or link (".LNK", falling back from "x.JPG.LNK" to the preview
/// "x.JPG") whose preview exists adds the preview's path.
std::vector<std::string> previewList(const std::string& folder);

/// The album page files (".HTM", ".GIF", ".JS") in the subfolders of folder, at
/// any depth, depth first; files lying directly in folder are not looked at.
/// Adds the low 32 bits of each file's size to *bytes when bytes is given.
std::vector<std::string> pageFiles(const std::string& folder, std::int32_t* bytes = nullptr);

/// Deletes every file lying directly in folder, read-only ones included.
/// Stops at the first file that cannot be deleted and returns false.
bool deleteFiles(const std::string& folder);

/// Deletes every subfolder of folder with all it holds; folder and its own files
/// stay. Stops at the first failure and returns false. Links to folders are
/// deleted as links, never followed.
bool deleteSubfolders(const std::string& folder);

}  // namespace lumbrel::library
