#include "plugin/album_writer.h"

namespace lumbrel::plugin {

// Placeholder until the page writer lands: writes nothing and says so.
bool writeAlbum(const AlbumRequest&) { return false; }

}  // namespace lumbrel::plugin
