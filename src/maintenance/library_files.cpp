#include "maintenance/library_files.h"

#include "camera/loadable_files.h"
#include "camera/recording_time.h"
#include "library/index_file.h"
#include "library/library_folder.h"
#include "library/library_key.h"
#include "media/preview.h"
#include "platform/files.h"
#include "platform/shell_link.h"
#include "platform/utf8.h"

namespace lumbrel::maintenance {

using platform::endsWithNoCase;
using platform::joinPath;

std::string libraryKey(std::string_view location) { return std::string(platform::lastComponent(location)); }

std::string indexCopyPath(const app::Settings& settings) {
    const std::string folder = settings.saveFolder();
    return folder.empty() ? std::string() : joinPath(folder, library::kIndexFileName);
}

bool saveIndex(library::CKDCardAlbumDoc& doc, const std::string& indexPath, const app::Settings& settings) {
    return library::saveIndexWithCopy(doc, indexPath, indexCopyPath(settings));
}

std::int32_t low32(std::uint64_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

namespace {

bool isLibraryImage(std::string_view name) {
    return endsWithNoCase(name, "JPG") || endsWithNoCase(name, "AVI") || endsWithNoCase(name, "LNK");
}

// The recording time of a library file: a picture's embedded date, else the
// file time (of a link's target when it resolves).
std::string timeOf(const std::string& path) {
    std::string file = path;
    if (endsWithNoCase(path, "LNK")) {
        if (const auto target = platform::resolveLink(path)) file = *target;
    }
    if (auto embedded = camera::embeddedDate(file)) return *embedded;
    return camera::fileTimeText(file).value_or(std::string());
}

void rescanFiles(library::CKDCardAlbumDoc& doc, const std::string& folder, Rescan& found) {
    const auto entries = platform::listDirectory(folder);
    if (!entries) return;
    const std::string previews = joinPath(folder, library::kPreviewFolder);
    for (const auto& entry : *entries) {
        if (entry.isDirectory || !isLibraryImage(entry.name)) continue;
        const std::string path = joinPath(folder, entry.name);
        if (!platform::isFile(path) && !endsWithNoCase(entry.name, "LNK")) continue;
        const std::uint64_t size = platform::fileSize(path).value_or(0);
        library::CPhotoData record;
        record.setImagePath(path);
        record.setRecordingDate(timeOf(path));
        record.setFileSize(low32(size));
        doc.addImage(std::move(record));
        ++found.images;
        found.bytes += size;
        if (endsWithNoCase(entry.name, "LNK")) continue;  // a link shows its target's preview, if any
        std::string preview = joinPath(previews, camera::destinationName(entry.name));
        if (media::isMovieName(preview)) preview.replace(preview.size() - 3, 3, "JPG");
        if (!platform::exists(preview)) {
            platform::makeDirectory(previews);
            if (!media::makePreview(path, preview)) continue;
        }
        found.bytes += platform::fileSize(preview).value_or(0);
    }
}

}  // namespace

Rescan rescanFolder(library::CKDCardAlbumDoc& doc, const std::string& folder) {
    Rescan found;
    if (!library::isSubfolderKey(platform::lastComponent(folder))) {
        rescanFiles(doc, folder, found);
        return found;
    }
    const auto entries = platform::listDirectory(folder);
    if (!entries) return found;
    for (const auto& entry : *entries)
        if (entry.isDirectory && !platform::equalNoCase(entry.name, "HTML"))
            rescanFiles(doc, joinPath(folder, entry.name), found);
    return found;
}

bool deleteLibraryFolder(const std::string& folder) {
    if (!platform::isDirectory(folder)) return !platform::exists(folder);
    const bool emptied = library::deleteSubfolders(folder) & library::deleteFiles(folder);
    return emptied && platform::removeDirectory(folder);
}

}  // namespace lumbrel::maintenance
