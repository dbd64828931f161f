#pragma once
// Links and paths written into month-page rows. A month page lives in
// <program>/HTML/<year>/, so a file below the program folder is linked
// relatively through "../../"; any other file through a file URL.

#include <string>
#include <string_view>

namespace lumbrel::web {

/// The HREF/SRC value for path as written on a month page:
///   below programFolder: "../../" + the path after the program folder and its "/";
///   elsewhere:           "file:///" + the absolute path without its leading "/".
/// The program folder prefix is matched ignoring letter case, and only when a
/// "/" follows it. Paths here already use "/", so turning separators into "/"
/// changes nothing; there are no drive letters, so no drive colon exists to be
/// turned into "|", and a colon that is part of a file name is kept as it is
/// (replacing it would name a different file). The path is written with
/// urlPathText, so a name holding "#" or "&" still links to its file.
std::string pageLink(std::string_view programFolder, std::string_view path);

/// The file a row's date and title link to: a ".lnk" target resolved to the
/// file it points at; any other target, or a link that does not resolve, is
/// used as it is.
std::string rowTargetPath(const std::string& linkTarget);

/// The thumbnail of an image: image folder + "/PREVIEW/" + file name. A movie's
/// is the JPEG the loader writes there (the name with "JPG" for "AVI"), or that
/// name in any letter case that exists; when there is none, ".avi" becomes
/// ".jpg" for what follows. When that file is missing but the same path + ".lnk"
/// exists, the link's target. When neither, "/PREVIEW" inserted before the file
/// name of the image path (of its target when the image is a ".lnk" that
/// resolves).
std::string thumbnailPath(const std::string& imagePath);

/// True when the file at path is a JPEG taller than wide; an unreadable or
/// missing file counts as wide.
bool isTallThumbnail(const std::string& path);

}  // namespace lumbrel::web
