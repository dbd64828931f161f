#pragma once
// Which links are acted on. A page of any web site can load a lumbrel-mail:
// or lumbrel-print: link, so a link is taken only when it names a picture or
// movie of the user's own image library:
//   - ImagePath is a library folder of the index or a folder below one, after
//     every symbolic link is resolved;
//   - ImageFile (required for mail) is a JPEG or AVI file (by its name and its
//     first bytes) inside ImagePath, after every symbolic link is resolved;
//   - neither has a ".." component or a control character, ImagePath is
//     absolute, ImageFile is relative and does not start with "-".

#include <optional>
#include <string>
#include <vector>

#include "openurl/control_url.h"

namespace lumbrel::openurl {

/// The checked link's picture.
struct CheckedTarget {
    std::string imagePath;  ///< canonical
    std::string imageFile;  ///< as the link gives it; empty for none
};

/// Canonical forms of the library folders that exist.
std::vector<std::string> canonicalFolders(const std::vector<std::string>& libraryFolders);

/// Applies the rules to link against the canonical library folders; nullopt
/// with the reason in why when it is refused.
std::optional<CheckedTarget> checkTarget(const ControlUrl& link, const std::vector<std::string>& libraryFolders,
                                         std::string& why);

}  // namespace lumbrel::openurl
