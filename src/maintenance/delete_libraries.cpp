#include "maintenance/delete_libraries.h"

#include <algorithm>

#include "app/strings.h"
#include "library/library_folder.h"
#include "library/library_key.h"
#include "maintenance/journaled_run.h"
#include "maintenance/library_files.h"
#include "maintenance/rebuild.h"
#include "maintenance/template_indices.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::maintenance {

using platform::joinPath;

namespace {

void reportWriteError(MaintenanceContext& c) { c.prompt.showError(app::kMsgWriteError, app::text(app::kMsgWriteError)); }

// A library's records as they were, to put back when the index cannot be saved.
struct Removed {
    library::CAlbumData album;
    std::vector<library::CPhotoData> images;
};

Removed removeWithImages(library::CKDCardAlbumDoc& doc, const library::CAlbumData& album) {
    Removed removed{album, {}};
    const std::string prefix = album.folderPath + "/";
    for (const auto& image : doc.images())
        if (image->imagePath().starts_with(prefix)) removed.images.push_back(*image);
    doc.removeLibraryAndImages(album.folderPath);
    return removed;
}

void putBack(library::CKDCardAlbumDoc& doc, const std::vector<Removed>& removed) {
    for (const Removed& r : removed) {
        doc.addLibrary(r.album);
        for (const library::CPhotoData& image : r.images) doc.addImage(image);
    }
}

std::string shownName(const library::CAlbumData& album) {
    return library::keyToText(platform::lastComponent(album.folderPath)) + " " + album.title;
}

}  // namespace

DeleteLibrariesResult deleteLibraries(MaintenanceContext& c, const std::vector<std::string>& selected) {
    DeleteLibrariesResult result;
    if (!c.prompt.confirm(Confirmation::DeleteLibraries)) {
        resetMarks(c.doc);
        return result;
    }
    result.confirmed = true;
    if (selected.empty()) return result;
    JournaledRun run(c);
    if (!run.begin()) {
        reportWriteError(c);
        return result;
    }
    const library::CAlbumData* first = c.doc.findLibrary(selected.front());
    const bool firstShortcut = first && first->shortcutFlag == 1;
    std::vector<Removed> removed;
    std::vector<std::string> keys;
    // Two passes: the libraries of the first one's kind, then the others;
    // "Delete all" holds for the rest of its pass only.
    for (const bool shortcutPass : {firstShortcut, !firstShortcut}) {
        bool all = false;
        for (const std::string& location : selected) {
            const library::CAlbumData* album = c.doc.findLibrary(location);
            if (!album || (album->shortcutFlag == 1) != shortcutPass) continue;
            if (!all) {
                const DeleteAnswer answer = c.prompt.askDeleteLibrary(
                    shortcutPass ? LibraryKind::Shortcut : LibraryKind::Ordinary, shownName(*album));
                if (answer == DeleteAnswer::Cancel) break;
                if (answer == DeleteAnswer::No) continue;
                all = answer == DeleteAnswer::DeleteAll;
            }
            const std::string folder = album->folderPath;
            removed.push_back(removeWithImages(c.doc, *album));
            // Set aside now, into the trash once the index without it is saved.
            // A folder that cannot be moved stays; its record goes all the same.
            if (platform::exists(folder) && !run.journal().trashOnCommit(folder)) result.leftOnDisk.push_back(folder);
            result.deleted.push_back(folder);
            keys.push_back(libraryKey(folder));
        }
    }
    if (!run.refreshSite(keys) || !run.commitIndex()) {
        run.rollBack();
        putBack(c.doc, removed);
        result.deleted.clear();
        result.leftOnDisk.clear();
        reportWriteError(c);
        return result;
    }
    result.saved = true;
    const app::CommitReport done = run.finish();
    result.trashed = done.trashed;
    result.leftOnDisk.insert(result.leftOnDisk.end(), done.notDeleted.begin(), done.notDeleted.end());
    return result;
}

// ---- Marks -------------------------------------------------------------------

void resetMarks(library::CKDCardAlbumDoc& doc) {
    std::int32_t largest = 0;
    for (const auto& album : doc.albums()) largest = std::max(largest, album->imageCount);
    for (const auto& album : doc.albums()) album->deleteMarks.assign(static_cast<std::size_t>(largest) + 1, 0);
}

bool toggleMark(library::CKDCardAlbumDoc& doc, const std::string& location, std::size_t index) {
    library::CAlbumData* album = doc.findLibrary(location);
    if (!album) return false;
    if (album->deleteMarks.size() <= index) album->deleteMarks.resize(index + 1, 0);
    std::uint8_t& mark = album->deleteMarks[index];
    mark = mark == 1 ? 0 : 1;
    return mark == 1;
}

bool isMarked(const library::CKDCardAlbumDoc& doc, const std::string& location, std::size_t index) {
    const library::CAlbumData* album = doc.findLibrary(location);
    return album && index < album->deleteMarks.size() && album->deleteMarks[index] == 1;
}

// ---- Deleting marked pictures ----------------------------------------------------

namespace {

std::string withAviEnding(std::string path) {
    if (path.size() >= 3) path.replace(path.size() - 3, 3, "AVI");
    return path;
}

struct LibraryDeletion {
    std::size_t images = 0;
    std::uint64_t bytes = 0;
};

}  // namespace

DeleteImagesResult deleteMarkedImages(MaintenanceContext& c, const DeleteImagesRequest& request) {
    if (!c.prompt.confirm(Confirmation::DeleteImages)) return {};
    return deleteMarkedImages(c, request, takeDriveRoots());
}

DeleteImagesResult deleteMarkedImages(MaintenanceContext& c, const DeleteImagesRequest& request,
                                      const DriveRoots& roots) {
    DeleteImagesResult result;
    result.confirmed = true;
    result.previewIndex = request.previewIndex;
    JournaledRun run(c);
    if (!run.begin()) {
        reportWriteError(c);
        return result;
    }
    app::RunJournal& journal = run.journal();
    // What the take-back restores in the document should the save fail.
    library::CKDCardAlbumDoc::AlbumList albumsBefore;
    for (const auto& album : c.doc.albums()) albumsBefore.push_back(std::make_unique<library::CAlbumData>(*album));
    library::CKDCardAlbumDoc::ImageList imagesBefore;
    for (const auto& image : c.doc.images()) imagesBefore.push_back(std::make_unique<library::CPhotoData>(*image));

    const std::string dllPath = c.settings.get(app::setting::DllPath);
    std::vector<std::string> keys;
    for (const std::string& location : request.rows) {
        library::CAlbumData* album = c.doc.findLibrary(location);
        if (!album) continue;
        const std::string folder = album->folderPath;
        const bool firstSelected = platform::equalNoCase(folder, request.firstSelected);
        const std::vector<std::string> previews = library::previewList(folder);
        LibraryDeletion gone;
        for (std::size_t k = 0; k < previews.size(); ++k) {
            album = c.doc.findLibrary(folder);
            if (!album || k >= album->deleteMarks.size() || album->deleteMarks[k] != 1) continue;
            const std::string& preview = previews[k];
            // preview = F/PREVIEW/name: the picture is F/name, or the movie F/NAME.AVI.
            const std::string previewFolder(platform::parentPath(preview));
            const std::string f(platform::parentPath(previewFolder));
            const std::string name(platform::lastComponent(preview));
            std::string imageFile = joinPath(f, name);
            if (!platform::exists(imageFile)) imageFile = withAviEnding(imageFile);
            if (platform::isReadOnly(imageFile).value_or(false) && !c.prompt.askDeleteReadOnly(imageFile, preview)) {
                album->deleteMarks[k] = 0;
                continue;
            }
            album->deleteMarks[k] = 0;
            if (firstSelected && result.previewIndex + gone.images >= k && result.previewIndex > 0)
                --result.previewIndex;
            // The preview is made again from its picture: set aside, deleted once
            // committed. The picture goes to the trash.
            const std::uint64_t previewBytes = platform::fileSize(preview).value_or(0);
            if (platform::exists(preview) && journal.setAside(preview)) gone.bytes += previewBytes;
            ++gone.images;
            c.doc.removeImage(joinPath(f, name));
            const std::string candidates[] = {joinPath(f, name), withAviEnding(joinPath(f, name)),
                                              joinPath(f, name) + ".LNK", withAviEnding(joinPath(f, name)) + ".LNK"};
            for (const std::string& file : candidates) {
                if (!platform::exists(file)) continue;
                const std::uint64_t size = platform::fileSize(file).value_or(0);
                // A link goes as a link: its target is never touched.
                if (journal.trashOnCommit(file)) gone.bytes += size;
                break;
            }
        }
        if (gone.images == 0) continue;
        result.deleted += gone.images;
        album = c.doc.findLibrary(folder);
        if (!album) continue;
        album->imageCount -= static_cast<std::int32_t>(gone.images);
        album->totalSize = low32(static_cast<std::uint32_t>(album->totalSize) - gone.bytes);
        if (!isReachable(folder, roots)) continue;
        const TemplateIndices indices = libraryTemplateIndices(album->templateName);
        RebuildValues values;
        values.title = album->title;
        values.shortcutFlag = album->shortcutFlag;
        values.templateText = album->templateName;
        values.printButton = album->printButton;
        values.attachmentSize = album->attachmentSize;
        values.mailName = album->mailSoftware;
        values.dllPath = dllPath;
        values.templateIndex = indices.type;
        values.patternIndex = indices.colour;
        if (c.wait)
            c.wait->show(app::text(app::kStrRebuilding), app::text(app::kStrLibraryRebuilt),
                         app::text(app::kStrPleaseWait));
        if (rebuildStep(c, folder, values, keys, journal) == StepOutcome::Removed) {
            result.removedLibraries.push_back(folder);
        } else if (library::CAlbumData* rebuilt = c.doc.findLibrary(folder)) {
            rebuilt->deleteMarks.assign(static_cast<std::size_t>(rebuilt->imageCount) + 1, 0);
        }
        if (c.wait) c.wait->close();
    }
    if (!run.refreshSite(keys) || !run.commitIndex()) {
        run.rollBack();
        c.doc.adoptLists(std::move(albumsBefore), std::move(imagesBefore));
        reportWriteError(c);
        result.deleted = 0;
        result.removedLibraries.clear();
        result.previewIndex = request.previewIndex;
        return result;
    }
    result.saved = true;
    result.trashed = run.finish().trashed;
    return result;
}

}  // namespace lumbrel::maintenance
