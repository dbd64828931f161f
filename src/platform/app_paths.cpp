#include "platform/app_paths.h"

#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/profile.h"

namespace lumbrel::platform {

std::optional<std::string> appPath(std::string_view programFile) {
    std::vector<std::string> files;
    if (const char* file = std::getenv("LUMBREL_APPPATHS"); file && *file) {
        files.emplace_back(file);
    } else {
        files.emplace_back("/etc/xdg/Orrin/AppPaths.conf");
        files.push_back(joinPath(joinPath(configHome(), "Orrin"), "AppPaths.conf"));
    }
    for (const std::string& file : files) {
        const std::string path = Profile(file).readText(programFile, "Path", "");
        if (!path.empty()) return path;
    }
    return std::nullopt;
}

}  // namespace lumbrel::platform
