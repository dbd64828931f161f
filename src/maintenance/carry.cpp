#include "maintenance/carry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/relocate_refresh.h"
#include "app/strings.h"
#include "library/index_file.h"
#include "library/library_folder.h"
#include "library/library_key.h"
#include "maintenance/journaled_run.h"
#include "maintenance/library_files.h"
#include "maintenance/library_list.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::maintenance {

using platform::joinPath;

namespace {

constexpr std::string_view kMarkerFile = "KDCAM.KDS";
constexpr std::string_view kRootName = "Image Library";
// Files journaled together before any of them is written.
constexpr std::size_t kBatch = 64;

bool within(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

// path and folder compared as they are and with links resolved.
bool isInside(const std::string& path, const std::string& folder) {
    if (within(path, folder)) return true;
    const auto realPath = platform::canonicalPath(path);
    const auto realFolder = platform::canonicalPath(folder);
    return realPath && realFolder && within(*realPath, *realFolder);
}

// Every file of folder and its subfolders, relative to base, files before subfolders.
void allFiles(const std::string& folder, const std::string& relative, std::vector<std::string>& out) {
    const auto entries = platform::listDirectory(folder);
    if (!entries) return;
    for (const auto& entry : *entries)
        if (!entry.isDirectory) out.push_back(relative.empty() ? entry.name : joinPath(relative, entry.name));
    for (const auto& entry : *entries)
        if (entry.isDirectory)
            allFiles(joinPath(folder, entry.name), relative.empty() ? entry.name : joinPath(relative, entry.name), out);
}

// The files a command carries of the library folder, relative to it. A copy
// of a library of the subfolder form takes the page files and the marker of
// the folder itself and all of its subfolders; any other copy, and every
// move, takes everything, so that a move leaves nothing behind to be lost.
std::vector<std::string> carriedFiles(CarryKind kind, const std::string& folder) {
    std::vector<std::string> files;
    if (kind != CarryKind::Copy || !library::isSubfolderKey(platform::lastComponent(folder))) {
        allFiles(folder, {}, files);
        return files;
    }
    const auto entries = platform::listDirectory(folder);
    if (!entries) return files;
    for (const auto& entry : *entries)
        if (!entry.isDirectory && (platform::endsWithNoCase(entry.name, "HTM") || entry.name == kMarkerFile))
            files.push_back(entry.name);
    for (const auto& entry : *entries)
        if (entry.isDirectory) allFiles(joinPath(folder, entry.name), entry.name, files);
    return files;
}

std::string describe(const std::string& path, int error) {
    return path + ": " + (error != 0 ? std::strerror(error) : "failed");
}

struct Planned {
    std::string location;  ///< the library folder now
    std::string target;    ///< where it goes
    std::vector<std::string> files;
};

// One command's file work: every step journaled, copies flushed before the
// commit, the progress window stepped after each file and asked whether the
// user stopped.
class Carrier {
public:
    Carrier(MaintenanceContext& c, JournaledRun& run, bool move, CarryResult& result)
        : c_(c), run_(run), move_(move), result_(result) {}

    void begin(int caption, int text, std::size_t total) {
        c_.progress.begin(app::text(caption), app::text(text), total);
    }

    // Carries library folder from into the new folder to (not yet there).
    bool carryLibrary(const std::string& from, const std::string& to, const std::vector<std::string>& files) {
        if (move_ && !platform::exists(to)) {
            // One file system: the folder is renamed, with all it holds.
            if (run_.journal().renameFolder(from, to)) {
                result_.files += files.size();
                return stepped(files.size());
            }
            if (errno != EXDEV) return fail(to, errno);
        }
        if (!run_.journal().makeFolder(to)) return fail(to, errno);
        // The files are journaled a batch at a time, with one flush of the
        // journal for the batch, before any of them is written.
        for (std::size_t first = 0; first < files.size(); first += kBatch) {
            const std::size_t end = std::min(files.size(), first + kBatch);
            for (std::size_t i = first; i < end; ++i) {
                const std::string dest = joinPath(to, files[i]);
                if (!makeParents(to, dest) || !prepare(dest, false)) return false;
            }
            if (!run_.journal().sync()) return fail(to, errno);
            for (std::size_t i = first; i < end; ++i)
                if (!place(joinPath(from, files[i]), joinPath(to, files[i])) || !stepped(1)) return false;
        }
        // What the move emptied goes once the index is saved.
        if (move_) run_.journal().cleanOnCommit(from);
        return true;
    }

    // Every library of plan, in order; false at the first failure or stop.
    bool carryAll(const std::vector<Planned>& plan) {
        for (const Planned& p : plan) {
            if (!carryLibrary(p.location, p.target, p.files)) return false;
            result_.carried.push_back(p.location);
        }
        return true;
    }

    // One file; overwrite: an existing file at dest is set aside (and goes
    // when committed) instead of failing the move.
    bool carryFile(const std::string& source, const std::string& dest, bool overwrite) {
        if (!prepare(dest, overwrite)) return false;
        if (!run_.journal().sync()) return fail(dest, errno);
        return place(source, dest);
    }

    // Journals dest as a file about to be made (on the disk by the next sync).
    bool prepare(const std::string& dest, bool overwrite) {
        app::RunJournal& journal = run_.journal();
        if (platform::exists(dest)) {
            if (move_ && !overwrite) return fail(dest, EEXIST);
            if (!journal.setAside(dest)) return fail(dest, errno);
        }
        return journal.willCreate(dest) || fail(dest, errno);
    }

    // Puts source at dest, prepared and journaled: a second name on one file
    // system for a move, else a size-checked copy (flushed by flush()).
    bool place(const std::string& source, const std::string& dest) {
        app::RunJournal& journal = run_.journal();
        if (move_) {
            switch (platform::linkFile(source, dest)) {
            case platform::LinkResult::Linked: {
                const auto identity = platform::fileIdentity(source);
                if (!identity || !journal.moveOnCommit(source, dest, *identity)) return fail(source, errno);
                unflushed_.push_back(dest);
                ++result_.files;
                return true;
            }
            case platform::LinkResult::Failed: return fail(dest, errno);
            case platform::LinkResult::Unsupported: break;
            }
        }
        const platform::CopyResult copied = platform::copyFileChecked(source, dest, false);
        if (!copied.ok()) return fail(dest, copied.error);
        unflushed_.push_back(dest);
        if (move_ && !journal.moveOnCommit(source, dest, copied.source)) return fail(source, errno);
        ++result_.files;
        return true;
    }

    bool stepped(std::size_t files) {
        done_ += files;
        c_.progress.step(done_);
        if (!c_.progress.cancelled()) return true;
        result_.outcome = CarryResult::Outcome::Cancelled;
        return false;
    }

    // Every copy is on the disk before anything counts on it.
    bool flush() {
        if (platform::flushFiles(unflushed_)) return true;
        return fail(unflushed_.empty() ? c_.programFolder : unflushed_.front(), errno);
    }

    bool fail(const std::string& path, int error) {
        if (result_.outcome == CarryResult::Outcome::Done) {
            result_.outcome = CarryResult::Outcome::Failed;
            result_.failure = describe(path, error);
        }
        return false;
    }

    // After a failure or a stop: everything back as before, the message for a failure.
    void takeBack() {
        result_.notRestored = run_.rollBack();
        c_.progress.end();
        if (result_.outcome == CarryResult::Outcome::Failed)
            c_.prompt.showError(app::kMsgWriteError, app::text(app::kMsgWriteError));
        result_.files = 0;
        result_.carried.clear();
    }

private:
    // The folders between base (there) and dest's folder, made as needed.
    bool makeParents(const std::string& base, const std::string& dest) {
        const std::string folder(platform::parentPath(dest));
        if (folder.size() <= base.size() || platform::isDirectory(folder)) return true;
        if (!makeParents(base, folder)) return false;
        return run_.journal().makeFolder(folder) || fail(folder, errno);
    }

    MaintenanceContext& c_;
    JournaledRun& run_;
    bool move_;
    CarryResult& result_;
    std::size_t done_ = 0;
    std::vector<std::string> unflushed_;
};

// The libraries at locations that a command of kind carries into to, with
// their files; a library already there (for a move: in to itself), or without
// a record, is skipped.
struct Plan {
    std::vector<Planned> libraries;
    std::size_t files = 0;
};

Plan planCarry(const library::CKDCardAlbumDoc& doc, const std::vector<std::string>& locations, const std::string& to,
               CarryKind kind, CarryResult& result) {
    Plan plan;
    for (const std::string& location : locations) {
        const library::CAlbumData* album = doc.findLibrary(location);
        if (!album || to == album->folderPath || (kind != CarryKind::Copy && to == platform::parentPath(album->folderPath))) {
            result.skipped.push_back(location);
            continue;
        }
        Planned p{album->folderPath, joinPath(to, libraryKey(album->folderPath)), carriedFiles(kind, album->folderPath)};
        plan.files += p.files.size();
        plan.libraries.push_back(std::move(p));
    }
    return plan;
}

CarryResult journalUnavailable(MaintenanceContext& c) {
    CarryResult result;
    result.outcome = CarryResult::Outcome::Failed;
    result.failure = describe(joinPath(c.programFolder, app::kJournalFileName), errno);
    c.prompt.showError(app::kMsgWriteError, app::text(app::kMsgWriteError));
    return result;
}

// A full copy of the document's lists, to put back when a save fails.
struct DocumentCopy {
    explicit DocumentCopy(const library::CKDCardAlbumDoc& doc) {
        for (const auto& a : doc.albums()) albums.push_back(std::make_unique<library::CAlbumData>(*a));
        for (const auto& i : doc.images()) images.push_back(std::make_unique<library::CPhotoData>(*i));
    }
    void restore(library::CKDCardAlbumDoc& doc) { doc.adoptLists(std::move(albums), std::move(images)); }
    library::CKDCardAlbumDoc::AlbumList albums;
    library::CKDCardAlbumDoc::ImageList images;
};

}  // namespace

std::string destinationPath(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::optional<std::uint64_t> freeKilobytes(const std::string& path) {
    std::string probe = path;
    while (!probe.empty() && !platform::isDirectory(probe)) probe = std::string(platform::parentPath(probe));
    if (probe.empty()) return std::nullopt;
    const auto bytes = platform::freeSpace(probe);
    if (!bytes) return std::nullopt;
    return *bytes / 1024;
}

DestinationProblem checkDestination(CarryKind kind, const std::string& dest, std::uint64_t volumeKilobytes,
                                    const std::vector<std::string>& carried, const std::string& saveFolder) {
    if (dest.empty()) return DestinationProblem::NoPath;
    if (kind == CarryKind::Copy && dest == saveFolder) return DestinationProblem::IsSaveFolder;
    for (const std::string& folder : carried)
        if (isInside(dest, folder)) return DestinationProblem::InsideCarried;
    const auto free = freeKilobytes(dest);
    if (free && volumeKilobytes >= *free) return DestinationProblem::NoRoom;
    return DestinationProblem::None;
}

bool destinationSelectable(CarryKind kind, const std::string& path, const std::string& saveFolder) {
    return !path.empty() && !(kind == CarryKind::Copy && path == saveFolder);
}

std::string dialogPathText(const std::string& path) {
    return platform::shortenMiddle(path, 30, path.starts_with('/') ? 2 : 3, 25);
}

std::string generalPathText(const std::string& path) {
    if (path.size() <= 23) return path;
    std::size_t tail = path.size() - 20;
    // Never start the tail inside a character.
    while (tail < path.size() && (static_cast<unsigned char>(path[tail]) & 0xC0) == 0x80) ++tail;
    return std::string(platform::truncateUtf8(path, 3)) + " ... " + path.substr(tail);
}

CarryResult copyLibraries(MaintenanceContext& c, const std::vector<std::string>& locations, const std::string& dest) {
    CarryResult result;
    const Plan plan = planCarry(c.doc, locations, destinationPath(dest), CarryKind::Copy, result);
    JournaledRun run(c);
    if (!run.begin()) return journalUnavailable(c);
    Carrier carrier(c, run, false, result);
    carrier.begin(app::kStrCopyCaption, app::kStrCopyingLibrary, plan.files);
    if (!carrier.carryAll(plan.libraries) || !carrier.flush()) {
        carrier.takeBack();
        return result;
    }
    // The copies stand; what they replaced goes.
    run.journal().committed();
    run.finish();
    c.progress.end();
    return result;
}

CarryResult moveLibraries(MaintenanceContext& c, const std::vector<std::string>& locations, const std::string& dest) {
    CarryResult result;
    const Plan plan = planCarry(c.doc, locations, destinationPath(dest), CarryKind::Move, result);
    if (plan.libraries.empty()) return result;  // every library is there already
    JournaledRun run(c);
    if (!run.begin()) return journalUnavailable(c);
    Carrier carrier(c, run, true, result);
    carrier.begin(app::kStrMoveCaption, app::kStrMovingLibrary, plan.files);
    if (!carrier.carryAll(plan.libraries) || !carrier.flush()) {
        carrier.takeBack();
        return result;
    }
    // The libraries leave the collection: the index without them is saved
    // before any old file goes.
    DocumentCopy before(c.doc);
    std::vector<std::string> keys;
    for (const Planned& p : plan.libraries) {
        c.doc.removeLibraryAndImages(p.location);
        keys.push_back(libraryKey(p.location));
    }
    if (!run.refreshSite(keys) || !run.commitIndex()) {
        carrier.fail(c.indexPath, errno);
        before.restore(c.doc);
        carrier.takeBack();
        return result;
    }
    result.keptInPlace = run.finish().sourcesKept;
    c.progress.end();
    return result;
}

MoveRootResult moveSaveFolder(MaintenanceContext& c, const std::string& chosen) {
    MoveRootResult out;
    const std::string old = c.settings.saveFolder();
    std::string root = destinationPath(chosen);
    const std::vector<std::string> all = [&] {
        std::vector<std::string> v;
        for (const auto& album : c.doc.albums()) v.push_back(album->folderPath);
        return v;
    }();
    if (platform::equalNoCase(root, old)) {
        c.settings.set(app::setting::SaveFolder, root);
        out.newRoot = root;
        out.onlySetting = true;
        return out;
    }
    if (platform::lastComponent(root) != kRootName) root = joinPath(root, kRootName);
    out.newRoot = root;
    const std::uint64_t volume = storedBytes(c.doc, all) / 1024;
    if (volume == 0) {
        // Nothing to carry: the setting changes, and an index found there is taken.
        if (!platform::makeDirectories(root)) {
            out.carry.outcome = CarryResult::Outcome::Failed;
            out.carry.failure = describe(root, errno);
            c.prompt.showError(app::kMsgWriteError, app::text(app::kMsgWriteError));
            return out;
        }
        c.settings.set(app::setting::SaveFolder, root);
        out.onlySetting = true;
        const std::string found = joinPath(root, library::kIndexFileName);
        if (platform::isFile(found)) {
            library::CKDCardAlbumDoc adopted;
            if (library::openIndexFile(found, adopted).ok()) {
                c.doc = std::move(adopted);
                out.adoptedIndex = app::relocateAndRefresh(c.doc, root, c.indexPath, found, true, c.site, c.wait);
            }
        }
        return out;
    }

    CarryResult& result = out.carry;
    JournaledRun run(c);
    if (!run.begin()) {
        result = journalUnavailable(c);
        return out;
    }
    Carrier carrier(c, run, true, result);
    // The new root and the folders above it that are missing, journaled.
    std::vector<std::string> missing;
    for (std::string p = root; !p.empty() && p != "/" && !platform::exists(p); p = std::string(platform::parentPath(p)))
        missing.insert(missing.begin(), p);
    for (const std::string& folder : missing)
        if (!run.journal().makeFolder(folder)) {
            carrier.fail(folder, errno);
            carrier.takeBack();
            return out;
        }

    const Plan plan = planCarry(c.doc, all, root, CarryKind::MoveRoot, result);
    std::size_t total = plan.files;
    std::vector<std::string> rootFiles;
    if (const auto entries = platform::listDirectory(old))
        for (const auto& entry : *entries)
            if (!entry.isDirectory && platform::isFile(joinPath(old, entry.name))) rootFiles.push_back(entry.name);
    total += rootFiles.size();
    carrier.begin(app::kStrMoveRootCaption, app::kStrMovingLibrary, total);
    bool ok = carrier.carryAll(plan.libraries);
    // The plain files of the old root follow, replacing any of the same name.
    for (std::size_t i = 0; ok && i < rootFiles.size(); ++i)
        ok = carrier.carryFile(joinPath(old, rootFiles[i]), joinPath(root, rootFiles[i]), true) && carrier.stepped(1);
    if (ok) ok = carrier.flush();
    if (!ok) {
        carrier.takeBack();
        return out;
    }
    if (c.wait)
        c.wait->show(app::text(app::kStrRebuilding), app::text(app::kStrLibraryRebuilt), app::text(app::kStrPleaseWait));
    // The records follow their folders; the index naming the new places and
    // the setting naming the new root are saved before any old file goes.
    DocumentCopy before(c.doc);
    std::vector<std::string> keys;
    // Found before any path changes: the look-up relies on the list's order.
    std::vector<library::CAlbumData*> albums;
    for (const Planned& p : plan.libraries) albums.push_back(c.doc.findLibrary(p.location));
    for (std::size_t i = 0; i < plan.libraries.size(); ++i) {
        const Planned& p = plan.libraries[i];
        library::CAlbumData* album = albums[i];
        if (!album) continue;
        album->folderPath = p.target;
        album->indexPagePath = joinPath(p.target, library::kIndexPageName);
        const std::string prefix = p.location + "/";
        for (const auto& image : c.doc.images())
            if (image->imagePath().starts_with(prefix))
                image->setImagePath(p.target + "/" + std::string(image->imagePath().substr(prefix.size())));
        keys.push_back(libraryKey(p.target));
    }
    c.doc.pathsChanged();
    const auto& key = app::setting::SaveFolder;
    // The old root goes once committed, when the move left nothing in it.
    run.journal().cleanOnCommit(old);
    if (!run.journal().settingOnCommit(key.section, key.key, root) ||
        !run.refreshSite(keys) || !run.commitIndex(joinPath(root, library::kIndexFileName))) {
        carrier.fail(c.indexPath, errno);
        before.restore(c.doc);
        if (c.wait) c.wait->close();
        carrier.takeBack();
        return out;
    }
    c.settings.set(key, root);
    result.keptInPlace = run.finish().sourcesKept;
    if (c.wait) c.wait->close();
    c.progress.end();
    return out;
}

}  // namespace lumbrel::maintenance
