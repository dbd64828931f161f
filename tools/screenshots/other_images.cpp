// "Load other images" with two folders of the sample card listed and the
// first picture of the folder chosen in the tree in the preview box.

#include <QDir>
#include <QFile>
#include <QPushButton>

#include <string>
#include <vector>

#include "camera/drive_list.h"
#include "maintenance/other_images.h"
#include "screenshots/shooter.h"
#include "ui/desktop_program.h"
#include "ui/folder_tree.h"
#include "ui/other_images_dialog.h"

namespace lumbrel::screenshots {
namespace {

// The folders of the drives that hold pictures directly: the DCIM folders'
// own folders and the marker folder beside them.
std::vector<std::string> pictureFolders() {
    std::vector<std::string> found;
    for (const camera::Drive& drive : camera::enumerateDrives()) {
        QDir root(QFile::decodeName(QByteArray::fromStdString(drive.root)));
        QStringList candidates;
        for (const QString& name : root.entryList({QStringLiteral("DCIM")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDir dcim(root.filePath(name));
            for (const QString& sub : dcim.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
                candidates << dcim.filePath(sub);
        }
        for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            if (name != QLatin1String("DCIM")) candidates << root.filePath(name);
        for (const QString& folder : candidates) {
            const std::string path = QFile::encodeName(folder).toStdString();
            if (!maintenance::folderImageList(path).empty()) found.push_back(path);
        }
    }
    return found;
}

const ShotGroup group([](Shooter& shooter, ui::DesktopProgram& program) {
    const std::vector<std::string> folders = pictureFolders();
    auto* dialog = new ui::OtherImagesDialog(program.session().application().programFolder(), true, &program.frame());
    for (std::size_t i = 0; i < folders.size() && i < 2; ++i) {
        dialog->choose(QFile::decodeName(QByteArray::fromStdString(folders[i])));
        dialog->addButton()->click();
    }
    if (!folders.empty()) dialog->choose(QFile::decodeName(QByteArray::fromStdString(folders.front())));
    const bool ok = shooter.shoot(dialog, QStringLiteral("dialog-161-other-images"));
    dialog->close();
    delete dialog;
    return ok;
});

}  // namespace
}  // namespace lumbrel::screenshots
