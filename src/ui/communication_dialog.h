#pragma once
// "Communication setting": the serial port and line speed of the camera link,
// with "Test(&T)..." trying them on the camera. A failed test puts back the
// last pair that worked (or that the dialog opened with); OK gives the pair
// to the link, which saves it in the settings.

#include <QDialog>
#include <QString>

#include "app/settings.h"
#include "camera/camera_link.h"

class QComboBox;
class QPushButton;

namespace lumbrel::ui {

class CommunicationDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 168;

    CommunicationDialog(camera::CameraLink& link, app::Settings& settings, QWidget* parent = nullptr);

    QComboBox* portBox() const { return port_; }
    QComboBox* speedBox() const { return speed_; }
    QPushButton* testButton() const { return test_; }

    /// The ports offered: COM1 to COM9 and the USB serial devices present
    /// (/dev/ttyUSB*, /dev/ttyACM*).
    static QStringList offeredPorts();

public slots:
    /// Tries the shown pair on the camera (on a worker thread; the buttons
    /// are disabled meanwhile) and says how it went.
    void testConnection();

    void accept() override;

private:
    void show(const QString& port, const QString& speed);
    void setButtonsEnabled(bool enabled);

    camera::CameraLink& link_;
    app::Settings& settings_;
    QComboBox* port_;
    QComboBox* speed_;
    QPushButton* test_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QString goodPort_, goodSpeed_;
};

}  // namespace lumbrel::ui
