#include "cli/serial_commands.h"

#include <optional>
#include <ostream>
#include <string_view>

#include "app/settings.h"
#include "app/strings.h"
#include "camera/camera_link.h"
#include "camera/serial_camera.h"
#include "camera/serial_transfer.h"
#include "cli/program_settings.h"

namespace lumbrel::cli {
namespace {

constexpr std::string_view kSerialUsage =
    "usage: lumbrel-cli [--home DIR] serial test [--port P] [--speed S] [--save]\n"
    "       lumbrel-cli [--home DIR] serial folders [--port P]\n"
    "       lumbrel-cli [--home DIR] serial load ...   (lumbrel-cli serial load --help)\n"
    "\n"
    "  serial test     look for the camera on the port at the speed of the settings\n"
    "                  (or P and S), as the Test button of the communication setting\n"
    "                  does; with --save a camera that answers has its port and\n"
    "                  speed written to the settings (CommPort, BaudRate)\n"
    "  serial folders  the camera folders of the camera, one \\DCIM\\NAME a line\n"
    "\n"
    "P is COM1..COM9 (/dev/ttyS0..8) or a device such as /dev/ttyUSB0; S is one of\n"
    "2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200. The port needs\n"
    "read and write permission: usually membership of the group dialout.\n";

struct SerialArgs {
    std::optional<std::string> port, speed;
    bool save = false;
};

/// Parses what follows the subcommand; nullopt (and a message) on wrong usage.
std::optional<SerialArgs> parse(const std::vector<std::string>& args, bool allowSpeedAndSave, std::ostream& err) {
    SerialArgs parsed;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (allowSpeedAndSave && a == "--save") {
            parsed.save = true;
            continue;
        }
        std::optional<std::string>* target = a == "--port" ? &parsed.port
                                             : (allowSpeedAndSave && a == "--speed") ? &parsed.speed
                                                                                     : nullptr;
        if (!target || i + 1 == args.size()) {
            err << "lumbrel-cli: serial " << args[0] << ": "
                << (target ? a + " needs a value" : "unknown option " + a) << "\n"
                << kSerialUsage;
            return std::nullopt;
        }
        *target = args[++i];
    }
    return parsed;
}

void reportFailure(camera::LinkError error, const camera::CameraLink& link, std::ostream& err) {
    if (const std::string_view message = camera::linkErrorMessage(error); !message.empty())
        err << "lumbrel-cli: " << message << "\n";
    if (error == camera::LinkError::CannotOpen || error == camera::LinkError::CannotConfigure)
        if (const std::string detail = link.portError(); !detail.empty()) err << "lumbrel-cli: " << detail << "\n";
}

}  // namespace

int runSerial(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kSerialUsage;
        return 0;
    }
    const bool isTest = !args.empty() && args[0] == "test";
    const bool isFolders = !args.empty() && args[0] == "folders";
    if (!isTest && !isFolders) {
        err << kSerialUsage;
        return 2;
    }
    const auto parsed = parse(args, isTest, err);
    if (!parsed) return 2;
    if (parsed->speed && !camera::isLinkSpeed(*parsed->speed)) {
        err << "lumbrel-cli: " << *parsed->speed << " is not a speed of the link\n" << kSerialUsage;
        return 2;
    }

    const auto program = ProgramSettings::open(home, err);
    if (!program) return 1;
    app::Settings& settings = program->settings();
    camera::CameraLink link;
    link.loadSettings(settings);
    if (parsed->port) link.setPortName(*parsed->port);
    if (parsed->speed) link.setSpeed(*parsed->speed);

    if (isTest) {
        const camera::LinkError error = link.testConnection();
        if (error != camera::LinkError::Ok) {
            reportFailure(error, link, err);
            return 1;
        }
        out << app::text(app::kMsgCameraRecognized) << "\n";
        if (parsed->save && !link.saveSettings(settings)) {
            err << "lumbrel-cli: cannot write the settings file " << settings.profile().path() << "\n";
            return 1;
        }
        return 0;
    }

    camera::LinkCamera camera(link);
    std::vector<std::string> names;
    // Identify, battery, ready, "CD DCIM", battery, folder list; the link is
    // ended on failure.
    if (const int code = camera::SerialTransfer::queryFolders(camera, names)) {
        reportFailure(static_cast<camera::LinkError>(code), link, err);
        return 1;
    }
    link.endLink();
    link.close();
    for (const std::string& name : names) out << "\\DCIM\\" << name << "\n";
    return 0;
}

}  // namespace lumbrel::cli
