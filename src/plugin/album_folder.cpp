#include "plugin/album_folder.h"

#include <cstdio>

#include "platform/files.h"

namespace lumbrel::plugin {

bool prepareAlbumFolder(const std::string& path) {
    if (path.empty()) return false;
    if (platform::isDirectory(path)) return true;
    if (platform::exists(path)) {
        bool movedAside = false;
        for (int number = 0; number <= 999 && !movedAside; ++number) {
            char suffix[8];
            std::snprintf(suffix, sizeof suffix, ".%03d", number);
            const std::string aside = path + suffix;
            if (platform::exists(aside)) continue;
            if (!platform::moveFile(path, aside)) return false;
            movedAside = true;
        }
        if (!movedAside) return false;
    }
    return platform::makeDirectory(path);
}

}  // namespace lumbrel::plugin
