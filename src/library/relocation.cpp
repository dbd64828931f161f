#include "library/relocation.h"

#include <optional>

#include "platform/files.h"

namespace lumbrel::library {

namespace {

// The old root in path: up to and including the first "ImageLib" or, failing
// that, "Image Library" that is followed by a separator (case-sensitive).
std::optional<std::string_view> oldRoot(std::string_view path) {
    for (std::string_view name : {std::string_view("ImageLib"), std::string_view("Image Library")}) {
        const std::string folder = std::string(name) + platform::kSeparator;
        const std::size_t at = path.find(folder);
        if (at != std::string_view::npos) return path.substr(0, at + name.size());
    }
    return std::nullopt;
}

}  // namespace

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    std::size_t pos = 0;
    for (std::size_t at; (at = text.find(from, pos)) != std::string_view::npos; pos = at + from.size())
        out.append(text.substr(pos, at - pos)).append(to);
    return out.append(text.substr(pos));
}

bool relocateIndex(CKDCardAlbumDoc& doc, std::string_view newRoot, std::vector<std::string>& keys) {
    keys.clear();
    bool ok = true;
    for (auto& album : doc.albums()) {
        const auto root = oldRoot(album->folderPath);
        if (!root) {
            ok = false;
            break;
        }
        const std::string from(*root);
        album->folderPath = replaceAll(album->folderPath, from, newRoot);
        album->indexPagePath = replaceAll(album->indexPagePath, from, newRoot);
        keys.emplace_back(album->key());
    }
    for (auto& image : doc.images()) {
        if (!ok) break;
        const auto root = oldRoot(image->imagePath());
        if (!root) {
            ok = false;
            break;
        }
        image->setImagePath(replaceAll(image->imagePath(), std::string(*root), newRoot));
    }
    doc.pathsChanged();
    return ok;
}

}  // namespace lumbrel::library
