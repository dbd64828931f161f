#include "maintenance/other_images.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::maintenance {
namespace {

std::size_t prefixOf(std::string_view path) { return path.starts_with('/') ? 2 : 3; }

bool hasListedExtension(std::string_view name) {
    return platform::endsWithNoCase(name, ".JPG") || platform::endsWithNoCase(name, ".AVI");
}

// The folder behind links, or the path itself when it cannot be resolved.
std::string resolved(const std::string& folder) { return platform::canonicalPath(folder).value_or(folder); }

OtherImagesMessage networkMove() { return {142, std::string(kOtherImagesCaption), std::string(kNetworkMoveText), {}}; }

}  // namespace

std::string selectedPathText(std::string_view path) { return platform::shortenMiddle(path, 30, prefixOf(path), 25); }

std::string listedPathText(std::string_view path) { return platform::shortenMiddle(path, 17, prefixOf(path), 12); }

std::string folderPath(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return std::string(path);
}

std::string treePath(std::string_view path, const std::vector<camera::MountedRoot>& mounts) {
    if (path.empty()) return {};
    const std::string root = camera::asRoot(path);
    const bool isRoot = root == "/" || std::any_of(mounts.begin(), mounts.end(),
                                                   [&](const camera::MountedRoot& m) { return m.root == root; });
    return isRoot ? root : std::string(path);
}

bool addable(std::string_view path) { return !path.empty() && !path.ends_with('/'); }

std::vector<std::string> folderImageList(const std::string& folder) {
    std::vector<std::string> files;
    const auto entries = platform::listDirectory(folder);
    if (!entries) return files;
    for (const auto& entry : *entries) {
        if (entry.isDirectory || !hasListedExtension(entry.name)) continue;
        std::string path = platform::joinPath(folder, entry.name);
        if (platform::isFile(path)) files.push_back(std::move(path));
    }
    // By name ignoring case; names equal so keep a fixed order (byte order).
    std::sort(files.begin(), files.end());
    std::stable_sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return platform::compareNoCase(platform::lastComponent(a), platform::lastComponent(b)) < 0;
    });
    return files;
}

bool isNetworkFolder(const std::string& folder, const std::vector<camera::MountedRoot>& mounts) {
    return camera::onRemoteFileSystem(folder, mounts) || camera::onRemoteFileSystem(resolved(folder), mounts);
}

bool OtherFolderList::contains(std::string_view folder) const {
    const std::string path = folderPath(folder);
    const std::string real = resolved(path);
    return std::any_of(folders_.begin(), folders_.end(), [&](const std::string& listed) {
        return platform::equalNoCase(listed, path) || resolved(listed) == real;
    });
}

OtherFolderList::Added OtherFolderList::add(std::string_view folder) {
    if (folders_.size() >= kMaxOtherFolders) return Added::Full;
    if (contains(folder)) return Added::AlreadyListed;
    folders_.push_back(folderPath(folder));
    return Added::Added;
}

bool OtherFolderList::remove(std::size_t index) {
    if (index >= folders_.size()) return false;
    folders_.erase(folders_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::optional<OtherImagesMessage> checkAdd(const std::string& folder, int choice,
                                           const std::vector<camera::MountedRoot>& mounts) {
    if (choice == kChoiceMove && isNetworkFolder(folder, mounts)) return networkMove();
    if (folderImageList(folder).empty())
        return OtherImagesMessage{143, std::string(kAddCaption),
                                  selectedPathText(folder) + "\n" + std::string(kNoImageText), folder};
    return std::nullopt;
}

std::optional<OtherImagesMessage> checkLoad(const std::vector<std::string>& folders, int choice,
                                            const std::vector<camera::MountedRoot>& mounts) {
    if (choice == kChoiceMove &&
        std::any_of(folders.begin(), folders.end(), [&](const std::string& f) { return isNetworkFolder(f, mounts); }))
        return networkMove();
    std::optional<OtherImagesMessage> refused;
    for (const std::string& folder : folders)
        if (folderImageList(folder).empty())
            refused = OtherImagesMessage{147, std::string(kOtherImagesCaption),
                                         selectedPathText(folder) + "\n" + std::string(kNoImageText) + "\n" +
                                             std::string(kSuspendedText),
                                         folder};
    return refused;
}

}  // namespace lumbrel::maintenance
