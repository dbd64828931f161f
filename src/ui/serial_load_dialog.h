#pragma once
// "Load image in camera - RS232C": a transfer of every camera folder
// ("Batch") or of one ("Specified folder", chosen in the folder dialog), and
// "Setting(&S)" for the port and speed. The dialog owns the camera link for
// as long as it is open; the transfer itself is the caller's (the desktop
// program runs it with its progress window), and on success the dialog
// closes. The choice of Batch or Specified folder is kept in the settings.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "app/settings.h"
#include "camera/camera_link.h"

class QPushButton;
class QRadioButton;

namespace lumbrel::ui {

class SerialLoadDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 169;
    /// Runs a transfer: mode 0 every folder, 1 the folder named; true when
    /// the files were loaded.
    using Transfer = std::function<bool(camera::CameraLink& link, int mode, const std::string& folder)>;

    SerialLoadDialog(app::Settings& settings, Transfer transfer,
                     std::unique_ptr<camera::CameraLink> link = std::make_unique<camera::CameraLink>(),
                     QWidget* parent = nullptr);

    camera::CameraLink& link() { return *link_; }
    QRadioButton* batchButton() const { return batch_; }
    QRadioButton* folderButton() const { return folder_; }
    QPushButton* settingButton() const { return setting_; }
    QPushButton* okButton() const { return ok_; }

public slots:
    void openSettings();

    void accept() override;
    void done(int result) override;

private:
    app::Settings& settings_;
    Transfer transfer_;
    std::unique_ptr<camera::CameraLink> link_;
    QRadioButton* batch_;
    QRadioButton* folder_;
    QPushButton* ok_;
    QPushButton* setting_;
    QPushButton* cancel_;
};

}  // namespace lumbrel::ui
