// The desktop program end to end on the sample card, as a person uses it: the
// window starts on a fresh program folder, the Load page's camera button finds
// the card through a fake drive table, the dialogs are answered as a user
// answers them (Return on the default button), the progress window counts the
// files, and the library holds them afterwards; "Suspend" takes a load back
// and leaves card and library as they were. A second start brings the window
// forward.

#include <QAbstractButton>
#include <QDialog>
#include <QListWidget>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "platform/files.h"
#include "platform/single_instance.h"
#include "sample_card.h"
#include "support/temp_dir.h"
#include "ui/desktop_program.h"
#include "ui/folder_choice_dialog.h"
#include "ui/load_page.h"
#include "ui/progress_window.h"
#include "ui/serial_load_dialog.h"
#include "camera_sim.h"

namespace lumbrel::ui {
namespace {

namespace fs = std::filesystem;

// Names and sizes of the files under a folder: what a load may not change.
std::map<std::string, std::uintmax_t> tree(const fs::path& root) {
    std::map<std::string, std::uintmax_t> files;
    if (!fs::exists(root)) return files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = e.file_size();
    return files;
}

// Plays the user: answers every modal dialog with Return, and presses
// "Suspend" on the progress window once it has counted suspendAfter files
// (as soon as it shows for 0, never when negative). Records what the
// progress window showed.
class User : public QObject {
public:
    explicit User(int suspendAfter) : suspendAfter_(suspendAfter) {
        connect(&timer_, &QTimer::timeout, this, &User::look);
        timer_.start(20);
        qApp->installEventFilter(this);
    }
    int dialogsAnswered = 0;
    bool progressSeen = false;
    bool suspended = false;

protected:
    // A short load may open and close its progress window between two looks.
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* progress = qobject_cast<ProgressWindow*>(object);
        if (event->type() != QEvent::Show || !progress) return false;
        progressSeen = true;
        // Suspend at once: pressed as soon as the window shows, the load stops
        // after the file it is on, however fast it goes.
        if (suspendAfter_ == 0 && !suspended) {
            suspended = true;
            QTimer::singleShot(0, progress, [progress] { progress->suspendButton()->click(); });
        }
        return false;
    }

private:
    void look() {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            ++dialogsAnswered;
            // The folder choice: every folder found goes to the folder list, in turn.
            if (auto* choice = qobject_cast<FolderChoiceDialog*>(modal)) {
                QListWidget* found = choice->findChildren<QListWidget*>().value(0);
                while (found && found->count() > 0) {
                    found->setCurrentRow(0);
                    for (QAbstractButton* button : choice->findChildren<QAbstractButton*>())
                        if (button->text().startsWith(QStringLiteral("Add"))) button->click();
                }
            }
            QTest::keyClick(modal, Qt::Key_Return);
            return;
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<ProgressWindow*>(w);
            if (!progress || !progress->isVisible()) continue;
            progressSeen = true;
            if (suspended || suspendAfter_ <= 0 || progress->count() < suspendAfter_) continue;
            for (QAbstractButton* button : progress->findChildren<QAbstractButton*>())
                if (button->text().contains(QStringLiteral("Suspend"))) {
                    button->click();
                    suspended = true;
                }
        }
    }
    int suspendAfter_;
    QTimer timer_;
};

}  // namespace

class DesktopProgramTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> dir_;
    fs::path home_, card_;

    void setEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

    void pressCamera(DesktopProgram& program) {
        program.frame().switchPage(kPageLoad, false);
        auto* load = qobject_cast<LoadPage*>(program.frame().page());
        QVERIFY(load);
        load->cameraButton()->click();  // returns when the load has ended
    }

private slots:
    void init() {
        dir_ = std::make_unique<test::TempDir>();
        home_ = fs::path(dir_->path()) / "home";
        card_ = fs::path(dir_->path()) / "card";
        fs::create_directories(home_);
        std::vector<samplecard::CardFile> written;
        std::string error;
        QVERIFY2(samplecard::makeSampleCard(card_, {}, written, error), error.c_str());
        setEnv("XDG_CONFIG_HOME", (fs::path(dir_->path()) / "config").string());
        setEnv("LUMBREL_DRIVES", (fs::path(dir_->path()) / "drives").string());
        test::writeText((fs::path(dir_->path()) / "drives").string(), "removable\t" + card_.string() + "/\n");
        setEnv("LUMBREL_OPENER", "/bin/true");
        // Automatic loading off, so that the test starts no watcher and
        // writes no autostart entry into the machine's own folders.
        test::writeText((fs::path(dir_->path()) / "config/Orrin/Lumbrel.conf").string(),
                        "[CameraImage]\nAutoTakeIn=1\n");
    }

    void loadsTheCardThroughTheWindow() {
        const auto cardBefore = tree(card_);
        DesktopProgram program(home_.string());
        QCOMPARE(program.start(), std::optional<int>());
        QVERIFY(program.frame().isVisible());
        QCOMPARE(program.frame().page()->navigation()->libraryCountText(), QStringLiteral("0 "));

        User user(-1);
        pressCamera(program);
        QVERIFY(user.progressSeen);
        QVERIFY(user.dialogsAnswered >= 1);  // the confirmation at least
        const auto library = tree(home_ / "Image Library");
        QVERIFY2(library.size() > 17, "the pictures, their previews and pages are in the library");
        QCOMPARE(tree(card_), cardBefore);  // copied, the card keeps its files
        QVERIFY(program.frame().page()->navigation()->libraryCountText() != QStringLiteral("0 "));
        QVERIFY(program.frame().isEnabled());  // enabled again after the progress window
        program.finish();
    }

    // RS232C on the Load page: the serial dialog's OK receives every camera
    // folder from a simulated camera and loads it; the dialog then closes.
    void loadsASerialCameraThroughTheWindow() {
        const fs::path serialCard = fs::path(dir_->path()) / "serial-card";
        for (const char* name : {"ABCD0001.JPG", "ABCD0002.JPG"}) {
            fs::create_directories(serialCard / "DCIM/100ORRIN");
            fs::copy_file(card_ / "DCIM/100ORRIN" / name, serialCard / "DCIM/100ORRIN" / name);
        }
        camerasim::SimOptions options;
        options.card = serialCard.string();
        camerasim::CameraSim camera(options);
        QVERIFY(camera.start());
        test::writeText((fs::path(dir_->path()) / "config/Orrin/Lumbrel.conf").string(),
                        "[CameraImage]\nAutoTakeIn=1\n[Settings]\nUSB/Serial=1\n[Communications]\nCommPort=" +
                            camera.devicePath() + "\n");
        DesktopProgram program(home_.string());
        QCOMPARE(program.start(), std::optional<int>());
        bool dialogSeen = false;
        QTimer look;
        connect(&look, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<SerialLoadDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialogSeen) return;
            dialogSeen = true;
            QVERIFY(dialog->batchButton()->isChecked());
            dialog->okButton()->click();
        });
        look.start(20);
        pressCamera(program);
        look.stop();
        QVERIFY(dialogSeen);
        QVERIFY(fs::is_regular_file(home_ / "Image Library/20010616/ABCD0001.JPG"));
        QVERIFY(fs::is_regular_file(home_ / "Image Library/20010616/ABCD0002.JPG"));
        QVERIFY(!fs::exists(home_ / "Received"));
        QCOMPARE(program.frame().page()->navigation()->libraryCountText(), QStringLiteral("1 "));
        program.finish();
    }

    void suspendTakesTheLoadBack() {
        DesktopProgram first(home_.string());
        QCOMPARE(first.start(), std::optional<int>());
        first.finish();
        const auto homeBefore = tree(home_);
        const auto cardBefore = tree(card_);

        DesktopProgram program(home_.string());
        QCOMPARE(program.start(), std::optional<int>());
        User user(0);
        pressCamera(program);
        QVERIFY(user.suspended);
        QCOMPARE(tree(card_), cardBefore);
        QCOMPARE(tree(home_), homeBefore);
        QCOMPARE(program.frame().page()->navigation()->libraryCountText(), QStringLiteral("0 "));
        program.finish();
    }

    // A card named by the watcher's request file when the program starts is
    // loaded with the window minimised; the window shows at the end.
    void cardWaitingAtStartIsLoadedMinimised() {
        test::writeText((fs::path(dir_->path()) / "config/Orrin/Lumbrel.conf").string(), "[CameraImage]\nAutoTakeIn=0\n");
        setEnv("XDG_CONFIG_HOME", (fs::path(dir_->path()) / "config").string());
        const std::string request = (home_ / "Lumbrel.tmp").string();
        test::writeText(request, card_.string() + "/\r\n");
        DesktopProgram program(home_.string());
        bool minimisedWhileAsked = false;
        QTimer look;
        connect(&look, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() && program.frame().isMinimized()) minimisedWhileAsked = true;
        });
        look.start(5);
        User user(-1);
        QCOMPARE(program.start(), std::optional<int>());
        QVERIFY(minimisedWhileAsked);
        QVERIFY(user.progressSeen);
        QVERIFY(!program.frame().isMinimized());
        QVERIFY(program.frame().isVisible());
        QVERIFY(!platform::exists(request));  // taken, so the card is not loaded twice
        QVERIFY(tree(home_ / "Image Library").size() > 17);
        QVERIFY(program.frame().page()->navigation()->libraryCountText() != QStringLiteral("0 "));
        program.finish();
    }

    void secondStartBringsTheWindowForward() {
        DesktopProgram program(home_.string());
        QCOMPARE(program.start(), std::optional<int>());
        program.frame().showMinimized();
        QTRY_VERIFY(program.frame().isMinimized());
        platform::SingleInstance second{std::string(app::kWindowClass)};
        QVERIFY(!second.acquire());  // the first copy is asked to come forward
        QTRY_VERIFY(!program.frame().isMinimized());
        QVERIFY(program.frame().isVisible());
        program.finish();
    }
};

}  // namespace lumbrel::ui

QTEST_MAIN(lumbrel::ui::DesktopProgramTest)
#include "desktop_program_test.moc"
