// The serial camera's dialogs: the RS232C load dialog, the communication
// setting, the camera folder choice with the folders of a simulated camera,
// and the transfer's progress window part-way through a batch.

#include <QComboBox>
#include <QElapsedTimer>

#include <filesystem>
#include <fstream>

#include "app/strings.h"
#include "camera/serial_transfer.h"
#include "camera_sim.h"
#include "screenshots/shooter.h"
#include "ui/camera_folder_dialog.h"
#include "ui/communication_dialog.h"
#include "ui/desktop_program.h"
#include "ui/qt_text.h"
#include "ui/serial_load_dialog.h"
#include "ui/transfer_window.h"

namespace lumbrel::screenshots {
namespace {

// A card of three camera folders for the simulated camera.
std::string simulatedCard(const std::string& programFolder) {
    const std::filesystem::path card = std::filesystem::path(programFolder).parent_path() / "serial-card";
    for (const char* folder : {"100ORRIN", "101ORRIN", "102ORRIN"}) {
        std::filesystem::create_directories(card / "DCIM" / folder);
        std::ofstream(card / "DCIM" / folder / "ORRN0001.JPG") << "x";
    }
    return card.string();
}

const ShotGroup group([](Shooter& shooter, ui::DesktopProgram& program) {
    app::Application& application = program.session().application();
    app::Settings& settings = application.settings();
    bool ok = true;

    ui::SerialLoadDialog load(settings, [](camera::CameraLink&, int, const std::string&) { return false; },
                              std::make_unique<camera::CameraLink>(), &program.frame());
    ok &= shooter.shoot(&load, QStringLiteral("dialog-169-serial-load"));

    ui::CommunicationDialog communication(load.link(), settings, &load);
    ok &= shooter.shoot(&communication, QStringLiteral("dialog-168-communication-setting"));
    communication.close();

    camerasim::SimOptions options;
    options.card = simulatedCard(application.programFolder());
    camerasim::CameraSim camera(options);
    if (camera.start()) {
        load.link().setPortName(camera.devicePath());
        settings.set(app::setting::SCameraDir, std::string("101ORRIN"));
        ui::CameraFolderDialog folders(load.link(), settings, &load);
        folders.show();
        QElapsedTimer waited;
        waited.start();
        while (folders.querying() && waited.elapsed() < 15000) QApplication::processEvents(QEventLoop::AllEvents, 50);
        ok &= shooter.shoot(&folders, QStringLiteral("dialog-167-folder-setting"));
        folders.reject();
    }
    load.close();

    ui::TransferWindow transfer(&program.frame());
    transfer.start(ui::qt(app::text(app::kStrBatchCaption)), ui::qt(app::text(app::kStrTransferring)));
    transfer.setStatus(ui::qt(camera::batchStatusLine("101ORRIN", 5, 12)));
    transfer.setPercent(42);
    ok &= shooter.shoot(&transfer, QStringLiteral("dialog-141-serial-transfer"));
    transfer.finish();
    return ok;
});

}  // namespace
}  // namespace lumbrel::screenshots
