#include "app/application.h"

#include "app/busy_flag.h"
#include "app/program_folder.h"
#include "app/relocate_refresh.h"
#include "app/strings.h"
#include "library/index_file.h"
#include "platform/autostart.h"
#include "platform/files.h"
#include "platform/process.h"

namespace lumbrel::app {

using platform::joinPath;

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

    automaticLoading_ = settings_.get(setting::AutoTakeIn) == 0;
    settleSaveFolder();

    // The save-folder copy wins when it differs from the index or is the only one:
    // it is how a library carried to another machine brings its index along.
    const std::string saveCopy = joinPath(saveFolder(), library::kIndexFileName);
    const int comparison = library::compareIndexCopies(indexPath_, saveCopy);
    if (comparison == 0 || comparison == 1) report_.copiedFromSaveFolder = platform::copyFile(saveCopy, indexPath_);

    library::convertOlderIndexFile(indexPath_);
    openIndex(report_.copiedFromSaveFolder);
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
        report_.watcherStarted = platform::startDetached(options_.watcherProgram);
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

bool Application::tryOpen(const std::string& path) {
    if (!platform::exists(path)) return false;
    library::CKDCardAlbumDoc doc;
    const auto read = library::openIndexFile(path, doc);
    if (read.ok()) {
        doc_ = std::move(doc);
        return true;
    }
    if (!report_.indexProblem.empty()) report_.indexProblem += "; ";
    report_.indexProblem +=
        path + ": " + std::string(library::describe(read.error)) + " at byte " + std::to_string(read.offset);
    return false;
}

void Application::openIndex(bool copiedFromSaveFolder) {
    const std::string generation1 = inProgramFolder(library::generationFileName(1));
    if (tryOpen(indexPath_)) {
        report_.source = IndexSource::IndexFile;
        if (copiedFromSaveFolder)
            report_.relocated = relocateAndRefresh(doc_, saveFolder(), indexPath_, true, services_.site,
                                                   services_.wait);
        saveIndex();
        platform::copyFile(indexPath_, generation1);
        report_.indexOpened = true;
    } else if (tryOpen(generation1)) {
        // The backup may come from before the library root moved: adapt its paths,
        // but leave the index file alone until the document is next saved.
        report_.source = IndexSource::Generation1;
        report_.relocated =
            relocateAndRefresh(doc_, saveFolder(), indexPath_, false, services_.site, services_.wait);
        report_.indexOpened = true;
    } else {
        doc_ = library::CKDCardAlbumDoc{};
        report_.source = IndexSource::Empty;
    }
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

bool Application::saveIndex() { return library::saveIndexFile(doc_, indexPath_); }

void Application::exit() {
    if (exited_) return;
    exited_ = true;
    if (doc_.saved()) library::makeGenerations(options_.programFolder, saveFolder());
    doc_.deleteContents();
    lock_.reset();
    instance_.reset();
}

}  // namespace lumbrel::app
