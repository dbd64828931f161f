#pragma once
// The scripts and pop-up pages of the script templates (0 and 2):
//   INDEX1.JS / INDEX2.JS  image list, viewer and movie windows, print and
//                          mail hand-over, slide-show launch (title menu)
//   APLAY.HTM              automatic slide show
//   NEXT.HTM               manual slide show
//   DISP.HTM               one picture enlarged to the window

#include <string>

#include "plugin/album_pages.h"

namespace lumbrel::plugin {

/// INDEX1.JS of a single-date library, or INDEX1.JS / INDEX2.JS of a
/// collection (options.collection), with the print and mail settings filled in.
std::string indexScript(const AlbumOptions& options);

std::string autoShowPage();
std::string manualShowPage();
std::string displayPage();

}  // namespace lumbrel::plugin
