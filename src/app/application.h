#pragma once
// The start-up and exit of the program without its window: one copy per user,
// the settings, the program and save folders, the removal of temporary files
// left by killed runs, the reconciliation of the index with its save-folder
// copy, the conversion and opening of the index (an unreadable one is set aside
// and the backup generations are tried in turn), the template check, the
// automatic-loading request, the watcher and its autostart entry, and at exit
// the index generations. The front ends add their windows around it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/run_journal.h"
#include "app/services.h"
#include "app/settings.h"
#include "library/album_doc.h"
#include "library/index_format.h"
#include "platform/profile.h"
#include "platform/single_instance.h"

namespace lumbrel::app {

inline constexpr std::string_view kWindowClass = "KDLumbrel!Main";
inline constexpr std::string_view kRequestFileName = "Lumbrel.tmp";
inline constexpr std::string_view kWatcherProgram = "Lmauto";
inline constexpr std::string_view kPluginsFolder = "Plugins";
/// Where files received from a serial camera wait in the program folder until
/// the loading pipeline has placed them; what a stopped transfer leaves there
/// is removed at the next start (the camera still holds every file).
inline constexpr std::string_view kReceivedFolder = "Received";

struct StartupOptions {
    std::string programFolder;        ///< resolved by findProgramFolder
    /// Name of the per-user instance socket; empty: no single-instance check
    /// (the CLI, which relies on the program folder lock alone).
    std::string instanceName{kWindowClass};
    bool startWatcher = false;        ///< start the watcher when automatic loading is on
    bool createAutostartEntry = false;
    std::string watcherProgram;       ///< default: installedPart(program folder, "Lmauto")
    std::string autostartFolder;      ///< default: platform::autostartFolder()
};

/// The parts of the program that start-up calls on; null ones are skipped.
struct StartupServices {
    SitePages* site = nullptr;
    TemplateFinder* templates = nullptr;
    AutomaticLoader* autoLoader = nullptr;
    WaitWindow* wait = nullptr;
    RunFinisher* finisher = nullptr;
};

enum class StartupResult {
    Started,
    AnotherCopyRunning,  ///< a first copy was asked to come forward; this one ends
    FolderInUse,         ///< another copy holds the program folder
    AutoLoadFailed,      ///< the automatic load of a pending request failed
};

/// Where the document came from.
enum class IndexSource { IndexFile, Generation, Empty };

/// What start-up did, for the front ends' messages and for tests.
struct StartupReport {
    bool copiedFromSaveFolder = false;  ///< the save-folder copy replaced the index file
    /// Why a save-folder copy that differs from the index was not taken (it does
    /// not open as an index); empty otherwise. The next save overwrites it.
    std::string saveCopyProblem;
    IndexSource source = IndexSource::Empty;
    int generation = 0;                 ///< with IndexSource::Generation: which one, 1 to 5
    bool relocated = false;             ///< the relocation to the save folder succeeded
    bool indexOpened = false;
    /// Why the index file or the generations tried could not be read (empty when
    /// the index file could).
    std::string indexProblem;
    /// Where an index file that could not be read was moved (empty when none was).
    std::string unreadableIndexMovedTo;
    /// The start-up save of the opened index (needed when its bytes changed) failed.
    bool indexSaveFailed = false;
    bool templateReset = false;         ///< the template settings were chosen anew
    bool autoLoaded = false;
    bool watcherStarted = false;
    bool autostartCreated = false;
    bool newSiteWritten = false;
    /// A run that was stopped part-way and replayed at this start.
    InterruptedRun interrupted;
};

class Application {
public:
    Application(platform::Profile& profile, StartupOptions options, StartupServices services = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    StartupResult start();
    /// Ends the run: when the index file changed since the end of start-up, keeps
    /// it as the newest generation. Called by the destructor when the front end
    /// has not.
    void exit();

    library::CKDCardAlbumDoc& document() { return doc_; }
    Settings& settings() { return settings_; }
    const std::string& programFolder() const { return options_.programFolder; }
    const std::string& indexPath() const { return indexPath_; }
    std::string saveFolder() const { return settings_.saveFolder(); }
    /// The save-folder copy of the index (empty when there is no save folder).
    std::string saveCopyPath() const;
    bool automaticLoading() const { return automaticLoading_; }
    const StartupReport& report() const { return report_; }
    /// The instance socket of the first copy, for the front end's raise requests.
    platform::SingleInstance* instance() { return instance_.get(); }

    /// Saves the document to the index file and its save-folder copy.
    bool saveIndex();

private:
    void settleSaveFolder();
    /// Moves an index file that cannot be read aside; returns the document read
    /// from it when it opened as it is.
    std::optional<library::CKDCardAlbumDoc> setAsideUnreadableIndex();
    /// Replaces the index by its save-folder copy when the copy differs or is
    /// the only one, and opens as an index; true when it did.
    bool takeSaveFolderCopy();
    /// parsed: the index file as read earlier, when it is still what is on disk.
    void openIndex(bool copiedFromSaveFolder, std::optional<library::CKDCardAlbumDoc> parsed);
    /// Writes the opened document when its bytes differ from the index file's.
    void saveChangedIndex();
    /// Reads path into the document; false (and the reason in the report) when
    /// it is missing or cannot be read.
    bool tryOpen(const std::string& path);
    void noteProblem(const std::string& path, const library::IndexReadResult& read);
    void checkTemplate();
    std::string inProgramFolder(std::string_view name) const;

    StartupOptions options_;
    StartupServices services_;
    Settings settings_;
    std::unique_ptr<platform::SingleInstance> instance_;
    std::unique_ptr<platform::FolderLock> lock_;
    library::CKDCardAlbumDoc doc_;
    std::string indexPath_;
    bool automaticLoading_ = false;
    bool exited_ = false;
    /// The index file's hash once start-up's own writes are done (nullopt when
    /// there is no index), to tell at exit whether the run changed it; taken
    /// says whether start-up got that far.
    bool startHashTaken_ = false;
    std::optional<std::uint64_t> startHash_;
    StartupReport report_;
};

}  // namespace lumbrel::app
