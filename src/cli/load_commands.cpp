#include "cli/load_commands.h"

#include <ostream>
#include <string_view>

#include "app/busy_flag.h"
#include "camera/camera_command.h"
#include "cli/library_session.h"
#include "platform/files.h"

namespace lumbrel::cli {
namespace {

constexpr std::string_view kLoadUsage =
    "usage: lumbrel-cli [--home DIR] camera [LOAD OPTIONS]\n"
    "       lumbrel-cli [--home DIR] load [LOAD OPTIONS] SOURCE...\n"
    "       lumbrel-cli [--home DIR] auto [LOAD OPTIONS]\n"
    "\n"
    "  camera   find the camera folders (DCIM, or folders holding KDCAM.KDS) on the\n"
    "           mounted drives ($LUMBREL_DRIVES names a fake drive table) and load them\n"
    "  load     load the given camera folders\n"
    "  auto     load the drive named by a pending request file of the watcher\n"
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
    "Ctrl-C while files are transferred suspends the load and takes it back.\n"
    "Exit status: 0 loaded, 1 nothing loaded (or taken back), 2 wrong usage.\n";

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

int reportLoad(camera::LoadResult result, const camera::LoadReport& report, std::ostream& out, std::ostream& err) {
    if (result != camera::LoadResult::Loaded) return 1;
    out << "Loaded " << report.loaded << " file" << (report.loaded == 1 ? "" : "s");
    if (report.samePictures) out << "; " << report.samePictures << " already in the library";
    if (report.undatedLeft) out << "; " << report.undatedLeft << " without a date left where they are";
    if (report.sourcesKept) out << "; " << report.sourcesKept << " moved files could not be deleted from the card";
    out << "\n";
    if (report.pagesFailed)
        err << "lumbrel-cli: warning: the album pages of " << report.pagesFailed
            << (report.pagesFailed == 1 ? " library" : " libraries")
            << " could not be written (no template plug-in?); lumbrel-cli album KEY writes them again\n";
    if (report.siteFailed) err << "lumbrel-cli: warning: the library pages could not all be updated\n";
    return 0;
}

}  // namespace

int runCamera(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int usage = 0;
    auto options = commandOptions(args, Operands::None, out, err, usage);
    if (!options) return usage;
    LibrarySession session(err, *options);
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
    case camera::CameraResult::Loaded: status = reportLoad(session.lastLoad(), session.lastReport(), out, err); break;
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
    if (!session.start(home)) return 1;
    camera::ImageLoader loader(session.loader());
    const camera::LoadResult result = loader.loadCamera(options->operands);
    const int status = reportLoad(result, loader.report(), out, err);
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
    if (!session.start(home)) return 1;
    app::Application& application = session.application();
    int status = 0;
    if (application.report().autoLoaded) {
        status = reportLoad(session.lastLoad(), session.lastReport(), out, err);
    } else if (!application.automaticLoading()) {
        err << "lumbrel-cli: automatic loading is off; a request is left alone\n";
        status = 1;
    } else {
        out << "No automatic-load request is pending\n";
    }
    application.exit();
    return status;
}

}  // namespace lumbrel::cli
