#include "app/application.h"

#include <ctime>

#include "app/busy_flag.h"
#include "app/program_folder.h"
#include "app/relocate_refresh.h"
#include "app/run_journal.h"
#include "app/strings.h"
#include "library/index_file.h"
#include "platform/autostart.h"
#include "platform/files.h"
#include "platform/process.h"

namespace lumbrel::app {

using platform::joinPath;

namespace {

// Whether the file holds an index of the older layout that converts to one
// that opens (start-up converts it before opening it).
bool convertsToIndex(const std::string& path) {
    const auto bytes = platform::readFile(path);
    if (!bytes) return false;
    const library::Conversion conversion = library::convertOlderLayout(*bytes);
    library::CKDCardAlbumDoc doc;
    return conversion.status == library::Conversion::Status::Converted &&
           library::readIndex(conversion.bytes, doc).ok();
}

std::string localTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&now, &local)) std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return text;
}

}  // namespace

Application::Application(platform::Profile& profile, StartupOptions options, StartupServices services)
    : options_(std::move(options)), services_(services), settings_(profile, options_.programFolder),
      indexPath_(joinPath(options_.programFolder, library::kIndexFileName)) {
    if (options_.watcherProgram.empty())
        options_.watcherProgram = installedPart(options_.programFolder, kWatcherProgram);
    if (options_.autostartFolder.empty()) options_.autostartFolder = platform::autostartFolder();
}

Application::~Application() { exit(); }

std::string Application::inProgramFolder(std::string_view name) const {
    return joinPath(options_.programFolder, name);
}

StartupResult Application::start() {
    BusyScope busy;  // the automatic-loading poll waits until start-up is over

    if (!options_.instanceName.empty()) {
        instance_ = std::make_unique<platform::SingleInstance>(options_.instanceName);
        if (!instance_->acquire()) {
            instance_.reset();
            return StartupResult::AnotherCopyRunning;
        }
    }
    lock_ = std::make_unique<platform::FolderLock>(options_.programFolder);
    if (!lock_->locked()) return StartupResult::FolderInUse;
    // A run stopped part-way (a crash, kill -9, a power cut) is taken back or
    // finished before anything else reads or writes the library.
    report_.interrupted = replayJournal(programFolder());
    // A finished run's settings (the new image library root of a move).
    for (const auto& entry : report_.interrupted.settings)
        settings_.profile().writeText(entry[0], entry[1], entry[2]);

    // Files of a serial transfer that was stopped: the replay above has put
    // back what the pipeline had taken from them, and nothing else refers to them.
    platform::deleteTree(inProgramFolder(kReceivedFolder));
    automaticLoading_ = settings_.get(setting::AutoTakeIn) == 0;
    settleSaveFolder();
    // Temporary files of killed runs (index, generations, site pages). The
    // folder lock keeps other copies of the program out; the files of a
    // process still running are left alone all the same.
    platform::removeStaleTemporaryFiles(programFolder(), false);
    // A settings file being replaced when its writer was killed.
    platform::removeStaleTemporaryFiles(std::string(platform::parentPath(settings_.profile().path())), false);
    platform::removeStaleTemporaryFiles(inProgramFolder("HTML"), true);
    if (!saveFolder().empty()) platform::removeStaleTemporaryFiles(saveFolder(), false);

    std::optional<library::CKDCardAlbumDoc> parsed = setAsideUnreadableIndex();
    report_.copiedFromSaveFolder = takeSaveFolderCopy();
    if (report_.copiedFromSaveFolder) parsed.reset();
    if (library::convertOlderIndexFile(indexPath_) == library::ConvertFileResult::Converted) parsed.reset();
    openIndex(report_.copiedFromSaveFolder, std::move(parsed));
    if (report_.interrupted.found) endJournal(programFolder());
    // What the run changes from here on (a load, a save) makes a generation at exit.
    startHash_ = library::indexFileHash(indexPath_);
    startHashTaken_ = true;
    checkTemplate();

    const std::string request = inProgramFolder(kRequestFileName);
    const bool requestPending = platform::exists(request);
    if (requestPending && automaticLoading_ && services_.autoLoader) {
        if (!services_.autoLoader->load(request)) return StartupResult::AutoLoadFailed;
        report_.autoLoaded = true;
        report_.indexOpened = true;
    }
    // The watcher and its autostart entry are housekeeping: failures are ignored.
    if (!requestPending && automaticLoading_ && options_.startWatcher)
        // Told the program folder, so that its requests reach this one also
        // when it is not the watcher's own (a --home folder).
        report_.watcherStarted =
            platform::startDetached(options_.watcherProgram, {"--home", options_.programFolder});
    if (automaticLoading_ && options_.createAutostartEntry) {
        const std::string name(text(kStrWatcherEntryName));
        if (!platform::exists(joinPath(options_.autostartFolder, name + ".desktop")))
            report_.autostartCreated = platform::writeAutostartEntry(options_.autostartFolder, name,
                                                                     options_.watcherProgram, options_.programFolder);
    }
    if (!report_.indexOpened && services_.site) report_.newSiteWritten = services_.site->writeNewSite();
    return StartupResult::Started;
}

void Application::settleSaveFolder() {
    // Older installations kept the library in a folder named "ImageLib".
    if (platform::lastComponent(settings_.saveFolder()) == "ImageLib")
        settings_.set(setting::SaveFolder, settings_.defaultSaveFolder());
}

std::string Application::saveCopyPath() const {
    const std::string folder = saveFolder();
    return folder.empty() ? std::string() : joinPath(folder, library::kIndexFileName);
}

void Application::noteProblem(const std::string& path, const library::IndexReadResult& read) {
    if (!report_.indexProblem.empty()) report_.indexProblem += "; ";
    report_.indexProblem +=
        path + ": " + std::string(library::describe(read.error)) + " at byte " + std::to_string(read.offset);
}

bool Application::tryOpen(const std::string& path) {
    if (!platform::exists(path)) return false;
    library::CKDCardAlbumDoc doc;
    const auto read = library::openIndexFile(path, doc);
    if (read.ok()) {
        doc_ = std::move(doc);
        return true;
    }
    noteProblem(path, read);
    return false;
}

std::optional<library::CKDCardAlbumDoc> Application::setAsideUnreadableIndex() {
    if (!platform::exists(indexPath_)) return std::nullopt;
    library::CKDCardAlbumDoc doc;
    const auto read = library::openIndexFile(indexPath_, doc);
    if (read.ok()) return doc;
    if (convertsToIndex(indexPath_)) return std::nullopt;
    // Kept for whoever wants to look into it, under a name nothing reads, before
    // anything writes over it: a save, the save-folder copy or a generation.
    noteProblem(indexPath_, read);
    const std::string aside = indexPath_ + ".unreadable-" + localTimestamp();
    std::string to = aside;
    for (int n = 1; platform::exists(to); ++n) to = aside + "-" + std::to_string(n);
    if (platform::renameNoReplace(indexPath_, to) == platform::RenameResult::Renamed)
        report_.unreadableIndexMovedTo = to;
    else
        report_.indexProblem += " (it cannot be moved aside)";
    return std::nullopt;
}

bool Application::takeSaveFolderCopy() {
    // The save-folder copy wins when it differs from the index or is the only one:
    // it is how a library carried to another machine brings its index along, and
    // what a run killed between writing the copy and the index leaves newer.
    const std::string copy = saveCopyPath();
    if (copy.empty()) return false;
    const int comparison = library::compareIndexCopies(indexPath_, copy);
    if (comparison != 0 && comparison != 1) return false;
    library::CKDCardAlbumDoc doc;
    const auto read = library::openIndexFile(copy, doc);
    if (!read.ok() && !convertsToIndex(copy)) {
        // A damaged copy must not replace a good index; the next save rewrites it.
        report_.saveCopyProblem =
            copy + ": " + std::string(library::describe(read.error)) + " at byte " + std::to_string(read.offset);
        return false;
    }
    if (comparison == 0) library::keepGeneration(programFolder());  // the index it replaces
    return platform::copyFile(copy, indexPath_);
}

void Application::saveChangedIndex() {
    const std::vector<std::uint8_t> bytes = library::serializeIndex(doc_);
    const auto onDisk = platform::readFile(indexPath_);
    if (onDisk && *onDisk == bytes) return;  // a read-only command writes nothing
    if (!library::writeIndexBytes(bytes, indexPath_, saveCopyPath())) report_.indexSaveFailed = true;
}

void Application::openIndex(bool copiedFromSaveFolder, std::optional<library::CKDCardAlbumDoc> parsed) {
    bool opened = false;
    if (parsed) {
        doc_ = std::move(*parsed);
        opened = true;
    } else {
        opened = tryOpen(indexPath_);
    }
    if (opened) {
        report_.source = IndexSource::IndexFile;
        if (copiedFromSaveFolder)
            report_.relocated = relocateAndRefresh(doc_, saveFolder(), indexPath_, saveCopyPath(), true,
                                                   services_.site, services_.wait);
        // The pages a stopped run had still to write, with the sizes after them.
        const InterruptedRun& stopped = report_.interrupted;
        if (stopped.finished && !stopped.touched.empty() && services_.finisher) services_.finisher->finishPages(stopped);
        saveChangedIndex();
        library::keepGeneration(programFolder());
        report_.indexOpened = true;
        return;
    }
    for (int g = 1; g <= library::kGenerationCount; ++g) {
        if (!tryOpen(inProgramFolder(library::generationFileName(g)))) continue;
        // The backup may come from before the library root moved: adapt its paths,
        // but leave the index file alone until the document is next saved.
        report_.source = IndexSource::Generation;
        report_.generation = g;
        report_.relocated = relocateAndRefresh(doc_, saveFolder(), indexPath_, saveCopyPath(), false,
                                               services_.site, services_.wait);
        report_.indexOpened = true;
        return;
    }
    doc_ = library::CKDCardAlbumDoc{};
    report_.source = IndexSource::Empty;
}

void Application::checkTemplate() {
    const std::string dllPath = settings_.get(setting::DllPath);
    const std::string plugins = pluginsFolder(programFolder());
    const std::size_t cut = dllPath.find_last_of("/\\");
    const std::string file = cut == std::string::npos ? dllPath : dllPath.substr(cut + 1);
    if (!file.empty() && platform::isFile(joinPath(plugins, file))) return;

    report_.templateReset = true;
    const auto choice = services_.templates ? services_.templates->firstTemplate(plugins) : std::nullopt;
    if (choice) {
        settings_.set(setting::TemplateType, choice->title);
        settings_.set(setting::TemplateTypeNo, choice->number);
        settings_.set(setting::TemplateBackCol, text(kStrDefaultColour));
        settings_.set(setting::TemplateBackNo, 7);
        settings_.set(setting::DllPath, "./" + std::string(kPluginsFolder) + "/" + choice->pluginFile);
    } else {
        settings_.set(setting::TemplateTypeNo, -1);
        settings_.set(setting::TemplateBackNo, -1);
        settings_.set(setting::TemplateType, "");
        settings_.set(setting::TemplateBackCol, "");
        settings_.set(setting::DllPath, "");
    }
}

bool Application::saveIndex() { return library::saveIndexWithCopy(doc_, indexPath_, saveCopyPath()); }

void Application::exit() {
    if (exited_) return;
    exited_ = true;
    // A read-only command, or a load that changed nothing, leaves the generations alone.
    if (startHashTaken_ && library::indexFileHash(indexPath_) != startHash_)
        library::keepGeneration(options_.programFolder);
    doc_.deleteContents();
    lock_.reset();
    instance_.reset();
}

}  // namespace lumbrel::app
