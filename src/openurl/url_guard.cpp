#include "openurl/url_guard.h"

#include <array>
#include <cstdint>

#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::openurl {
namespace {

bool hasDotDot(std::string_view path) {
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        if (path.substr(0, slash) == "..") return true;
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return false;
}

// folder itself or a folder below it (both canonical).
bool within(std::string_view path, std::string_view folder) {
    if (path == folder) return true;
    if (folder == "/") return true;
    return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

bool pictureOrMovie(const std::string& file) {
    const bool jpeg = platform::endsWithNoCase(file, ".jpg") || platform::endsWithNoCase(file, ".jpeg");
    const bool avi = platform::endsWithNoCase(file, ".avi");
    if (!jpeg && !avi) return false;
    std::array<std::uint8_t, 12> head{};
    const auto n = platform::readFileStart(file, head);
    if (!n || *n < head.size()) return false;
    if (jpeg) return head[0] == 0xff && head[1] == 0xd8 && head[2] == 0xff;
    return head[0] == 'R' && head[1] == 'I' && head[2] == 'F' && head[3] == 'F' && head[8] == 'A' &&
           head[9] == 'V' && head[10] == 'I' && head[11] == ' ';
}

}  // namespace

std::vector<std::string> canonicalFolders(const std::vector<std::string>& libraryFolders) {
    std::vector<std::string> folders;
    for (const std::string& folder : libraryFolders)
        if (const auto canonical = platform::canonicalPath(folder); canonical && platform::isDirectory(*canonical))
            folders.push_back(*canonical);
    return folders;
}

std::optional<CheckedTarget> checkTarget(const ControlUrl& link, const std::vector<std::string>& libraryFolders,
                                         std::string& why) {
    const std::string path = link.value("ImagePath");
    const std::string file = link.value("ImageFile");
    if (path.empty() || path[0] != '/' || hasDotDot(path)) {
        why = "ImagePath is not an absolute path without \"..\"";
        return std::nullopt;
    }
    const auto folder = platform::canonicalPath(path);
    if (!folder || !platform::isDirectory(*folder)) {
        why = "ImagePath is no folder: " + path;
        return std::nullopt;
    }
    bool inLibrary = false;
    for (const std::string& library : libraryFolders)
        if (library != "/" && within(*folder, library)) inLibrary = true;
    if (!inLibrary) {
        why = "ImagePath is not in the image library: " + path;
        return std::nullopt;
    }
    if (file.empty()) {
        if (link.kind == ControlKind::Mail) {
            why = "no ImageFile to mail";
            return std::nullopt;
        }
        return CheckedTarget{*folder, {}};
    }
    if (file[0] == '/' || file[0] == '-' || hasDotDot(file)) {
        why = "ImageFile is absolute, starts with \"-\" or has \"..\": " + file;
        return std::nullopt;
    }
    const auto target = platform::canonicalPath(platform::joinPath(*folder, file));
    if (!target || !within(*target, *folder) || *target == *folder || !platform::isFile(*target) ||
        !pictureOrMovie(*target)) {
        why = "ImageFile is no JPEG picture or AVI movie inside ImagePath: " + file;
        return std::nullopt;
    }
    return CheckedTarget{*folder, file};
}

}  // namespace lumbrel::openurl
