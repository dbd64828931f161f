#pragma once
// The loading pipeline: brings the pictures and movies of camera folders (or
// of other folders the user chose) into the image library. Each file gets its
// recording date, a library folder (by date, or one new library per source
// folder), its place there by copy or move, its turn upright, its preview and
// its image record; then the index is saved, the pages of the libraries that
// received files are written and the library pages opened.
//
// A run is all or nothing: a failed step (message 59148) or "Suspend" takes
// every change back, on disk and in the document, so that the library, the
// program folder and the card are as before the run. Every change is written
// to the run journal first (app/run_journal.h), so that a run stopped by a
// crash or kill -9 is taken back or finished at the next start. Sources of a
// move leave the card only once the index naming their new places has been
// saved, and only while each is still the file that was copied.
//
// A card file that cannot be read (a damaged card) is left where it is and
// named in the report; the rest of the card is loaded.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/services.h"
#include "app/settings.h"
#include "camera/camera_prompt.h"
#include "camera/loader_prompt.h"
#include "camera/picture_queue.h"
#include "app/run_journal.h"
#include "library/album_doc.h"

namespace lumbrel::camera {

enum class TransferMode { Move = 1, Copy = 2 };

enum class LoadResult {
    Loaded,         ///< the run completed (possibly without a new file: all were there already)
    NothingToLoad,  ///< no loadable file (message 256)
    Cancelled,      ///< the user cancelled; everything was taken back
    Failed,         ///< a step failed (message 59148); everything was taken back
};

/// What a run works with. The pointers may be null: no site pages, no wait
/// window, no opening of the pages.
/// A library title keeps at most this many characters (code points).
inline constexpr std::size_t kTitleCharacters = 40;

struct LoaderContext {
    app::Settings& settings;
    library::CKDCardAlbumDoc& doc;
    LoaderPrompt& prompt;
    Progress& progress;
    std::string indexPath;  ///< the library index file
    app::SitePages* site = nullptr;
    app::WaitWindow* wait = nullptr;
    PageOpener* opener = nullptr;
    /// Replaces the CopyImage setting for camera loads.
    std::optional<TransferMode> transfer{};
    /// Called at the commit point (the index is saved, no card file is
    /// deleted yet); for tests that change the card there.
    std::function<void()> atCommit{};
};

/// What a finished or taken-back run leaves to report.
struct LoadReport {
    std::size_t loaded = 0;          ///< files placed in the library
    std::size_t samePictures = 0;    ///< files skipped as already in the library
    std::size_t undatedLeft = 0;     ///< files without a date that were not loaded
    std::size_t adopted = 0;         ///< files found in the library but not in the index, now in it
    /// Move sources left on the card (loaded): no longer the file that was
    /// copied, or they could not be deleted.
    std::vector<std::string> keptOnCard;
    std::size_t notRestored = 0;     ///< files a roll-back could not put back (they stay complete in the library)
    std::size_t pagesFailed = 0;     ///< libraries whose album pages could not be written
    bool siteFailed = false;         ///< the library-level pages could not be rebuilt
    /// Card files that could not be read, with the reason; left on the card.
    std::vector<std::pair<std::string, std::string>> unreadable;
    /// Card folders that could not be read; their files were not loaded.
    std::vector<std::string> unreadableFolders;
    std::vector<std::string> previewsFailed;  ///< library files without a preview
    /// A failed run: the file or folder that failed and why.
    std::string failure;
};

class ImageLoader {
public:
    explicit ImageLoader(LoaderContext& context) : c_(context) {}
    ImageLoader(const ImageLoader&) = delete;
    ImageLoader& operator=(const ImageLoader&) = delete;

    /// Loads the camera folders (DCIM or marker folders, full paths, in order).
    /// progressCaption replaces the caption "Load images in camera".
    LoadResult loadCamera(const std::vector<std::string>& sources, std::string_view progressCaption = {});
    /// Loads the image files lying directly in folders: choice 0 copies, 1 moves.
    LoadResult loadOtherImages(const std::vector<std::string>& folders, int choice);

    const LoadReport& report() const { return report_; }
    /// The library files placed by the run, in order.
    const std::vector<std::string>& loadedFiles() const { return loaded_; }

private:
    enum class Stop { None, Cancelled, Failed };
    enum class Placed { Done, Unreadable, Failed };
    struct TitleRequest {
        std::string library;
        std::string shown;
    };

    LoadResult runCamera(const std::vector<std::string>& sources, std::string_view caption);
    LoadResult runOther(const std::vector<std::string>& folders);
    void readSettings();
    bool openRoot();
    bool makeFolders(const std::string& folder);
    void beginProgress(std::string_view caption, std::size_t total);

    // Date mode.
    void loadByDate(const std::string& file);
    void placeByKey(const std::string& file, const std::string& key, const std::string& time);
    void handleUndated();
    library::CAlbumData* findByKey(std::string_view key);

    // Folder mode.
    std::string newLibraryFolder(const std::string& key) const;
    void loadIntoNewLibrary(const std::string& source, const std::string& key);
    void loadFilesInto(const std::vector<std::string>& files, const std::string& target,
                       library::CAlbumData& library);
    /// dest, or when this run placed a file there already (two card names
    /// that differ only in the case of their extension), a free name.
    std::string unplacedName(const std::string& dest) const;
    void carryPages(const std::string& sourceSub, const std::string& target, library::CAlbumData& library);

    // One file.
    /// Puts source at dest (and journals preview, when not empty, as a file
    /// to be made); turn receives the orientation code the picture is to be
    /// turned by once there (0: none).
    Placed transfer(const std::string& source, const std::string& dest, const std::string& preview,
                    bool mayRotate, int& turn);
    /// Where the preview of the library file dest goes.
    static std::string previewPath(const std::string& folder, const std::string& dest);
    /// Journals preview as a file to be made (setting an old one aside).
    bool preparePreview(const std::string& preview);
    /// Records the image and hands its turn and preview to the queue; returns
    /// the file's size (the preview's is added to library when it is made).
    std::int64_t recordImage(const std::string& dest, const std::string& time, const std::string& folder,
                             const std::string& library, int turn);
    /// A card file that cannot be read: skipped, left on the card, reported.
    void unreadable(const std::string& file, int error);
    /// Waits for the previews and adds their sizes to their libraries.
    void collectPreviews();
    library::CAlbumData& addNewLibrary(const std::string& folder);
    void remember(const library::CAlbumData& library);
    void touch(const std::string& folder);
    void step();
    void fail() { stop_ = Stop::Failed; }
    LoadResult failedByException();
    std::string journalPath() const;
    /// Fails the run, naming the file and the reason.
    void failWith(const std::string& path, int error);

    // The end of the run.
    /// Takes the run back, or saves the index and completes it; movedFrom are
    /// the camera sources to clean after a move.
    LoadResult finish(const std::vector<std::string>& movedFrom);
    void askTitles();
    void rollBack();
    /// Commits the run: flushes its files, saves the index naming them
    /// (journaled), then deletes what the move leaves behind. False when the
    /// index cannot be saved.
    bool commit(const std::vector<std::string>& movedFrom);
    void writePages();
    void openPages();

    LoaderContext& c_;
    TransferMode mode_ = TransferMode::Copy;
    bool folderMode_ = false;
    bool rotate_ = false;
    std::string template_;
    std::string root_;
    app::RunJournal journal_;
    Stop stop_ = Stop::None;
    bool committed_ = false;  ///< the index naming the run's files is saved
    std::vector<std::string> newLibraries_;
    std::vector<std::string> touched_;
    std::vector<std::pair<std::string, library::CAlbumData>> originals_;  ///< libraries before the run changed them
    std::vector<std::string> undated_;
    std::vector<std::string> loaded_;
    std::set<std::string> placed_;  ///< library files this run placed
    std::vector<std::string> unflushed_;  ///< copies not yet flushed to the disk
    std::vector<TitleRequest> titles_;
    std::size_t done_ = 0;
    LoadReport report_;
    PictureQueue pictures_;  ///< last member: its workers end before the rest goes
};

/// The first count characters of text (a character is a UTF-8 code point; a
/// character is never split).
std::string firstCharacters(std::string_view text, std::size_t count);

/// What writing the pages of libraries came to.
struct PagesResult {
    std::size_t failed = 0;   ///< libraries whose album pages could not be written
    bool siteFailed = false;  ///< the library-level pages could not be rebuilt
};

/// Writes the album pages of the libraries (folder paths) with the template
/// plug-in, then their rows of the site. In date mode each library's total
/// size follows its pages (the size of its page files before, bytesBefore
/// where known, is taken off and the new one added) and the index is saved
/// again when a size changed. journal, when given, records each library
/// before its pages are written and the save. albumPages false: only the rows
/// of the site (the album pages and sizes are done already).
PagesResult writeLibraryPages(LoaderContext& context, const std::vector<std::string>& folders, bool folderMode,
                              app::RunJournal* journal, const std::map<std::string, std::int32_t>& bytesBefore,
                              bool albumPages = true);

/// Finishes the pages of a run that reached its commit point and was stopped
/// (what the start-up's journal replay left to do).
PagesResult finishInterruptedRun(LoaderContext& context, const app::InterruptedRun& run);

/// The pipeline for the camera command and the automatic load: one run of a
/// new ImageLoader per call, false only when the run failed. last, when given,
/// receives each run's result and report.
Pipeline loaderPipeline(LoaderContext& context, LoadResult* last = nullptr, LoadReport* lastReport = nullptr);

}  // namespace lumbrel::camera
