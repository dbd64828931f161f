#include "camera/image_loader.h"

#include <algorithm>
#include <cstdlib>

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

constexpr std::size_t kTitleCharacters = 40;
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

// Removes folder and its subfolders when they hold no file at any depth.
// Files are never deleted: a folder that still holds one simply stays.
void removeEmptyTree(const std::string& folder) {
    if (const auto entries = platform::listDirectory(folder))
        for (const auto& entry : *entries)
            if (entry.isDirectory) removeEmptyTree(joinPath(folder, entry.name));
    platform::removeDirectory(folder);
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
        // Out of memory or the like: take the run back like any failed step.
        rollBack();
        return LoadResult::Failed;
    }
}

LoadResult ImageLoader::loadOtherImages(const std::vector<std::string>& folders, int choice) {
    app::BusyScope busy;
    try {
        mode_ = choice == 1 ? TransferMode::Move : TransferMode::Copy;
        return runOther(folders);
    } catch (...) {
        rollBack();
        return LoadResult::Failed;
    }
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
            for (const auto& sub : loadableSubfolders(source, false))
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
    if (!undo_.makeFolder(library)) {
        // The configured root refuses: the library goes to the default root.
        root_ = joinPath(c_.settings.programFolder(), kDefaultRootName);
        if (!makeFolders(root_)) return finish({});
        library = newLibraryFolder(key);
        if (!undo_.makeFolder(library)) {
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
        for (int n = 1; platform::exists(target) || !undo_.makeFolder(target); ++n) {
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
        if (!undo_.makeFolder(*it)) return false;
    return true;
}

bool ImageLoader::openRoot() {
    root_ = c_.settings.saveFolder();
    if (makeFolders(root_)) return true;
    root_ = joinPath(c_.settings.programFolder(), kDefaultRootName);
    if (makeFolders(root_)) return true;
    fail();
    return false;
}

void ImageLoader::beginProgress(std::string_view caption, std::size_t total) {
    c_.progress.begin(caption, app::text(mode_ == TransferMode::Move ? app::kStrMoving : app::kStrCopying), total);
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
        if (!media::isMovieName(file)) {
            undated_.push_back(file);  // dealt with after all sources
            return;
        }
        time = fileTimeText(file);  // a movie is dated by its file
        if (!time) {
            fail();
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
    if (free.samePicture) {
        ++report_.samePictures;
        step();
        return;
    }
    if (free.path.empty()) {
        fail();
        return;
    }
    if (!album) {
        if (!undo_.makeFolder(folder)) {
            fail();
            return;
        }
        album = &addNewLibrary(folder);
    }
    int turn = 0;
    if (!transfer(file, free.path, true, turn)) {
        fail();
        return;
    }
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
    if (!undo_.makeFolder(library)) {
        fail();
        return;
    }
    library::CAlbumData& album = addNewLibrary(library);
    titles_.push_back({library, titleFolderText(source)});
    // The library takes the subfolder form: one folder per source subfolder.
    for (const auto& sub : loadableSubfolders(source, true)) {
        const std::string target = joinPath(library, lastComponent(sub.path));
        if (!undo_.makeFolder(target)) {
            fail();
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
        const std::string dest = joinPath(target, destinationName(lastComponent(file)));
        // No free name is searched here: a copy replaces a file of the same
        // name, a move refuses to (transfer fails).
        const std::string time = recordingTime(file);
        int turn = 0;
        if (!transfer(file, dest, true, turn)) {
            fail();
            return;
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

void ImageLoader::carryPages(const std::string& sourceSub, const std::string& target, library::CAlbumData& album) {
    // The camera's own pages travel with the pictures, to the same places.
    std::vector<std::string> files = library::pageFiles(sourceSub);
    if (const auto entries = platform::listDirectory(sourceSub))
        for (const auto& entry : *entries)
            if (!entry.isDirectory && isPageCompanion(entry.name)) files.push_back(joinPath(sourceSub, entry.name));
    for (const std::string& file : files) {
        const std::string dest = joinPath(target, std::string_view(file).substr(sourceSub.size() + 1));
        int turn = 0;
        if (!makeFolders(std::string(platform::parentPath(dest))) || !transfer(file, dest, false, turn)) {
            fail();
            return;
        }
        album.totalSize = low32(static_cast<std::uint64_t>(album.totalSize) + sizeOf(dest));
    }
}

// ---- One file -----------------------------------------------------------------

bool ImageLoader::transfer(const std::string& source, const std::string& dest, bool mayRotate, int& turn) {
    turn = 0;
    if (platform::exists(dest)) {
        if (mode_ == TransferMode::Move || !undo_.setAside(dest)) return false;
    }
    // A picture to be turned upright is copied, even in move mode, and turned
    // in its library place afterwards: the card keeps the picture as it was
    // until the run is committed, whatever happens.
    if (mayRotate && rotate_ && !media::isMovieName(source) && platform::isReadOnly(source) == false) {
        const int code = media::readOrientationFile(source);
        if (code >= 1 && code <= 3) turn = code;
    }
    if (mode_ == TransferMode::Move && turn == 0) {
        switch (platform::renameNoReplace(source, dest)) {
        case platform::RenameResult::Renamed: undo_.fileMoved(source, dest); return true;
        case platform::RenameResult::Failed: return false;
        case platform::RenameResult::OtherFileSystem: break;
        }
    }
    undo_.fileCreated(dest);
    // Size-checked now; flushed to the disk with all the others before the
    // index names it (finish), so the disk writes it back while the load goes on.
    if (!platform::copyFile(source, dest, false)) return false;
    unflushed_.push_back(dest);
    if (mode_ == TransferMode::Move) undo_.deleteOnCommit(source);
    return true;
}

std::int64_t ImageLoader::recordImage(const std::string& dest, const std::string& time, const std::string& folder,
                                      const std::string& library, int turn) {
    const std::uint64_t size = sizeOf(dest);
    library::CPhotoData record;
    record.setImagePath(dest);
    record.setRecordingDate(time);
    record.setFileSize(low32(size));

    const std::string previewFolder = joinPath(folder, library::kPreviewFolder);
    if (!undo_.makeFolder(previewFolder)) {
        fail();
        return 0;
    }
    const std::string preview = joinPath(previewFolder, previewName(lastComponent(dest)));
    if (platform::exists(preview) && !undo_.setAside(preview)) {
        fail();
        return 0;
    }
    undo_.fileCreated(preview);
    pictures_.submit(dest, turn, preview, library, size);

    c_.doc.addImage(std::move(record));
    loaded_.push_back(dest);
    ++report_.loaded;
    return static_cast<std::int64_t>(size);
}

void ImageLoader::collectPreviews() {
    for (const PictureQueue::Made& made : pictures_.finish()) {
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
    if (stop_ != Stop::None) {
        const bool failed = stop_ == Stop::Failed;
        rollBack();
        if (failed) c_.prompt.showMessage(app::kMsgWriteError, app::text(app::kMsgWriteError));
        return failed ? LoadResult::Failed : LoadResult::Cancelled;
    }
    collectPreviews();
    if (folderMode_ && c_.settings.get(app::setting::InputTitle) == 0) askTitles();
    // Every copy is on the disk before the index names it and before any
    // source of a move goes.
    if (!platform::flushFiles(unflushed_) || !library::saveIndexFile(c_.doc, c_.indexPath)) {
        rollBack();
        c_.prompt.showMessage(app::kMsgWriteError, app::text(app::kMsgWriteError));
        return LoadResult::Failed;
    }
    // The index names the new places: only now do the sources of moves go.
    report_.sourcesKept = undo_.commit();
    cleanSources(movedFrom);
    writePages();
    openPages();
    return LoadResult::Loaded;
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
    // libraries gone. Then the files, then the folders.
    for (const std::string& path : loaded_) c_.doc.removeImage(path);
    for (const auto& [folder, original] : originals_)
        if (library::CAlbumData* album = c_.doc.findLibrary(folder)) *album = original;
    for (const std::string& folder : newLibraries_) c_.doc.removeLibrary(folder);
    report_.notRestored = undo_.rollBack();
    report_.loaded = 0;
    loaded_.clear();
    originals_.clear();
    newLibraries_.clear();
    touched_.clear();
}

void ImageLoader::cleanSources(const std::vector<std::string>& sources) {
    // Subfolders the move has emptied go; any file left (not loaded, or a
    // source that could not be deleted) keeps its folder.
    for (const std::string& source : sources) {
        const bool dcim = isDcimSource(source);
        const auto entries = platform::listDirectory(source);
        if (!entries) continue;
        for (const auto& entry : *entries)
            if (entry.isDirectory && (!dcim || isDcfFolderName(entry.name)))
                removeEmptyTree(joinPath(source, entry.name));
    }
}

void ImageLoader::writePages() {
    if (touched_.empty()) return;
    const app::Settings& s = c_.settings;
    if (c_.wait)
        c_.wait->show(app::text(app::kStrCreatingHtml), app::text(app::kStrHtmlBeingCreated),
                      app::text(app::kStrPleaseWait));
    const std::string dllPath = s.get(app::setting::DllPath);
    bool sizesChanged = false;
    std::vector<std::string> keys;
    for (const std::string& folder : touched_) {
        keys.emplace_back(lastComponent(folder));
        std::int32_t before = 0, after = 0;
        if (!folderMode_) library::pageFiles(folder, &before);
        if (!web::writeAlbumPages(s, c_.doc, folder, dllPath, s.get(app::setting::TemplateTypeNo),
                                  s.get(app::setting::TemplateBackNo)))
            ++report_.pagesFailed;
        if (folderMode_) continue;
        // The library's size follows its regenerated pages.
        library::pageFiles(folder, &after);
        library::CAlbumData* album = c_.doc.findLibrary(folder);
        if (album && before != after) {
            album->totalSize = low32(static_cast<std::uint64_t>(album->totalSize) - static_cast<std::uint32_t>(before) +
                                     static_cast<std::uint32_t>(after));
            sizesChanged = true;
        }
    }
    if (c_.site) {
        c_.site->removePass(keys);  // a library new to the pages has no row to remove
        report_.siteFailed = !c_.site->addPass(keys);
    }
    // The pictures are in and indexed; a failure here only leaves the sizes
    // of the last save.
    if (sizesChanged) library::saveIndexFile(c_.doc, c_.indexPath);
    if (c_.wait) c_.wait->close();
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
