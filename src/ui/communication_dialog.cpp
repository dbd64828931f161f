#include "ui/communication_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/strings.h"
#include "ui/qt_text.h"
#include "ui/ui_thread.h"

namespace lumbrel::ui {
namespace {

// The speeds offered; the link also takes the others of its list from the settings.
const QStringList kOfferedSpeeds = {"9600", "19200", "38400", "57600", "115200"};

void choose(QComboBox* box, const QString& value) {
    int at = box->findText(value);
    if (at < 0) {
        box->addItem(value);
        at = box->count() - 1;
    }
    box->setCurrentIndex(at);
}

}  // namespace

QStringList CommunicationDialog::offeredPorts() {
    QStringList ports;
    for (int n = 1; n <= 9; ++n) ports << QStringLiteral("COM%1").arg(n);
    const QDir dev(QStringLiteral("/dev"));
    for (const QString& name : dev.entryList({"ttyUSB*", "ttyACM*"}, QDir::System | QDir::Files, QDir::Name))
        ports << dev.filePath(name);
    return ports;
}

CommunicationDialog::CommunicationDialog(camera::CameraLink& link, app::Settings& settings, QWidget* parent)
    : QDialog(parent), link_(link), settings_(settings), port_(new QComboBox(this)), speed_(new QComboBox(this)),
      test_(new QPushButton(QStringLiteral("Test(&T)..."), this)),
      ok_(new QPushButton(qt(app::kButtonOk), this)), cancel_(new QPushButton(qt(app::kButtonCancel), this)) {
    setWindowTitle(QStringLiteral("Communication setting"));
    port_->setObjectName("port");
    speed_->setObjectName("speed");
    test_->setObjectName("test");
    ok_->setObjectName("ok");
    cancel_->setObjectName("cancel");
    // A device the list does not know (another adapter) can be typed in.
    port_->setEditable(true);
    port_->setMinimumContentsLength(14);  // room for a device path such as /dev/ttyUSB0
    port_->addItems(offeredPorts());
    speed_->addItems(kOfferedSpeeds);
    goodPort_ = qt(link_.portName());
    goodSpeed_ = qt(link_.speed());
    show(goodPort_, goodSpeed_);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Port(&P):"), port_);
    fields->addRow(QStringLiteral("Transmission\nspeed(&S):"), speed_);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {test_, ok_, cancel_}) buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields);
    layout->addSpacing(12);
    layout->addLayout(buttons);

    connect(test_, &QPushButton::clicked, this, &CommunicationDialog::testConnection);
    connect(ok_, &QPushButton::clicked, this, &CommunicationDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &CommunicationDialog::reject);
    test_->setDefault(true);
    test_->setFocus();
}

void CommunicationDialog::show(const QString& port, const QString& speed) {
    choose(port_, port);
    choose(speed_, speed);
}

void CommunicationDialog::setButtonsEnabled(bool enabled) {
    for (QPushButton* b : {test_, ok_, cancel_}) b->setEnabled(enabled);
}

void CommunicationDialog::testConnection() {
    setButtonsEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString port = port_->currentText().trimmed(), speed = speed_->currentText();
    link_.setPortName(port.toStdString());
    link_.setSpeed(speed.toStdString());
    camera::LinkError result = camera::LinkError::Ok;
    runInBackground([&] { result = link_.testConnection(); });
    QApplication::restoreOverrideCursor();
    setButtonsEnabled(true);
    if (result != camera::LinkError::Ok) {
        link_.setPortName(goodPort_.toStdString());
        link_.setSpeed(goodSpeed_.toStdString());
        show(goodPort_, goodSpeed_);
        QString text = qt(app::text(app::kMsgNoCameraResponse));
        if (result == camera::LinkError::CannotOpen && !link_.portError().empty())
            text += QStringLiteral("\n\n") + qt(link_.portError());
        QMessageBox::critical(this, windowTitle(), text);
        cancel_->setFocus();
        return;
    }
    goodPort_ = port;
    goodSpeed_ = speed;
    QMessageBox::warning(this, windowTitle(), qt(app::text(app::kMsgCameraRecognized)));
    ok_->setFocus();
}

void CommunicationDialog::accept() {
    link_.setPortName(port_->currentText().trimmed().toStdString());
    link_.setSpeed(speed_->currentText().toStdString());
    link_.saveSettings(settings_);
    QDialog::accept();
}

}  // namespace lumbrel::ui
