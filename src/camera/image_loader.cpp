#include "camera/image_loader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/busy_flag.h"
#include "app/strings.h"
#include "camera/camera_folders.h"
#include "camera/free_name.h"
#include "camera/loadable_files.h"
#include "camera/recording_time.h"
#include "library/index_file.h"
#include "library/library_folder.h"
#include "library/library_key.h"
#include "media/jpeg_orientation.h"
#include "media/preview.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "web/plugin_host.h"

namespace lumbrel::camera {

using platform::joinPath;
using platform::lastComponent;

namespace {

constexpr std::string_view kLibraryPage = "library.htm";
constexpr std::string_view kDefaultRootName = "Image Library";

std::int32_t low32(std::uint64_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

std::uint64_t sizeOf(const std::string& path) { return platform::fileSize(path).value_or(0); }

// The preview of a movie is a JPEG: its name ends in "JPG" instead of "AVI".
std::string previewName(std::string_view name) {
    std::string out = destinationName(name);
    if (media::isMovieName(out)) out.replace(out.size() - 3, 3, "JPG");
    return out;
}

// How the title dialog shows a source folder: whole up to 30 bytes, else its
// start, "..." and the shortest tail of at least 25 bytes.
std::string titleFolderText(std::string_view path) {
    return platform::shortenMiddle(path, 30, path.starts_with('/') ? 2 : 3, 25);
}

bool isPageCompanion(std::string_view name) {
    return platform::endsWithNoCase(name, "HTM") || platform::equalNoCase(name, "KDCAM.KDS");
}

std::string reason(int error) { return error ? std::strerror(error) : "unknown error"; }

std::string saveCopyPath(const app::Settings& settings) {
    return joinPath(settings.saveFolder(), library::kIndexFileName);
}

}  // namespace

std::string firstCharacters(std::string_view text, std::size_t count) {
    std::size_t starts = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80 && starts++ == count) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

// ---- The run ----------------------------------------------------------------

LoadResult ImageLoader::loadCamera(const std::vector<std::string>& sources, std::string_view progressCaption) {
    app::BusyScope busy;
    try {
        return runCamera(sources, progressCaption);
    } catch (...) {
        return failedByException();
    }
}

LoadResult ImageLoader::loadOtherImages(const std::vector<std::string>& folders, int choice) {
    app::BusyScope busy;
    try {
        mode_ = choice == 1 ? TransferMode::Move : TransferMode::Copy;
        return runOther(folders);
    } catch (...) {
        return failedByException();
    }
}

LoadResult ImageLoader::failedByException() {
    // Out of memory or the like. Before the commit point the run is taken
    // back like any failed step. After it the index names the new files, so
    // nothing may be taken back: the journal stays, and the next start
    // finishes the pages.
    if (committed_) {
        ++report_.pagesFailed;
        return LoadResult::Loaded;
    }
    rollBack();
    return LoadResult::Failed;
}

void ImageLoader::readSettings() {
    const app::Settings& s = c_.settings;
    folderMode_ = s.get(app::setting::Classitication) == 1;
    rotate_ = s.get(app::setting::ImageRotation) == 0;
    template_ = s.get(app::setting::TemplateType) + "," + s.get(app::setting::TemplateBackCol);
}

LoadResult ImageLoader::runCamera(const std::vector<std::string>& sources, std::string_view caption) {
    readSettings();
    mode_ = c_.transfer.value_or(c_.settings.get(app::setting::CopyImage) == 1 ? TransferMode::Move
                                                                              : TransferMode::Copy);
    if (countLoadable(sources, folderMode_) == 0) {
        c_.prompt.showMessage(app::kMsgNoImagesFound, app::text(app::kMsgNoImagesFound));
        return LoadResult::NothingToLoad;
    }
    // Folder mode: the load date of every source is asked before anything is copied.
    std::vector<std::pair<std::string, std::string>> planned;  // source, key
    for (const std::string& source : sources) {
        if (!folderMode_) {
            planned.emplace_back(source, std::string());
            continue;
        }
        const std::string shown = sources.size() > 1 ? toUpper(source) : std::string();
        if (auto key = c_.prompt.askLoadDate(shown, true)) planned.emplace_back(source, std::move(*key));
    }
    if (planned.empty()) return LoadResult::Cancelled;
    std::vector<std::string> kept;
    for (const auto& [source, key] : planned) kept.push_back(source);

    if (!openRoot()) return finish({});
    beginProgress(caption.empty() ? app::text(app::kStrLoadCaption) : caption, countLoadable(kept, folderMode_));
    for (const auto& [source, key] : planned) {
        if (folderMode_) {
            loadIntoNewLibrary(source, key);
        } else {
            for (const auto& sub : loadableSubfolders(source, false, &report_.unreadableFolders))
                for (const std::string& file : sub.files) {
                    if (stop_ != Stop::None) break;
                    loadByDate(file);
                }
        }
        if (stop_ != Stop::None) break;
    }
    if (stop_ == Stop::None && !folderMode_) handleUndated();
    return finish(mode_ == TransferMode::Move ? kept : std::vector<std::string>{});
}

LoadResult ImageLoader::runOther(const std::vector<std::string>& folders) {
    readSettings();
    std::size_t total = 0;
    for (const std::string& folder : folders) total += imageFilesIn(folder).size();
    if (total == 0) {
        c_.prompt.showMessage(app::kMsgNoImagesFound, app::text(app::kMsgNoImagesFound));
        return LoadResult::NothingToLoad;
    }
    std::string key;
    if (folderMode_) {
        auto chosen = c_.prompt.askLoadDate({}, true);
        if (!chosen) return LoadResult::Cancelled;
        key = std::move(*chosen);
    }
    if (!openRoot()) return finish({});
    beginProgress(app::text(app::kStrLoadOtherCaption), total);

    if (!folderMode_) {
        for (const std::string& folder : folders)
            for (const std::string& file : imageFilesIn(folder)) {
                if (stop_ != Stop::None) break;
                loadByDate(file);
            }
        if (stop_ == Stop::None) handleUndated();
        return finish({});
    }

    std::string library = newLibraryFolder(key);
    if (!journal_.makeFolder(library)) {
        // The configured root refuses: the library goes to the default root.
        root_ = joinPath(c_.settings.programFolder(), kDefaultRootName);
        if (!makeFolders(root_)) return finish({});
        library = newLibraryFolder(key);
        if (!journal_.makeFolder(library)) {
            fail();
            return finish({});
        }
    }
    library::CAlbumData& album = addNewLibrary(library);
    for (const std::string& folder : folders) {
        // One subfolder per chosen folder, named after it; "_1", "_2", ... when
        // that name is taken.
        const std::string name(lastComponent(folder));
        std::string target = joinPath(library, name);
        for (int n = 1; platform::exists(target) || !journal_.makeFolder(target); ++n) {
            if (n > 1000) {
                fail();
                return finish({});
            }
            target = joinPath(library, name + "_" + std::to_string(n));
        }
        loadFilesInto(imageFilesIn(folder), target, album);
        if (stop_ != Stop::None) break;
    }
    titles_.push_back({library, titleFolderText(library)});
    return finish({});
}

bool ImageLoader::makeFolders(const std::string& folder) {
    // Every missing level, from the top, each logged so that a roll-back
    // removes what the run made.
    std::vector<std::string> missing;
    for (std::string level = folder; !level.empty() && !platform::isDirectory(level);
         level = std::string(platform::parentPath(level)))
        missing.push_back(level);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (!journal_.makeFolder(*it)) return false;
    return true;
}

bool ImageLoader::openRoot() {
    // Nothing has changed until now; from here on every change is journaled.
    if (!journal_.open(journalPath(), folderMode_)) {
        failWith(journalPath(), errno);
        return false;
    }
    root_ = c_.settings.saveFolder();
    if (makeFolders(root_)) return true;
    root_ = joinPath(c_.settings.programFolder(), kDefaultRootName);
    if (makeFolders(root_)) return true;
    failWith(root_, errno);
    return false;
}

std::string ImageLoader::journalPath() const {
    return joinPath(c_.settings.programFolder(), app::kJournalFileName);
}

void ImageLoader::failWith(const std::string& path, int error) {
    if (report_.failure.empty()) report_.failure = path + ": " + reason(error);
    fail();
}

void ImageLoader::unreadable(const std::string& file, int error) {
    report_.unreadable.emplace_back(file, reason(error));
}

void ImageLoader::beginProgress(std::string_view caption, std::size_t total) {
    c_.progress.begin(caption, app::text(mode_ == TransferMode::Move ? app::kStrMoving : app::kStrCopying), total);
    if (c_.progress.cancelled()) stop_ = Stop::Cancelled;  // suspended before the first file
}

void ImageLoader::step() {
    c_.progress.step(++done_);
    if (stop_ == Stop::None && c_.progress.cancelled()) stop_ = Stop::Cancelled;
}

// ---- Sort by recording date -----------------------------------------------

library::CAlbumData* ImageLoader::findByKey(std::string_view key) {
    for (const auto& album : c_.doc.albums())
        if (platform::equalNoCase(lastComponent(album->folderPath), key)) return album.get();
    return nullptr;
}

void ImageLoader::loadByDate(const std::string& file) {
    std::optional<std::string> time = embeddedDate(file);
    if (!time) {
        // A picture without a date may be one that cannot be read at all.
        if (const int error = platform::openError(file)) {
            unreadable(file, error);
            step();
            return;
        }
        if (!media::isMovieName(file)) {
            undated_.push_back(file);  // dealt with after all sources
            return;
        }
        time = fileTimeText(file);  // a movie is dated by its file
        if (!time) {
            unreadable(file, errno);
            step();
            return;
        }
    }
    placeByKey(file, time->substr(0, 8), *time);
}

void ImageLoader::placeByKey(const std::string& file, const std::string& key, const std::string& time) {
    library::CAlbumData* album = findByKey(key);
    const std::string folder = album ? album->folderPath : joinPath(root_, key);
    const std::string name = destinationName(lastComponent(file));
    const FreeName free = findFreeName(folder, name, time);
    // The same picture, already in the library folder: loaded again only when
    // the index does not name it (left there by a run that was stopped), and
    // then by making its record, not by copying it again.
    const bool adopt = free.samePicture && !c_.doc.findImage(free.path) && placed_.count(free.path) == 0;
    if (free.samePicture && !adopt) {
        ++report_.samePictures;
        step();
        return;
    }
    if (free.path.empty()) {
        failWith(joinPath(folder, name), ENAMETOOLONG);
        return;
    }
    const bool newLibrary = album == nullptr;
    const bool newFolder = !platform::isDirectory(folder);
    if (!album) {
        if (!journal_.makeFolder(folder)) {
            failWith(folder, errno);
            return;
        }
        album = &addNewLibrary(folder);
    }
    const std::string preview = previewPath(folder, free.path);
    int turn = 0;
    const Placed placed = adopt ? (preparePreview(preview) && journal_.sync() ? Placed::Done : Placed::Failed)
                                : transfer(file, free.path, preview, true, turn);
    if (placed == Placed::Failed) {
        fail();
        return;
    }
    if (placed == Placed::Unreadable) {
        // Nothing of it reached the library: a library made for it goes again.
        if (newLibrary) {
            c_.doc.removeLibrary(folder);
            newLibraries_.pop_back();
            if (newFolder) journal_.dropFolder(folder);
        }
        step();
        return;
    }
    if (adopt) ++report_.adopted;
    remember(*album);
    album->templateName = template_;
    ++album->imageCount;
    const std::int64_t bytes = recordImage(free.path, time, folder, album->folderPath, turn);
    if (stop_ != Stop::None) return;
    album->totalSize = low32(static_cast<std::uint64_t>(album->totalSize) + static_cast<std::uint64_t>(bytes));
    touch(folder);
    step();
}

void ImageLoader::handleUndated() {
    while (!undated_.empty() && stop_ == Stop::None) {
        const UndatedChoice choice = c_.prompt.askUndated();
        if (choice == UndatedChoice::Cancel) break;
        if (choice == UndatedChoice::FileDate) {
            // A file time outside the plausible range dates nothing: that file
            // stays undated and the question comes again.
            std::vector<std::string> left;
            for (const std::string& file : undated_) {
                const auto time = fileTimeText(file);
                if (stop_ == Stop::None && time && isPlausibleFileTime(*time))
                    placeByKey(file, time->substr(0, 8), *time);
                else
                    left.push_back(file);
            }
            undated_ = std::move(left);
            continue;
        }
        const auto key = c_.prompt.askLoadDate({}, false);
        if (!key) break;
        for (const std::string& file : undated_) {
            if (stop_ != Stop::None) break;
            placeByKey(file, *key, fileTimeText(file).value_or(*key + "000000"));
        }
        undated_.clear();
    }
    report_.undatedLeft = undated_.size();
    // Cancelled before anything was loaded: the run ends there.
    if (stop_ == Stop::None && !undated_.empty() && loaded_.empty() && newLibraries_.empty())
        stop_ = Stop::Cancelled;
}

// ---- Sort by source folder ----------------------------------------------------

std::string ImageLoader::newLibraryFolder(const std::string& key) const {
    // A number the index does not use yet, and a folder that does not exist:
    // the run never mixes its files into a folder it did not make.
    std::string name = library::uniqueKey(key, c_.doc);
    const std::size_t cut = name.rfind('_');
    int n = std::atoi(name.c_str() + cut + 1);
    while (platform::exists(joinPath(root_, name)) ||
           std::any_of(newLibraries_.begin(), newLibraries_.end(),
                       [&](const std::string& f) { return platform::equalNoCase(lastComponent(f), name); }))
        name = key + "_" + std::to_string(++n);
    return joinPath(root_, name);
}

void ImageLoader::loadIntoNewLibrary(const std::string& source, const std::string& key) {
    const std::string library = newLibraryFolder(key);
    if (!journal_.makeFolder(library)) {
        failWith(library, errno);
        return;
    }
    library::CAlbumData& album = addNewLibrary(library);
    titles_.push_back({library, titleFolderText(source)});
    // The library takes the subfolder form: one folder per source subfolder.
    for (const auto& sub : loadableSubfolders(source, true, &report_.unreadableFolders)) {
        const std::string target = joinPath(library, lastComponent(sub.path));
        if (!journal_.makeFolder(target)) {
            failWith(target, errno);
            return;
        }
        loadFilesInto(sub.files, target, album);
        if (stop_ != Stop::None) return;
        if (mode_ == TransferMode::Move) carryPages(sub.path, target, album);
        if (stop_ != Stop::None) return;
    }
}

void ImageLoader::loadFilesInto(const std::vector<std::string>& files, const std::string& target,
                                library::CAlbumData& album) {
    for (const std::string& file : files) {
        const std::string dest = unplacedName(joinPath(target, destinationName(lastComponent(file))));
        // No free name is searched here: a copy replaces a file of the same
        // name, a move refuses to (transfer fails).
        const std::string time = recordingTime(file);
        int turn = 0;
        switch (transfer(file, dest, previewPath(target, dest), true, turn)) {
        case Placed::Done: break;
        case Placed::Unreadable:
            step();
            if (stop_ != Stop::None) return;
            continue;
        case Placed::Failed: fail(); return;
        }
        ++album.imageCount;
        const std::int64_t bytes = recordImage(dest, time, target, album.folderPath, turn);
        if (stop_ != Stop::None) return;
        album.totalSize = low32(static_cast<std::uint64_t>(album.totalSize) + static_cast<std::uint64_t>(bytes));
        touch(album.folderPath);
        step();
        if (stop_ != Stop::None) return;
    }
}

std::string ImageLoader::unplacedName(const std::string& dest) const {
    if (placed_.count(dest) == 0) return dest;
    const std::string folder(platform::parentPath(dest));
    const std::string_view name = lastComponent(dest);
    for (int n = 1;; ++n) {
        std::string candidate = joinPath(folder, candidateName(name, n));
        if (placed_.count(candidate) == 0 && !platform::exists(candidate)) return candidate;
    }
}

void ImageLoader::carryPages(const std::string& sourceSub, const std::string& target, library::CAlbumData& album) {
    // The camera's own pages travel with the pictures, to the same places.
    std::vector<std::string> files = library::pageFiles(sourceSub);
    if (const auto entries = platform::listDirectory(sourceSub))
        for (const auto& entry : *entries)
            if (!entry.isDirectory && isPageCompanion(entry.name)) files.push_back(joinPath(sourceSub, entry.name));
    for (const std::string& file : files) {
        const std::string dest = joinPath(target, std::string_view(file).substr(sourceSub.size() + 1));
        int turn = 0;
        if (!makeFolders(std::string(platform::parentPath(dest)))) {
            failWith(dest, errno);
            return;
        }
        const Placed placed = transfer(file, dest, {}, false, turn);
        if (placed == Placed::Unreadable) continue;
        if (placed == Placed::Failed) {
            fail();
            return;
        }
        album.totalSize = low32(static_cast<std::uint64_t>(album.totalSize) + sizeOf(dest));
    }
}

// ---- One file -----------------------------------------------------------------

ImageLoader::Placed ImageLoader::transfer(const std::string& source, const std::string& dest,
                                          const std::string& preview, bool mayRotate, int& turn) {
    turn = 0;
    if (platform::exists(dest)) {
        if (mode_ == TransferMode::Move) {
            failWith(dest, EEXIST);
            return Placed::Failed;
        }
        if (!journal_.setAside(dest)) {
            failWith(dest, errno);
            return Placed::Failed;
        }
    }
    // Journaled before either is made; one flush of the journal for both.
    if (!journal_.willCreate(dest) || (!preview.empty() && !preparePreview(preview)) || !journal_.sync()) {
        failWith(journalPath(), errno);
        return Placed::Failed;
    }
    // A picture to be turned upright is copied, even in move mode, and turned
    // in its library place afterwards: the card keeps the picture as it was
    // until the run is committed, whatever happens.
    if (mayRotate && rotate_ && !media::isMovieName(source) && platform::isReadOnly(source) == false) {
        const int code = media::readOrientationFile(source);
        if (code >= 1 && code <= 3) turn = code;
    }
    if (mode_ == TransferMode::Move && turn == 0) {
        // On one file system the library gets a second name of the card
        // file; the card's name goes only once the run is committed.
        switch (platform::linkFile(source, dest)) {
        case platform::LinkResult::Linked: {
            const auto identity = platform::fileIdentity(source);
            if (identity && journal_.moveOnCommit(source, dest, *identity)) {
                unflushed_.push_back(dest);  // the new name, in its folder, is on the disk before the index
                placed_.insert(dest);
                return Placed::Done;
            }
            failWith(source, errno);
            return Placed::Failed;
        }
        case platform::LinkResult::Failed:
            if (errno == EACCES || errno == EIO) {
                unreadable(source, errno);
                return Placed::Unreadable;
            }
            failWith(dest, errno);
            return Placed::Failed;
        case platform::LinkResult::Unsupported: break;
        }
    }
    // Size-checked now; flushed to the disk with all the others before the
    // index names it (commit), so the disk writes it back while the load goes on.
    const platform::CopyResult copied = platform::copyFileChecked(source, dest, false);
    if (copied.status == platform::CopyResult::Status::SourceUnreadable) {
        unreadable(source, copied.error);
        return Placed::Unreadable;
    }
    if (!copied.ok()) {
        failWith(dest, copied.error);
        return Placed::Failed;
    }
    unflushed_.push_back(dest);
    placed_.insert(dest);
    if (mode_ == TransferMode::Move && !journal_.moveOnCommit(source, dest, copied.source)) {
        failWith(journalPath(), errno);
        return Placed::Failed;
    }
    return Placed::Done;
}

std::string ImageLoader::previewPath(const std::string& folder, const std::string& dest) {
    return joinPath(joinPath(folder, library::kPreviewFolder), previewName(lastComponent(dest)));
}

bool ImageLoader::preparePreview(const std::string& preview) {
    if (platform::exists(preview) && !journal_.setAside(preview)) return false;
    return journal_.willCreate(preview);
}

std::int64_t ImageLoader::recordImage(const std::string& dest, const std::string& time, const std::string& folder,
                                      const std::string& library, int turn) {
    const std::uint64_t size = sizeOf(dest);
    library::CPhotoData record;
    record.setImagePath(dest);
    record.setRecordingDate(time);
    record.setFileSize(low32(size));

    // The preview was journaled with its picture (transfer).
    const std::string previewFolder = joinPath(folder, library::kPreviewFolder);
    if (!journal_.makeFolder(previewFolder)) {
        failWith(previewFolder, errno);
        return 0;
    }
    pictures_.submit(dest, turn, previewPath(folder, dest), library, size);

    c_.doc.addImage(std::move(record));
    loaded_.push_back(dest);
    placed_.insert(dest);
    ++report_.loaded;
    return static_cast<std::int64_t>(size);
}

void ImageLoader::collectPreviews() {
    for (const PictureQueue::Made& made : pictures_.finish()) {
        if (!made.made) {
            report_.previewsFailed.push_back(made.picture);
            continue;
        }
        if (library::CAlbumData* album = c_.doc.findLibrary(made.library))
            album->totalSize = low32(static_cast<std::uint64_t>(album->totalSize) + made.bytes);
        unflushed_.push_back(made.preview);
    }
}

library::CAlbumData& ImageLoader::addNewLibrary(const std::string& folder) {
    const app::Settings& s = c_.settings;
    library::CAlbumData album;
    album.folderPath = folder;
    album.indexPagePath = joinPath(folder, library::kIndexPageName);
    album.templateName = template_;
    album.printButton = s.get(app::setting::PrintButton);
    album.attachmentSize = s.get(app::setting::TempSize);
    album.mailSoftware = s.get(app::setting::MailName);
    album.shortcutFlag = 0;
    c_.doc.addLibrary(album);
    newLibraries_.push_back(folder);
    return *c_.doc.findLibrary(folder);
}

void ImageLoader::remember(const library::CAlbumData& album) {
    const auto same = [&](const std::string& f) { return f == album.folderPath; };
    if (std::any_of(newLibraries_.begin(), newLibraries_.end(), same)) return;
    for (const auto& [folder, original] : originals_)
        if (folder == album.folderPath) return;
    originals_.emplace_back(album.folderPath, album);
}

void ImageLoader::touch(const std::string& folder) {
    if (std::find(touched_.begin(), touched_.end(), folder) == touched_.end()) touched_.push_back(folder);
}

// ---- The end of the run -------------------------------------------------------

LoadResult ImageLoader::finish(const std::vector<std::string>& movedFrom) {
    c_.progress.end();
    // A "Suspend" (Ctrl-C, a signal) that came after the last file still
    // takes the run back: nothing is committed yet.
    if (stop_ == Stop::None && c_.progress.cancelled()) stop_ = Stop::Cancelled;
    if (stop_ == Stop::None) {
        collectPreviews();
        if (folderMode_ && c_.settings.get(app::setting::InputTitle) == 0) askTitles();
        if (c_.progress.cancelled()) stop_ = Stop::Cancelled;
    }
    if (stop_ == Stop::None && !commit(movedFrom)) stop_ = Stop::Failed;
    if (stop_ != Stop::None) {
        const bool failed = stop_ == Stop::Failed;
        rollBack();
        if (failed) c_.prompt.showMessage(app::kMsgWriteError, app::text(app::kMsgWriteError));
        return failed ? LoadResult::Failed : LoadResult::Cancelled;
    }
    writePages();
    journal_.close();
    openPages();
    return LoadResult::Loaded;
}

bool ImageLoader::commit(const std::vector<std::string>& movedFrom) {
    // Every copy is on the disk before the index names it and before any
    // source of a move goes.
    if (!platform::flushFiles(unflushed_)) {
        failWith(unflushed_.empty() ? root_ : unflushed_.front(), errno);
        return false;
    }
    // What the finish of the run does, so that a stopped run is finished alike:
    // the card folders a move empties, and the libraries whose pages are written.
    for (const std::string& source : movedFrom) {
        const bool dcim = isDcimSource(source);
        if (const auto entries = platform::listDirectory(source))
            for (const auto& entry : *entries)
                if (entry.isDirectory && (!dcim || isDcfFolderName(entry.name)))
                    journal_.cleanOnCommit(joinPath(source, entry.name));
    }
    for (const std::string& folder : touched_) journal_.pagesToWrite(folder);
    const std::vector<std::uint8_t> bytes = library::serializeIndex(c_.doc);
    const std::string copy = saveCopyPath(c_.settings);
    const std::uint64_t hash = library::indexHash(bytes);
    if (!journal_.savingIndex(hash, c_.indexPath, copy)) {
        failWith(journalPath(), errno);
        return false;
    }
    // A run that brought nothing new leaves the index and its copy untouched.
    const bool unchanged = library::indexFileHash(c_.indexPath) == hash && library::indexFileHash(copy) == hash;
    if (!unchanged && !library::writeIndexBytes(bytes, c_.indexPath, copy)) {
        failWith(c_.indexPath, errno);
        return false;
    }
    // The commit point: the index names the new places. Should the record
    // not reach the disk, the index's bytes tell the same at the next start.
    committed_ = true;
    journal_.committed();
    if (c_.atCommit) c_.atCommit();
    // Only now do the sources of moves go, each while it is still the file copied.
    report_.keptOnCard = journal_.commit().sourcesKept;
    return true;
}

void ImageLoader::askTitles() {
    for (const TitleRequest& request : titles_) {
        const auto title = c_.prompt.askTitle(request.shown);
        library::CAlbumData* album = c_.doc.findLibrary(request.library);
        if (title && !title->empty() && album) album->title = firstCharacters(*title, kTitleCharacters);
    }
}

void ImageLoader::rollBack() {
    // No preview may be written once its files are being taken back.
    pictures_.abandon();
    // The document first: images added, existing libraries as they were, new
    // libraries gone. Then the files and folders, latest first.
    for (const std::string& path : loaded_) c_.doc.removeImage(path);
    for (const auto& [folder, original] : originals_)
        if (library::CAlbumData* album = c_.doc.findLibrary(folder)) *album = original;
    for (const std::string& folder : newLibraries_) c_.doc.removeLibrary(folder);
    report_.notRestored = journal_.rollBack();
    report_.loaded = 0;
    report_.adopted = 0;
    loaded_.clear();
    placed_.clear();
    originals_.clear();
    newLibraries_.clear();
    touched_.clear();
}

void ImageLoader::writePages() {
    const PagesResult pages = writeLibraryPages(c_, touched_, folderMode_, &journal_, {});
    report_.pagesFailed = pages.failed;
    report_.siteFailed = pages.siteFailed;
}

PagesResult writeLibraryPages(LoaderContext& c, const std::vector<std::string>& folders, bool folderMode,
                              app::RunJournal* journal, const std::map<std::string, std::int32_t>& bytesBefore,
                              bool albumPages) {
    PagesResult result;
    if (folders.empty()) return result;
    const app::Settings& s = c.settings;
    if (c.wait)
        c.wait->show(app::text(app::kStrCreatingHtml), app::text(app::kStrHtmlBeingCreated),
                     app::text(app::kStrPleaseWait));
    const std::string dllPath = s.get(app::setting::DllPath);
    bool sizesChanged = false;
    std::vector<std::string> keys;
    for (const std::string& folder : folders) {
        keys.emplace_back(lastComponent(folder));
        if (!albumPages) continue;
        std::int32_t before = 0, after = 0;
        if (!folderMode) {
            const auto known = bytesBefore.find(folder);
            if (known != bytesBefore.end()) before = known->second;
            else library::pageFiles(folder, &before);
            if (journal) journal->writingPages(folder, before);
        }
        if (!web::writeAlbumPages(s, c.doc, folder, dllPath, s.get(app::setting::TemplateTypeNo),
                                  s.get(app::setting::TemplateBackNo)))
            ++result.failed;
        if (folderMode) continue;
        // The library's size follows its regenerated pages.
        library::pageFiles(folder, &after);
        library::CAlbumData* album = c.doc.findLibrary(folder);
        if (album && before != after) {
            album->totalSize = low32(static_cast<std::uint64_t>(album->totalSize) - static_cast<std::uint32_t>(before) +
                                     static_cast<std::uint32_t>(after));
            sizesChanged = true;
        }
    }
    if (c.site) {
        c.site->removePass(keys);  // a library new to the pages has no row to remove
        result.siteFailed = !c.site->addPass(keys);
    }
    // The pictures are in and indexed; a failure here only leaves the sizes
    // of the last save.
    if (sizesChanged) {
        const std::vector<std::uint8_t> bytes = library::serializeIndex(c.doc);
        const std::string copy = saveCopyPath(s);
        if (!journal || journal->savingIndex(library::indexHash(bytes), c.indexPath, copy, true))
            library::writeIndexBytes(bytes, c.indexPath, copy);
    }
    if (c.wait) c.wait->close();
    return result;
}

PagesResult finishInterruptedRun(LoaderContext& context, const app::InterruptedRun& run) {
    app::RunJournal journal;
    // Recorded in the stopped run's journal, so that a stop now resumes here.
    const bool resumed = journal.resume(joinPath(context.settings.programFolder(), app::kJournalFileName));
    return writeLibraryPages(context, run.touched, run.folderMode, resumed ? &journal : nullptr, run.pageBytesBefore,
                             !run.sizesSaved);
}

void ImageLoader::openPages() {
    if (!c_.opener || c_.settings.get(app::setting::ShowLibrary) != 0) return;
    if (!c_.opener->open(joinPath(c_.settings.programFolder(), kLibraryPage)))
        c_.prompt.showMessage(app::kMsgCannotOpenPages, app::text(app::kMsgCannotOpenPages));
}

Pipeline loaderPipeline(LoaderContext& context, LoadResult* last, LoadReport* lastReport) {
    return [&context, last, lastReport](const std::vector<std::string>& sources, std::string_view caption) {
        ImageLoader loader(context);
        const LoadResult result = loader.loadCamera(sources, caption);
        if (last) *last = result;
        if (lastReport) *lastReport = loader.report();
        return result != LoadResult::Failed;
    };
}

}  // namespace lumbrel::camera
