#pragma once
// Pieces shared by every album page: the page head, text made safe for HTML,
// and the link to a file from a page.

#include <string>
#include <string_view>

#include "platform/html_text.h"

namespace lumbrel::plugin {

using platform::htmlText;

/// "<HTML>\r\n<HEAD>\r\n" and the generator and character-set META lines.
std::string pageStart();

/// pageStart() + the title line + each script's SCRIPT line + "</HEAD>\r\n".
std::string pageHead(std::string_view title, std::string_view script = {});

/// How a page reaches a file: relative ("../" + the path below the folder
/// above the page's HTML folder) or through a file URL ("file:///" + the
/// absolute path without its leading "/"). Both written with
/// platform::urlPathText, so any file name links to its file.
struct FileLink {
    std::string href;
    bool absolute = false;
};
FileLink fileLink(std::string_view pageBase, std::string_view path);
/// The file URL form alone.
std::string fileUrl(std::string_view path);

/// "1 image" / "2 images" style counts: singular only for 1.
std::string countText(std::size_t count, std::string_view singular, std::string_view separator = " ");

}  // namespace lumbrel::plugin
