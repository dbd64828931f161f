#include "platform/prepare_folder.h"

#include <cstdio>

#include "platform/files.h"

namespace lumbrel::platform {

bool prepareFolder(const std::string& path) {
    if (path.empty()) return false;
    if (isDirectory(path)) return true;
    if (exists(path)) {
        bool movedAside = false;
        for (int number = 0; number <= 999 && !movedAside; ++number) {
            char suffix[8];
            std::snprintf(suffix, sizeof suffix, ".%03d", number);
            const std::string aside = path + suffix;
            if (exists(aside)) continue;
            if (!moveFile(path, aside)) return false;
            movedAside = true;
        }
        if (!movedAside) return false;
    }
    return makeDirectory(path);
}

}  // namespace lumbrel::platform
