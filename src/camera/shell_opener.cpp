#include "camera/shell_opener.h"

#include <cstdlib>
#include <string_view>

#include "platform/files.h"
#include "platform/process.h"

namespace lumbrel::camera {
namespace {

// The program started to open pages: a path as given, or a name looked up
// along PATH (the starter runs a path, it does not search).
std::string findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        if (!dir.empty()) {
            const std::string candidate = platform::joinPath(dir, name);
            if (platform::isFile(candidate)) return candidate;
        }
        if (colon == std::string_view::npos) break;
        dirs.remove_prefix(colon + 1);
    }
    return name;
}

}  // namespace

bool ShellOpener::open(const std::string& path) {
    const char* standIn = std::getenv("LUMBREL_OPENER");
    return platform::startDetached(findProgram(standIn && *standIn ? standIn : "xdg-open"), {path});
}

}  // namespace lumbrel::camera
