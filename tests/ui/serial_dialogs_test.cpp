// The serial camera's dialogs against a simulated camera on a pseudo-
// terminal: the connection test with and without a camera, the camera folder
// choice (asked on a worker thread, the last choice preselected, the cable
// pulled while it waits), the RS232C dialog's transfer unit and its handing
// over, and the transfer window's Cancel.

#include <QComboBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "app/settings.h"
#include "app/strings.h"
#include "camera/camera_link.h"
#include "camera_sim.h"
#include "platform/profile.h"
#include "support/temp_dir.h"
#include "ui/camera_folder_dialog.h"
#include "ui/communication_dialog.h"
#include "ui/serial_load_dialog.h"
#include "ui/transfer_window.h"

namespace lumbrel::ui {
namespace {

namespace setting = app::setting;

// The link's waits, a twentieth as long: the first answer's 2 s, the 2 s
// after ending the link.
class FastClock final : public camera::LinkClock {
public:
    void sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration / 20); }
};

void touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

// Answers every message box that opens with OK, remembering its text.
class MessageCatcher {
public:
    MessageCatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        timer_.start(20);
    }
    QStringList texts;

private:
    QTimer timer_;
};

bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

}  // namespace

class SerialDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<lumbrel::test::TempDir> dir_;
    std::unique_ptr<platform::Profile> profile_;
    std::unique_ptr<app::Settings> settings_;
    std::unique_ptr<camerasim::CameraSim> sim_;
    FastClock clock_;

    std::unique_ptr<camera::CameraLink> link() {
        return std::make_unique<camera::CameraLink>(camera::makeSerialLinkPort(), &clock_);
    }
    // A camera with three camera folders (one of them empty) and one other folder.
    void startCamera() {
        const std::filesystem::path card = std::filesystem::path(dir_->path()) / "card";
        touch(card / "DCIM/100ORRIN/ORRN0001.JPG");
        touch(card / "DCIM/101ORRIN/ORRN0002.JPG");
        std::filesystem::create_directories(card / "DCIM/102ORRIN");
        std::filesystem::create_directories(card / "DCIM/MISC");
        camerasim::SimOptions options;
        options.card = card.string();
        sim_ = std::make_unique<camerasim::CameraSim>(options);
        QVERIFY(sim_->start());
    }

private slots:
    void init() {
        dir_ = std::make_unique<lumbrel::test::TempDir>();
        profile_ = std::make_unique<platform::Profile>(dir_->path() + "/Lumbrel.conf");
        settings_ = std::make_unique<app::Settings>(*profile_, dir_->path());
    }
    void cleanup() {
        sim_.reset();
        settings_.reset();
        profile_.reset();
        dir_.reset();
    }

    void connectionTestWithoutACameraPutsBackThePair() {
        auto l = link();
        l->setPortName("COM3");
        l->setSpeed("57600");
        CommunicationDialog dialog(*l, *settings_);
        QCOMPARE(dialog.portBox()->currentText(), QStringLiteral("COM3"));
        QCOMPARE(dialog.speedBox()->currentText(), QStringLiteral("57600"));
        QVERIFY(dialog.portBox()->findText(QStringLiteral("COM9")) >= 0);
        dialog.portBox()->setEditText(QString::fromStdString(dir_->path() + "/no-such-port"));
        dialog.speedBox()->setCurrentText(QStringLiteral("9600"));
        MessageCatcher messages;
        dialog.testConnection();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(messages.texts[0].startsWith(QString::fromUtf8(app::text(app::kMsgNoCameraResponse).data())));
        QCOMPARE(dialog.portBox()->currentText(), QStringLiteral("COM3"));
        QCOMPARE(dialog.speedBox()->currentText(), QStringLiteral("57600"));
        QVERIFY(dialog.testButton()->isEnabled());
    }

    void connectionTestFindsTheCameraAndOkSavesThePair() {
        startCamera();
        auto l = link();
        CommunicationDialog dialog(*l, *settings_);
        const QString device = QString::fromStdString(sim_->devicePath());
        dialog.portBox()->setEditText(device);
        dialog.speedBox()->setCurrentText(QStringLiteral("38400"));
        MessageCatcher messages;
        dialog.testConnection();
        QCOMPARE(messages.texts, QStringList{QStringLiteral("The camera was recognized.")});
        QCOMPARE(dialog.portBox()->currentText(), device);
        QVERIFY(!l->isOpen());
        dialog.accept();
        QCOMPARE(QString::fromStdString(settings_->get(setting::CommPort)), device);
        QCOMPARE(settings_->get(setting::BaudRate), std::string("38400"));
    }

    void folderChoiceListsTheCameraFoldersWithTheLastOneChosen() {
        startCamera();
        settings_->set(setting::SCameraDir, std::string("101ORRIN"));
        auto l = link();
        l->setPortName(sim_->devicePath());
        CameraFolderDialog dialog(*l, *settings_);
        dialog.show();
        // While the camera is asked: the waiting text, no button to press.
        QCOMPARE(dialog.folderBox()->currentText(), QStringLiteral("Receiving the folder name now!!"));
        QVERIFY(!dialog.okButton()->isEnabled());
        QVERIFY(!dialog.cancelButton()->isEnabled());
        QVERIFY(waitUntil([&] { return !dialog.querying(); }));
        QCOMPARE(dialog.folderBox()->count(), 3);
        QCOMPARE(dialog.folderBox()->itemText(0), QStringLiteral("\\DCIM\\100ORRIN"));
        QCOMPARE(dialog.folderBox()->currentText(), QStringLiteral("\\DCIM\\101ORRIN"));
        QVERIFY(dialog.okButton()->isEnabled());
        dialog.folderBox()->setCurrentIndex(2);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.folder(), std::string("102ORRIN"));
        QCOMPARE(settings_->get(setting::SCameraDir), std::string("102ORRIN"));
        QCOMPARE(l->cameraFolder(), std::string("102ORRIN"));
    }

    void pullingTheCableWhileTheChoiceWaitsClosesIt() {
        startCamera();
        auto l = link();
        l->setPortName(sim_->devicePath());
        CameraFolderDialog dialog(*l, *settings_);
        dialog.show();
        QVERIFY(waitUntil([&] { return !dialog.querying(); }));
        QVERIFY(dialog.okButton()->isEnabled());
        MessageCatcher messages;
        sim_->pullCable();
        QVERIFY(waitUntil([&] { return !dialog.isVisible(); }, 15000));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(messages.texts.size(), 1);
        QCOMPARE(messages.texts[0], QString::fromUtf8(app::text(app::kMsgNoCameraResponse).data()));
    }

    void folderChoiceWithoutACameraOffersOnlyCancel() {
        auto l = link();
        l->setPortName(dir_->path() + "/no-such-port");
        CameraFolderDialog dialog(*l, *settings_);
        MessageCatcher messages;
        dialog.show();
        QVERIFY(waitUntil([&] { return !dialog.querying(); }));
        QCOMPARE(dialog.folderBox()->currentText(), QStringLiteral("Unable to receive the folder name."));
        QVERIFY(!dialog.okButton()->isEnabled());
        QVERIFY(dialog.cancelButton()->isEnabled());
        QVERIFY(waitUntil([&] { return messages.texts.size() == 1; }));
        dialog.reject();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void loadDialogKeepsItsUnitAndClosesOnlyAfterALoad() {
        settings_->set(setting::TransMode, 1);
        int calls = 0;
        bool succeed = false;
        int lastMode = -1;
        {
            SerialLoadDialog dialog(
                *settings_,
                [&](camera::CameraLink&, int mode, const std::string&) {
                    ++calls;
                    lastMode = mode;
                    return succeed;
                },
                link());
            QVERIFY(dialog.folderButton()->isChecked());
            dialog.batchButton()->setChecked(true);
            dialog.show();
            dialog.okButton()->click();
            QCOMPARE(calls, 1);
            QCOMPARE(lastMode, 0);
            QVERIFY(dialog.isVisible());  // failed: the dialog stays for another try
            QVERIFY(dialog.isEnabled());
            succeed = true;
            dialog.okButton()->click();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(settings_->get(setting::TransMode), 0);
    }

    void transferWindowCancelIsHeardFromAnyThread() {
        QWidget main;
        main.show();
        GuiTransferProgress progress(&main);
        std::thread worker([&] {
            progress.open("Batch", "Data is being transferred from the camera...");
            progress.status("100ORRIN is under transfer.(1/7)");
        });
        while (!progress.window() || progress.window()->status().isEmpty()) QApplication::processEvents();
        worker.join();
        TransferWindow* window = progress.window();
        QCOMPARE(window->windowTitle(), QStringLiteral("Batch"));
        QVERIFY(!main.isEnabled());
        progress.percent(42);
        QCOMPARE(window->percentText(), QStringLiteral("42%"));
        QVERIFY(!progress.cancelled());
        window->cancelButton()->click();
        QVERIFY(progress.cancelled());
        progress.close();
        QVERIFY(main.isEnabled());
    }
};

}  // namespace lumbrel::ui

QTEST_MAIN(lumbrel::ui::SerialDialogsTest)
#include "serial_dialogs_test.moc"
