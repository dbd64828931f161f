#include "cli/load_commands.h"

#include <algorithm>
#include <ostream>
#include <string_view>

#include <filesystem>

#include "app/busy_flag.h"
#include "app/strings.h"
#include "camera/camera_command.h"
#include "camera/camera_link.h"
#include "camera/serial_transfer.h"
#include "camera/drive_list.h"
#include "cli/library_session.h"
#include "cli/load_options.h"
#include "cli/terminal_progress.h"
#include "maintenance/other_images.h"
#include "platform/files.h"

namespace lumbrel::cli {
namespace {

constexpr std::string_view kLoadUsage =
    "usage: lumbrel-cli [--home DIR] camera [LOAD OPTIONS]\n"
    "       lumbrel-cli [--home DIR] load [LOAD OPTIONS] SOURCE...\n"
    "       lumbrel-cli [--home DIR] auto [LOAD OPTIONS]\n"
    "       lumbrel-cli [--home DIR] load-other [LOAD OPTIONS] FOLDER...\n"
    "\n"
    "  camera   find the camera folders (DCIM, or folders holding KDCAM.KDS) on the\n"
    "           mounted drives ($LUMBREL_DRIVES names a fake drive table) and load them\n"
    "  load     load the given camera folders\n"
    "  auto     load the drive named by a pending request file of the watcher\n"
    "  load-other  load the pictures and movies lying directly in up to 10 folders\n"
    "           of your choice; they are copied unless --move is given (a folder\n"
    "           on a network can only be copied)\n"
    "\n"
    "LOAD OPTIONS answer the questions of a load; without them a question is asked\n"
    "on the terminal, or, without a terminal, gets its safe answer:\n"
    "  --yes                  start loading (without a terminal and without --yes a\n"
    "                         load starts only when its confirmation is switched off)\n"
    "  --folder PATH          load this camera folder when several are found (repeatable;\n"
    "                         without a terminal several folders need --folder)\n"
    "  --date YYYYMMDD        the load date when sorting by folder; YYYYMM00 for no day\n"
    "                         (default without a terminal: this month, no day)\n"
    "  --title TEXT           the title of each new library when titles are asked\n"
    "  --undated file-date|YYYYMMDD|skip\n"
    "                         pictures without a recording date: by their file's date\n"
    "                         (the default, once), into the library of a date, or left\n"
    "  --move | --copy        move or copy the files this time (default: the settings)\n"
    "  --no-open              do not open the library pages this time\n"
    "Ctrl-C (or SIGTERM, SIGHUP) while files are transferred suspends the load and takes\n"
    "it back; once the pictures are saved in the library it finishes instead.\n"
    "Exit status: 0 loaded, 1 nothing loaded (or taken back) or files left unread, 2 wrong usage.\n";

enum class Operands { None, Some };

// The load options of a command; nullopt after printing the usage (status 0
// for --help, 2 for wrong usage) when the command does not go on.
std::optional<LoadOptions> commandOptions(const std::vector<std::string>& args, Operands operands,
                                          std::ostream& out, std::ostream& err, int& status) {
    status = 2;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kLoadUsage;
        status = 0;
        return std::nullopt;
    }
    std::string error;
    auto options = parseLoadOptions(args, error);
    if (!options) {
        err << "lumbrel-cli: " << error << "\n" << kLoadUsage;
    } else if (options->operands.empty() != (operands == Operands::None)) {
        err << kLoadUsage;
        options.reset();
    }
    return options;
}

// "a (reason), b (reason)" for a list of files and why.
std::string listed(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string out;
    for (const auto& [path, why] : files) out += (out.empty() ? "" : ", ") + path + " (" + why + ")";
    return out;
}

std::string listed(const std::vector<std::string>& paths) {
    std::string out;
    for (const std::string& path : paths) out += (out.empty() ? "" : ", ") + path;
    return out;
}

int reportLoad(camera::LoadResult result, const camera::LoadReport& report, bool interrupted, std::ostream& out,
               std::ostream& err) {
    if (result == camera::LoadResult::Failed && !report.failure.empty())
        err << "lumbrel-cli: " << report.failure << "; the load was taken back\n";
    if (result == camera::LoadResult::Cancelled && interrupted)
        err << "lumbrel-cli: suspended; the load was taken back\n";
    if (result != camera::LoadResult::Loaded) return 1;
    if (interrupted)
        err << "lumbrel-cli: the pictures were already saved in the library when the load was interrupted; "
               "it was finished\n";
    out << "Loaded " << report.loaded << " file" << (report.loaded == 1 ? "" : "s");
    if (report.samePictures) out << "; " << report.samePictures << " already in the library";
    if (report.adopted) out << "; " << report.adopted << " found in the library and added to the index";
    if (report.undatedLeft) out << "; " << report.undatedLeft << " without a date left where they are";
    out << "\n";
    if (!report.keptOnCard.empty())
        err << "lumbrel-cli: " << report.keptOnCard.size()
            << " moved files were left on the card (changed since they were copied, or they could not be deleted): "
            << listed(report.keptOnCard) << "\n";
    if (report.pagesFailed)
        err << "lumbrel-cli: warning: the album pages of " << report.pagesFailed
            << (report.pagesFailed == 1 ? " library" : " libraries")
            << " could not be written (no template plug-in?); lumbrel-cli album KEY writes them again\n";
    if (report.siteFailed) err << "lumbrel-cli: warning: the library pages could not all be updated\n";
    if (!report.previewsFailed.empty())
        err << "lumbrel-cli: warning: " << report.previewsFailed.size() << " files have no preview (they cannot be decoded): "
            << listed(report.previewsFailed) << "\n";
    int status = 0;
    if (!report.unreadableFolders.empty()) {
        err << "lumbrel-cli: " << report.unreadableFolders.size()
            << " folders could not be read and their files were left on the card: " << listed(report.unreadableFolders)
            << "\n";
        status = 1;
    }
    if (!report.unreadable.empty()) {
        err << "lumbrel-cli: " << report.unreadable.size()
            << " files could not be read and were left on the card: " << listed(report.unreadable) << "\n";
        status = 1;
    }
    return status;
}

// A refusal of the folder checks, its lines on one line.
void tell(const maintenance::OtherImagesMessage& message, std::ostream& err) {
    std::string text = message.text;
    std::replace(text.begin(), text.end(), '\n', ' ');
    err << "lumbrel-cli: " << text << "\n";
}

// The folder as a full path, links kept as given.
std::string fullFolder(const std::string& operand) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(operand, error).lexically_normal();
    return maintenance::folderPath(error ? operand : full.string());
}

// The folders of load-other as the dialog would list them; nullopt after
// saying why when one of them cannot be loaded (nothing is loaded then).
std::optional<std::vector<std::string>> otherFolders(const std::vector<std::string>& operands, int choice,
                                                     std::ostream& err) {
    const auto mounts = camera::systemMountedRoots();
    maintenance::OtherFolderList list;
    for (const std::string& operand : operands) {
        const std::string folder = fullFolder(operand);
        if (!platform::isDirectory(folder)) {
            err << "lumbrel-cli: " << operand << " is not a folder\n";
            return std::nullopt;
        }
        if (!maintenance::addable(maintenance::treePath(folder, mounts))) {
            err << "lumbrel-cli: " << folder << " is a drive; give a folder on it\n";
            return std::nullopt;
        }
        if (const auto refused = maintenance::checkAdd(folder, choice, mounts)) {
            tell(*refused, err);
            return std::nullopt;
        }
        switch (list.add(folder)) {
        case maintenance::OtherFolderList::Added::Added: break;
        case maintenance::OtherFolderList::Added::AlreadyListed:
            err << "lumbrel-cli: " << operand << " is given twice; it is loaded once\n";
            break;
        case maintenance::OtherFolderList::Added::Full:
            err << "lumbrel-cli: at most " << maintenance::kMaxOtherFolders << " folders can be loaded at once\n";
            return std::nullopt;
        }
    }
    if (const auto refused = maintenance::checkLoad(list.folders(), choice, mounts)) {
        tell(*refused, err);
        return std::nullopt;
    }
    return list.folders();
}

}  // namespace

int runCamera(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int usage = 0;
    auto options = commandOptions(args, Operands::None, out, err, usage);
    if (!options) return usage;
    LibrarySession session(err, *options);
    session.progress().catchSignals();  // a signal during start-up suspends the load too
    if (!session.start(home)) return 1;
    const camera::CameraResult result =
        camera::loadFromCamera(session.application().settings(), session.loadPrompt(), session.pipeline());
    int status = 1;
    switch (result) {
    case camera::CameraResult::NoDrive: err << "lumbrel-cli: no drive to look for camera folders on\n"; break;
    case camera::CameraResult::NothingFound:
    case camera::CameraResult::Suspended:
    case camera::CameraResult::Cancelled:
    case camera::CameraResult::LoadFailed: break;
    case camera::CameraResult::Loaded:
        status = reportLoad(session.lastLoad(), session.lastReport(), session.progress().interrupted(), out, err);
        break;
    }
    session.application().exit();
    return status;
}

int runLoad(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int usage = 0;
    auto options = commandOptions(args, Operands::Some, out, err, usage);
    if (!options) return usage;
    for (const std::string& source : options->operands)
        if (!platform::isDirectory(source)) {
            err << "lumbrel-cli: " << source << " is not a folder\n";
            return 1;
        }
    LibrarySession session(err, *options);
    session.progress().catchSignals();  // a signal during start-up suspends the load too
    if (!session.start(home)) return 1;
    camera::ImageLoader loader(session.loader());
    const camera::LoadResult result = loader.loadCamera(options->operands);
    const int status = reportLoad(result, loader.report(), session.progress().interrupted(), out, err);
    session.application().exit();
    return status;
}

int runAuto(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int usage = 0;
    auto options = commandOptions(args, Operands::None, out, err, usage);
    if (!options) return usage;
    // The start-up itself loads a pending request when automatic loading is on.
    options->loadPendingRequest = true;
    LibrarySession session(err, *options);
    session.progress().catchSignals();  // a signal during start-up suspends the load too
    if (!session.start(home)) return 1;
    app::Application& application = session.application();
    int status = 0;
    if (application.report().autoLoaded) {
        status = reportLoad(session.lastLoad(), session.lastReport(), session.progress().interrupted(), out, err);
    } else if (!application.automaticLoading()) {
        err << "lumbrel-cli: automatic loading is off; a request is left alone\n";
        status = 1;
    } else {
        out << "No automatic-load request is pending\n";
    }
    application.exit();
    return status;
}

int runLoadOther(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err) {
    int usage = 0;
    auto options = commandOptions(args, Operands::Some, out, err, usage);
    if (!options) return usage;
    // Copy unless told otherwise, as the dialog starts; the settings' choice
    // for cards does not apply to other folders.
    const int choice = options->transfer == camera::TransferMode::Move ? maintenance::kChoiceMove
                                                                       : maintenance::kChoiceCopy;
    const auto folders = otherFolders(options->operands, choice, err);
    if (!folders) return 1;
    LibrarySession session(err, *options);
    session.progress().catchSignals();  // a signal during start-up suspends the load too
    if (!session.start(home)) return 1;
    camera::ImageLoader loader(session.loader());
    const camera::LoadResult result = loader.loadOtherImages(*folders, choice);
    const int status = reportLoad(result, loader.report(), session.progress().interrupted(), out, err);
    session.application().exit();
    return status;
}

namespace {

constexpr std::string_view kSerialLoadUsage =
    "usage: lumbrel-cli [--home DIR] serial load --batch | --folder NAME [--port P] [--speed S]\n"
    "                   [--date YYYYMMDD] [--title TEXT] [--no-open]\n"
    "Receives the pictures and movies of a camera on a serial port and loads them into\n"
    "the image library as a card load does. --batch takes every camera folder, --folder\n"
    "one (as serial folders lists it, without \\DCIM\\). --port (COM1..COM9 or a device\n"
    "such as /dev/ttyUSB0) and --speed (9600..115200) replace the settings this time.\n"
    "Ctrl-C cancels the transfer: nothing is loaded, the camera keeps its files.\n";

}  // namespace

int runSerialLoad(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
                  std::ostream& err) {
    bool batch = false;
    std::optional<std::string> folder, port, speed;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out << kSerialLoadUsage;
            return 0;
        }
        if (a == "--batch") {
            batch = true;
            continue;
        }
        std::optional<std::string>* target = a == "--folder" ? &folder : a == "--port" ? &port
                                           : a == "--speed"  ? &speed
                                                             : nullptr;
        if (!target) {
            rest.push_back(a);
            continue;
        }
        if (i + 1 == args.size()) {
            err << "lumbrel-cli: " << a << " needs a value\n" << kSerialLoadUsage;
            return 2;
        }
        *target = args[++i];
    }
    if (speed && !camera::isLinkSpeed(*speed)) {
        err << "lumbrel-cli: " << *speed << " is not a speed of the link\n" << kSerialLoadUsage;
        return 2;
    }
    if (batch == folder.has_value()) {
        err << "lumbrel-cli: serial load takes --batch or --folder NAME\n" << kSerialLoadUsage;
        return 2;
    }
    std::string error;
    auto options = parseLoadOptions(rest, error);
    if (!options || !options->operands.empty() || options->transfer || !options->folders.empty()) {
        err << "lumbrel-cli: " << (options ? "serial load takes no such option" : error) << "\n" << kSerialLoadUsage;
        return 2;
    }
    LibrarySession session(err, *options);
    session.progress().catchSignals();
    if (!session.start(home)) return 1;
    app::Settings& settings = session.application().settings();

    camera::CameraLink link;
    link.loadSettings(settings);
    if (port) link.setPortName(*port);
    if (speed) link.setSpeed(*speed);
    camera::LinkCamera camera(link);
    TerminalTransferProgress shown(err, session.progress());
    camera::SerialTransferContext context{session.loader(), camera, shown};
    camera::SerialTransfer transfer(context);
    camera::LoadResult result = camera::LoadResult::Failed;
    if (batch) {
        result = transfer.loadAll();
    } else {
        std::vector<std::string> names;
        if (const int code = camera::SerialTransfer::queryFolders(camera, names)) {
            if (const int message = camera::linkErrorStringId(static_cast<camera::LinkError>(code)))
                session.loader().prompt.showMessage(message, app::text(message));
            if (code == camera::code(camera::LinkError::CannotOpen)) err << "lumbrel-cli: " << link.portError() << "\n";
            session.application().exit();
            return 1;
        }
        if (std::find(names.begin(), names.end(), *folder) == names.end()) {
            link.endLink();
            err << "lumbrel-cli: the camera has no folder " << *folder << " (it has:";
            for (const auto& name : names) err << " " << name;
            err << ")\n";
            session.application().exit();
            return 1;
        }
        settings.set(app::setting::SCameraDir, *folder);
        result = transfer.loadFolder(*folder);
    }
    if (transfer.linkError() == camera::code(camera::LinkError::CannotOpen))
        err << "lumbrel-cli: " << link.portError() << "\n";
    if (transfer.linkError() == camera::code(camera::LinkError::Cancelled))
        err << "lumbrel-cli: cancelled; nothing was loaded\n";
    const int status = reportLoad(result, transfer.report(), session.progress().interrupted(), out, err);
    session.application().exit();
    return status;
}

}  // namespace lumbrel::cli
