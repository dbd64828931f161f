#include "web/page_links.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "media/imaging.h"
#include "platform/files.h"
#include "platform/shell_link.h"
#include "platform/html_text.h"
#include "platform/utf8.h"

namespace lumbrel::web {
namespace {

// The JPEG frame header sits near the start; this much of the file holds it.
constexpr std::size_t kThumbnailHeadBytes = 64 * 1024;

std::string withPreview(std::string_view path) {
    const std::string_view folder = platform::parentPath(path);
    return std::string(folder) + "/PREVIEW/" + std::string(platform::lastComponent(path));
}

}  // namespace

std::string pageLink(std::string_view programFolder, std::string_view path) {
    while (programFolder.size() > 1 && programFolder.back() == '/') programFolder.remove_suffix(1);
    if (!programFolder.empty() && path.size() > programFolder.size() &&
        path[programFolder.size()] == '/' && platform::startsWithNoCase(path, programFolder))
        return "../../" + platform::urlPathText(path.substr(programFolder.size() + 1));
    while (!path.empty() && path.front() == '/') path.remove_prefix(1);
    return "file:///" + platform::urlPathText(path);
}

std::string rowTargetPath(const std::string& linkTarget) {
    if (platform::endsWithNoCase(linkTarget, ".lnk")) {
        if (std::optional<std::string> target = platform::resolveLink(linkTarget)) return *target;
    }
    return linkTarget;
}

namespace {

// The preview of a movie is a JPEG named like the movie with "JPG" for its
// "AVI", as the loader writes it; a preview written by other means may carry
// the extension in another letter case, so the folder is searched for any
// letter case of that name when the loader's one is missing.
std::optional<std::string> moviePreview(const std::string& previewFolder, std::string_view movieName) {
    const std::string name = std::string(movieName.substr(0, movieName.size() - 3)) + "JPG";
    if (platform::isFile(previewFolder + name)) return previewFolder + name;
    if (const auto entries = platform::listDirectory(previewFolder)) {
        for (const platform::DirEntry& entry : *entries) {
            if (!entry.isDirectory && platform::equalNoCase(entry.name, name) && platform::isFile(previewFolder + entry.name))
                return previewFolder + entry.name;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string thumbnailPath(const std::string& imagePath) {
    std::string name(platform::lastComponent(imagePath));
    const std::string previewFolder = std::string(platform::parentPath(imagePath)) + "/PREVIEW/";
    if (platform::endsWithNoCase(name, ".avi")) {
        if (std::optional<std::string> preview = moviePreview(previewFolder, name)) return *preview;
        name.replace(name.size() - 4, 4, ".jpg");
    }
    const std::string preview = previewFolder + name;
    if (platform::isFile(preview)) return preview;
    if (platform::exists(preview + ".lnk")) {
        if (std::optional<std::string> target = platform::resolveLink(preview + ".lnk")) return *target;
    }
    return withPreview(rowTargetPath(imagePath));
}

bool isTallThumbnail(const std::string& path) {
    const std::optional<std::vector<std::uint8_t>> head = platform::readFile(path, kThumbnailHeadBytes);
    if (!head) return false;
    const std::optional<std::pair<int, int>> size = media::jpegSize(*head);
    return size && size->second > size->first;
}

}  // namespace lumbrel::web
