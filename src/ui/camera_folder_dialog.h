#pragma once
// "Folder setting": the choice of one camera folder for a transfer. On
// opening, a worker thread asks the camera for its folders (identify, battery,
// ready, DCIM, battery, folder list) while the list says "Receiving the
// folder name now!!" and the buttons wait; the thread reports back only by
// queued calls. The folders are then offered as "\DCIM\<name>", the one
// chosen last time preselected, and a battery check every 500 ms keeps the
// link alive: when it fails (the cable pulled) the link ends, the error is
// shown and the dialog closes as cancelled.

#include <QDialog>
#include <QTimer>

#include <string>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "camera/camera_link.h"
#include "camera/serial_camera.h"

class QComboBox;
class QPushButton;

namespace lumbrel::ui {

class CameraFolderDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 167;
    static constexpr int kBatteryCheckMs = 500;

    CameraFolderDialog(camera::CameraLink& link, app::Settings& settings, QWidget* parent = nullptr);
    ~CameraFolderDialog() override;

    /// The chosen folder (its name alone), after OK.
    const std::string& folder() const { return folder_; }
    /// True while the camera is being asked.
    bool querying() const { return worker_.joinable() && !answered_; }

    QComboBox* folderBox() const { return folders_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void query();
    void answered(int code, std::vector<std::string> folders);
    void checkBattery();

    camera::CameraLink& link_;
    camera::LinkCamera camera_;
    app::Settings& settings_;
    QComboBox* folders_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QTimer battery_;
    std::thread worker_;
    bool answered_ = false;
    bool linkUp_ = false;  ///< the camera answered: the link is to be ended on Cancel
    std::string folder_;
};

}  // namespace lumbrel::ui
