#pragma once
// The start-up and exit of the program without its window: one copy per user,
// the settings, the program and save folders, the reconciliation of the index
// with its save-folder copy, the conversion and opening of the index (falling
// back to generation 1), the template check, the automatic-loading request,
// the watcher and its autostart entry, and at exit the index generations.
// The front ends add their windows around it.

#include <memory>
#include <string>

#include "app/services.h"
#include "app/settings.h"
#include "library/album_doc.h"
#include "platform/profile.h"
#include "platform/single_instance.h"

namespace lumbrel::app {

inline constexpr std::string_view kWindowClass = "KDLumbrel!Main";
inline constexpr std::string_view kRequestFileName = "Lumbrel.tmp";
inline constexpr std::string_view kWatcherProgram = "Lmauto";
inline constexpr std::string_view kPluginsFolder = "Plugins";

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
};

enum class StartupResult {
    Started,
    AnotherCopyRunning,  ///< a first copy was asked to come forward; this one ends
    FolderInUse,         ///< another copy holds the program folder
    AutoLoadFailed,      ///< the automatic load of a pending request failed
};

/// Where the document came from.
enum class IndexSource { IndexFile, Generation1, Empty };

/// What start-up did, for the front ends' messages and for tests.
struct StartupReport {
    bool copiedFromSaveFolder = false;  ///< the save-folder copy replaced the index file
    IndexSource source = IndexSource::Empty;
    bool relocated = false;             ///< the relocation to the save folder succeeded
    bool indexOpened = false;
    /// Why the index file or generation 1 could not be read (empty when they could).
    std::string indexProblem;
    bool templateReset = false;         ///< the template settings were chosen anew
    bool autoLoaded = false;
    bool watcherStarted = false;
    bool autostartCreated = false;
    bool newSiteWritten = false;
};

class Application {
public:
    Application(platform::Profile& profile, StartupOptions options, StartupServices services = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    StartupResult start();
    /// Ends the run: when the document was saved during it, makes the index
    /// generations and refreshes the save-folder copy. Called by the destructor
    /// when the front end has not.
    void exit();

    library::CKDCardAlbumDoc& document() { return doc_; }
    Settings& settings() { return settings_; }
    const std::string& programFolder() const { return options_.programFolder; }
    const std::string& indexPath() const { return indexPath_; }
    std::string saveFolder() const { return settings_.saveFolder(); }
    bool automaticLoading() const { return automaticLoading_; }
    const StartupReport& report() const { return report_; }
    /// The instance socket of the first copy, for the front end's raise requests.
    platform::SingleInstance* instance() { return instance_.get(); }

    /// Saves the document to the index file.
    bool saveIndex();

private:
    void settleSaveFolder();
    void openIndex(bool copiedFromSaveFolder);
    /// Reads path into the document; false (and the reason in the report) when
    /// it is missing or cannot be read.
    bool tryOpen(const std::string& path);
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
    StartupReport report_;
};

}  // namespace lumbrel::app
