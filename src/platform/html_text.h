#pragma once
// Text and paths written into the site's HTML. Titles and file names are the
// user's own and may hold characters that HTML or URLs give a meaning to; these
// helpers write such characters so that the page shows and links exactly the
// text and file meant. Text without those characters is returned unchanged.

#include <string>
#include <string_view>

namespace lumbrel::platform {

/// text for the body of an element: & < > " written as character references.
std::string htmlText(std::string_view text);

/// A file path for a URL inside an attribute value: % # ? " < > written as
/// percent escapes (each would otherwise end the path or change the file it
/// names) and & as "&amp;".
std::string urlPathText(std::string_view path);

}  // namespace lumbrel::platform
