#include "maintenance/rebuild.h"

#include "app/strings.h"
#include "library/library_folder.h"
#include "maintenance/journaled_run.h"
#include "maintenance/library_files.h"
#include "maintenance/template_indices.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "web/plugin_host.h"

namespace lumbrel::maintenance {

namespace {

using app::setting::DllPath;
using app::setting::MailName;
using app::setting::PrintButton;
using app::setting::TempSize;

// The wait window that every rebuild shows, closed when it goes.
class RebuildWait {
public:
    explicit RebuildWait(app::WaitWindow* wait) : wait_(wait) {
        if (wait_)
            wait_->show(app::text(app::kStrRebuilding), app::text(app::kStrLibraryRebuilt),
                        app::text(app::kStrPleaseWait));
    }
    ~RebuildWait() {
        if (wait_) wait_->close();
    }
    RebuildWait(const RebuildWait&) = delete;
    RebuildWait& operator=(const RebuildWait&) = delete;

private:
    app::WaitWindow* wait_;
};

// The rows of the libraries of keys on the site are taken off, then put back
// for those still in the index; the index is saved (the commit point), and
// the emptied folders go.
void finishRebuild(MaintenanceContext& c, JournaledRun& run, const std::vector<std::string>& keys,
                   RebuildResult& result) {
    result.saved = run.refreshSite(keys) && run.commitIndex();
    if (result.saved) {
        run.finish();
        return;
    }
    run.rollBack();
    c.prompt.showError(app::kMsgWriteError, app::text(app::kMsgWriteError));
}

}  // namespace

StepOutcome rebuildStep(MaintenanceContext& c, const std::string& location, const RebuildValues& values,
                        std::vector<std::string>& keys, app::RunJournal& journal) {
    // The folder's own spelling, whatever case the caller used.
    const library::CAlbumData* old = c.doc.findLibrary(location);
    const std::string folder = old ? old->folderPath : location;
    // Removed first, so that the rescan's records replace the old ones.
    c.doc.removeLibraryAndImages(folder);
    const Rescan found = rescanFolder(c.doc, folder);
    keys.push_back(libraryKey(folder));
    if (found.images < 1) {
        // Nothing left to show: the library leaves the index, and the disk
        // once the index without it is saved.
        journal.deleteOnCommit(folder);
        return StepOutcome::Removed;
    }
    library::CAlbumData album;
    album.folderPath = folder;
    album.indexPagePath = platform::joinPath(folder, library::kIndexPageName);
    album.totalSize = low32(found.bytes);
    album.imageCount = found.images;
    album.title = values.title;
    album.templateName = values.templateText;
    album.shortcutFlag = values.shortcutFlag;
    album.printButton = values.printButton;
    album.attachmentSize = values.attachmentSize;
    album.mailSoftware = values.mailName;
    c.doc.addLibrary(album);
    // A plug-in that cannot be loaded leaves the pages unwritten; the record
    // stands all the same. The pages there now are kept until the run is
    // committed, so that a take-back puts them back.
    if (!journal.backUp(platform::joinPath(folder, "HTML")) ||
        !journal.backUp(platform::joinPath(folder, library::kIndexPageName))) {
        // Without a backup the old pages stay as they are.
    } else if (values.pagesFromSettings)
        web::writeAlbumPages(c.settings, c.doc, folder, values.dllPath, values.templateIndex, values.patternIndex);
    else
        web::writeAlbumPages(c.programFolder, c.doc, folder, values.dllPath, values.templateIndex,
                             values.patternIndex,
                             {values.printButton, values.attachmentSize, values.mailName});
    std::int32_t pageBytes = 0;
    library::pageFiles(folder, &pageBytes);
    if (library::CAlbumData* added = c.doc.findLibrary(folder))
        added->totalSize = low32(static_cast<std::uint32_t>(added->totalSize) + static_cast<std::uint32_t>(pageBytes));
    return StepOutcome::Rebuilt;
}

RebuildResult rebuildSelected(MaintenanceContext& c, const std::vector<std::string>& locations) {
    if (!c.prompt.confirm(Confirmation::RebuildSelected)) return {};
    return rebuildSelected(c, locations, takeDriveRoots());
}

RebuildResult rebuildSelected(MaintenanceContext& c, const std::vector<std::string>& locations,
                              const DriveRoots& roots) {
    RebuildResult result;
    result.confirmed = true;
    const app::Settings& s = c.settings;
    RebuildValues values;
    values.templateText = s.get(app::setting::TemplateType) + "," + s.get(app::setting::TemplateBackCol);
    values.printButton = s.get(PrintButton);
    values.attachmentSize = s.get(TempSize);
    values.mailName = s.get(MailName);
    values.dllPath = s.get(DllPath);
    values.templateIndex = s.get(app::setting::TemplateTypeNo);
    values.patternIndex = s.get(app::setting::TemplateBackNo);
    JournaledRun run(c);
    if (!run.begin()) {
        c.prompt.showError(app::kMsgWriteError, app::text(app::kMsgWriteError));
        return result;
    }
    RebuildWait wait(c.wait);
    std::vector<std::string> keys;
    for (const std::string& location : locations) {
        const library::CAlbumData* album = c.doc.findLibrary(location);
        if (!album || !isReachable(album->folderPath, roots)) {
            // Unreachable (a medium not there, a share not mounted): left as it is.
            result.skipped.push_back(location);
            result.kept.push_back(location);
            continue;
        }
        values.title = album->title;
        values.shortcutFlag = album->shortcutFlag;
        const std::string folder = album->folderPath;
        if (rebuildStep(c, folder, values, keys, run.journal()) == StepOutcome::Removed)
            result.removed.push_back(folder);
        else
            result.kept.push_back(folder);
    }
    finishRebuild(c, run, keys, result);
    return result;
}

RebuildResult rebuildAll(MaintenanceContext& c) {
    if (!c.prompt.confirm(Confirmation::RebuildAll)) return {};
    return rebuildAll(c, takeDriveRoots());
}

RebuildResult rebuildAll(MaintenanceContext& c, const DriveRoots& roots) {
    RebuildResult result;
    result.confirmed = true;
    const app::Settings& s = c.settings;
    const std::string dllPath = s.get(DllPath);
    JournaledRun run(c);
    if (!run.begin()) {
        c.prompt.showError(app::kMsgWriteError, app::text(app::kMsgWriteError));
        return result;
    }
    RebuildWait wait(c.wait);
    // Each record is worked on from a copy: the step replaces it in the list.
    std::vector<library::CAlbumData> records;
    records.reserve(c.doc.albums().size());
    for (const auto& album : c.doc.albums()) records.push_back(*album);
    std::vector<std::string> keys;
    for (const library::CAlbumData& album : records) {
        if (!isReachable(album.folderPath, roots)) {
            result.skipped.push_back(album.folderPath);
            result.kept.push_back(album.folderPath);
            continue;
        }
        const TemplateIndices indices = libraryTemplateIndices(album.templateName);
        RebuildValues values;
        values.title = album.title;
        values.shortcutFlag = album.shortcutFlag;
        values.templateText = album.templateName;
        values.printButton = s.get(PrintButton);
        values.attachmentSize = s.get(TempSize);
        values.mailName = s.get(MailName);
        values.dllPath = dllPath;
        values.templateIndex = indices.type;
        values.patternIndex = indices.colour;
        values.pagesFromSettings = true;
        if (rebuildStep(c, album.folderPath, values, keys, run.journal()) == StepOutcome::Removed)
            result.removed.push_back(album.folderPath);
        else
            result.kept.push_back(album.folderPath);
    }
    finishRebuild(c, run, keys, result);
    return result;
}

TitleResult changeTitle(MaintenanceContext& c, const std::string& location, const std::string& title) {
    library::CAlbumData* album = c.doc.findLibrary(location);
    if (!album) return TitleResult::NoSuchLibrary;
    const std::string before = album->title;
    album->title = std::string(platform::truncateUtf8(title, kTitleBytes));
    if (!saveIndex(c.doc, c.indexPath, c.settings)) {
        album->title = before;
        return TitleResult::SaveFailed;
    }
    if (c.site) c.site->retitlePass({libraryKey(album->folderPath)});
    return TitleResult::Changed;
}

}  // namespace lumbrel::maintenance
