#include "ui/desktop_program.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "app/busy_flag.h"
#include "app/program_folder.h"
#include "app/strings.h"
#include "camera/auto_load.h"
#include "camera/camera_command.h"
#include "camera/camera_link.h"
#include "camera/image_loader.h"
#include "camera/serial_transfer.h"
#include "maintenance/library_list.h"
#include "platform/app_paths.h"
#include "platform/files.h"
#include "platform/process.h"
#include "ui/other_images_dialog.h"
#include "ui/serial_load_dialog.h"
#include "ui/transfer_window.h"
#include "ui/ui_thread.h"

namespace lumbrel::ui {
namespace {


constexpr std::string_view kPrintProgram = "Pressa.exe";

}  // namespace

DesktopProgram::DesktopProgram(std::string home)
    : home_(std::move(home)), profile_(platform::Profile::defaultPath()) {}

DesktopProgram::~DesktopProgram() { finish(); }

std::optional<int> DesktopProgram::start() {
    std::string problem;
    const auto folder = app::findProgramFolder(home_, problem);
    if (!folder) {
        message(QStringLiteral("Lumbrel cannot start: %1").arg(qt(problem)), true);
        return 1;
    }
    settings_.emplace(profile_, *folder);
    frame_ = std::make_unique<MainFrame>(*settings_, *this);
    prompts_ = std::make_unique<GuiPrompts>(frame_.get());
    progress_ = std::make_unique<GuiProgress>(frame_.get());
    wait_ = std::make_unique<GuiWaitWindow>(frame_.get());

    camera::SessionOptions options;
    options.startup.programFolder = *folder;
    options.startup.startWatcher = true;
    options.startup.createAutostartEntry = true;
    options.loadPendingRequest = true;
    // A card waiting at start is loaded with the window minimised.
    options.beforeStartupLoad = [this] { onUiThread([this] { frame_->showMinimized(); }); };
    options.afterStartupLoad = [this] { onUiThread([this] { frame_->showNormal(); }); };
    session_ = std::make_unique<camera::ProgramSession>(
        profile_, camera::FrontEnd{*prompts_, *prompts_, *prompts_, *progress_, *wait_, &opener_}, std::move(options));

    app::StartupResult result = app::StartupResult::Started;
    runInBackground([&] { result = session_->start(); });
    switch (result) {
        case app::StartupResult::Started: break;
        case app::StartupResult::AnotherCopyRunning: return 0;  // the first copy came forward
        case app::StartupResult::FolderInUse:
            message(QStringLiteral("Lumbrel is already using the program folder %1.\nClose it and try again.")
                        .arg(qt(*folder)),
                    true);
            return 1;
        case app::StartupResult::AutoLoadFailed:
            return 1;
    }
    app::Application& application = session_->application();
    maintenancePrompt_ = std::make_unique<GuiMaintenancePrompt>(frame_.get());
    sitePasses_ = std::make_unique<maintenance::PageWriterSite>(session_->site());
    commands_ = std::make_unique<LibraryCommands>(maintenance::MaintenanceContext{
        application.settings(), application.document(), *maintenancePrompt_, *progress_, application.programFolder(),
        application.indexPath(), sitePasses_.get(), wait_.get()});
    if (platform::SingleInstance* instance = application.instance(); instance && instance->fd() >= 0) {
        raiseRequests_ = std::make_unique<QSocketNotifier>(instance->fd(), QSocketNotifier::Read);
        QObject::connect(raiseRequests_.get(), &QSocketNotifier::activated, frame_.get(), [this, instance] {
            if (instance->pollRaiseRequests([] {}) > 0) frame_->comeForward();
        });
    }
    frame_->refreshCounts();
    frame_->show();
    tellAboutStartup();
    frame_->startWatch();
    return std::nullopt;
}

void DesktopProgram::finish() {
    if (finished_ || !session_) return;
    finished_ = true;
    raiseRequests_.reset();  // before the instance socket closes
    frame_->rememberGeometry();
    session_->application().exit();
}

void DesktopProgram::message(const QString& text, bool warning) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information, QStringLiteral("Lumbrel"), text,
                    QMessageBox::Ok, frame_.get());
    box.exec();
}

// What a user should know of the start: a run that a crash stopped, an index
// that had to be recovered. The command line says the same on its error stream.
void DesktopProgram::tellAboutStartup() {
    const app::StartupReport& report = session_->application().report();
    QStringList lines;
    const app::InterruptedRun& stopped = report.interrupted;
    if (stopped.found && stopped.finished)
        lines << QStringLiteral("The last load was stopped after its pictures were saved in the library; it has "
                                "been finished now.");
    else if (stopped.found)
        lines << QStringLiteral("The last load was stopped part-way; it has been taken back, the card keeps its "
                                "pictures.");
    if (!stopped.sourcesKept.empty())
        lines << QStringLiteral("%1 moved files were left on the card because they changed since they were copied.")
                     .arg(stopped.sourcesKept.size());
    if (!report.indexProblem.empty())
        lines << QStringLiteral("The library index could not be read: %1").arg(qt(report.indexProblem));
    if (!report.unreadableIndexMovedTo.empty())
        lines << QStringLiteral("The unreadable index file was kept as %1.").arg(qt(report.unreadableIndexMovedTo));
    if (report.source == app::IndexSource::Generation)
        lines << QStringLiteral("The index was recovered from its backup generation %1.").arg(report.generation);
    if (report.indexSaveFailed)
        lines << QStringLiteral("The index file %1 cannot be written.")
                     .arg(qt(session_->application().indexPath()));
    if (!lines.isEmpty()) message(lines.join(QStringLiteral("\n\n")), report.indexSaveFailed);
}

// Files that a load had to leave where they were (on the card, in the
// folders chosen), named so that nothing is lost unnoticed.
void DesktopProgram::tellAboutLoad() { tellAboutLoad(session_->lastReport(), QStringLiteral("on the card")); }

// where: where the files that were not taken stay ("on the card").
void DesktopProgram::tellAboutLoad(const camera::LoadReport& report, const QString& where) {
    QStringList lines;
    if (!report.unreadable.empty()) {
        QStringList files;
        for (const auto& [path, why] : report.unreadable) files << qt(path) + QStringLiteral(" (") + qt(why) + ')';
        lines << QStringLiteral("%1 files could not be read and were left %2:\n%3")
                     .arg(report.unreadable.size())
                     .arg(where, files.join('\n'));
    }
    if (!report.keptOnCard.empty())
        lines << QStringLiteral("%1 files were loaded but left %2, because they changed while they were "
                                "loaded or could not be deleted.")
                     .arg(report.keptOnCard.size())
                     .arg(where);
    if (!report.previewsFailed.empty())
        lines << QStringLiteral("%1 pictures have no preview.").arg(report.previewsFailed.size());
    if (!lines.isEmpty()) message(lines.join(QStringLiteral("\n\n")), true);
}

void DesktopProgram::loadFromCamera(int connection) {
    if (!session_) return;
    app::BusyScope busy;
    if (connection == 1) {
        loadFromSerialCamera();
        return;
    }
    const camera::Pipeline pipeline = session_->pipeline();
    camera::CameraResult result = camera::CameraResult::NoDrive;
    runInBackground([&] { result = camera::loadFromCamera(session_->application().settings(), *prompts_, pipeline); });
    if (result == camera::CameraResult::Loaded || result == camera::CameraResult::LoadFailed) tellAboutLoad();
}

// A camera on a serial port: the RS232C dialog owns the link; each transfer
// it starts runs on the worker thread with the transfer's progress window.
void DesktopProgram::loadFromSerialCamera() {
    app::Settings& settings = session_->application().settings();
    const auto transfer = [this](camera::CameraLink& link, int mode, const std::string& folder) {
        camera::LinkCamera camera(link);
        GuiTransferProgress shown(frame_.get());
        camera::SerialTransferContext context{session_->loader(), camera, shown};
        camera::SerialTransfer run(context);
        camera::LoadResult result = camera::LoadResult::Failed;
        runInBackground([&] { result = mode == 0 ? run.loadAll() : run.loadFolder(folder); });
        if (run.linkError() == camera::code(camera::LinkError::CannotOpen) && !link.portError().empty())
            message(qt(link.portError()), true);
        if (result == camera::LoadResult::Loaded || result == camera::LoadResult::Failed)
            tellAboutLoad(run.report(), QStringLiteral("in the camera"));
        frame_->updateViews();
        return result == camera::LoadResult::Loaded;
    };
    SerialLoadDialog dialog(settings, transfer, std::make_unique<camera::CameraLink>(), frame_.get());
    dialog.exec();
}

// The folders the user lists in "Load other images" go through the loading
// pipeline on the worker thread; Cancel loads nothing. The dialog starts with
// the list pages' preview switch and gives it back only on Load.
void DesktopProgram::loadOtherImages() {
    if (!session_) return;
    app::BusyScope busy;  // no automatic load starts while the folders are chosen
    maintenance::ListState& state = maintenance::ListState::shared();
    QPointer<OtherImagesDialog> dialog =
        new OtherImagesDialog(session_->application().programFolder(), state.preview, frame_.get());
    const bool load = dialog->exec() == QDialog::Accepted && dialog;
    if (!dialog) return;
    const std::vector<std::string> folders = dialog->folders();
    const int choice = dialog->choice();
    const bool previews = dialog->showPreviews();
    delete dialog.data();
    if (!load) return;
    state.preview = previews;
    camera::ImageLoader loader(session_->loader());
    camera::LoadResult result = camera::LoadResult::NothingToLoad;
    runInBackground([&] { result = loader.loadOtherImages(folders, choice); });
    if (result == camera::LoadResult::Loaded || result == camera::LoadResult::Failed)
        tellAboutLoad(loader.report(), QStringLiteral("in their folders"));
}

void DesktopProgram::viewLibrary() {
    if (!session_) return;
    session_->site().resetFrame();
    const std::string page = platform::joinPath(session_->application().programFolder(), "library.htm");
    if (!opener_.open(page)) prompts_->showMessage(app::kMsgCannotOpenPages, app::text(app::kMsgCannotOpenPages));
}

// The print program named by its AppPaths entry: the Path is its folder (or
// the program itself); without an entry nothing happens.
void DesktopProgram::startPrintProgram() {
    const std::optional<std::string> path = platform::appPath(kPrintProgram);
    if (!path) return;
    const std::string program = platform::isFile(*path) ? *path : platform::joinPath(*path, kPrintProgram);
    platform::startDetached(program);
}

void DesktopProgram::openHelp() {
    const std::string program = platform::runningProgramPath();
    const std::string help =
        platform::joinPath(platform::joinPath(std::string(platform::parentPath(program)), "help"), "index.html");
    if (!platform::isFile(help) || !opener_.open(help))
        message(QStringLiteral("The help pages cannot be opened: %1").arg(qt(help)), true);
}

bool DesktopProgram::BackgroundAutoLoad::load(const std::string& requestFile) {
    app::BusyScope busy;
    bool loaded = false;
    runInBackground([&] { loaded = p_.session_->autoLoader().load(requestFile); });
    p_.frame_->updateViews();
    p_.tellAboutLoad();
    return loaded;
}

void DesktopProgram::pollAutomaticLoading() {
    if (!session_) return;
    camera::pollRequestFile(session_->application().programFolder(), session_->application().settings(),
                            backgroundAutoLoad_);
}

int DesktopProgram::libraryCount() const {
    return session_ ? static_cast<int>(session_->application().document().albums().size()) : 0;
}

bool DesktopProgram::automaticLoading() const { return session_ && session_->application().automaticLoading(); }

}  // namespace lumbrel::ui
