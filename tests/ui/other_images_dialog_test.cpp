// "Load other images": which folders the list takes and which it refuses
// (drive roots, a folder twice, an eleventh, Move of a network folder, a
// folder that lost its pictures), the preview's order through a folder of
// pictures and a movie with its temporary frame file, and the dialog opened
// from the Load page loading the folders into the library.

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "avi_writer.h"
#include "jpeg_encode.h"
#include "maintenance/library_list.h"
#include "picture.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "sample_card.h"
#include "support/temp_dir.h"
#include "ui/desktop_program.h"
#include "ui/folder_tree.h"
#include "ui/load_page.h"
#include "ui/other_images_dialog.h"
#include "ui/preview_box.h"

namespace lumbrel::ui {
namespace {

namespace fs = std::filesystem;
namespace ml = maintenance;

samplecard::Bytes jpegPicture(int width, int height, std::uint32_t seed) {
    samplecard::Bytes out;
    std::string error;
    samplecard::JpegOptions options;
    options.jfif = true;
    if (!samplecard::encodeJpeg(samplecard::drawScene(width, height, {"1", seed}), options, out, error)) return {};
    return out;
}

// A Motion-JPEG movie of three frames, as the cameras write them.
samplecard::Bytes movie(int width, int height) {
    samplecard::AviMovie avi;
    avi.width = width;
    avi.height = height;
    for (int i = 0; i < 3; ++i) {
        samplecard::Bytes frame;
        std::string error;
        if (!samplecard::encodeMotionFrame(samplecard::drawScene(width, height, {"2", 7, i, 3}), 80, frame, error))
            return {};
        avi.frames.push_back(std::move(frame));
    }
    return samplecard::buildAvi(avi);
}

std::string nameOf(const std::string& path) { return fs::path(path).filename().string(); }

std::map<std::string, std::uintmax_t> filesUnder(const fs::path& root) {
    std::map<std::string, std::uintmax_t> files;
    if (!fs::exists(root)) return files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = e.file_size();
    return files;
}

}  // namespace

class OtherImagesDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> dir_;
    std::string home_;  // the program folder
    std::vector<camera::MountedRoot> mounts_;
    std::vector<int> shown_;  // the messages the dialog showed

    // A folder holding one picture (or nothing with empty), under the test folder.
    std::string folder(const std::string& name, bool withPicture = true) {
        const std::string path = *dir_ / name;
        fs::create_directories(path);
        if (withPicture) test::writeBytes(path + "/p.jpg", jpegPicture(64, 48, 1));
        return path;
    }

    // A dialog over the test folder only, the drives being mounts_, its
    // messages recorded instead of shown.
    std::unique_ptr<OtherImagesDialog> dialog(bool previews = false) {
        auto* tree = new FolderTree({{QStringLiteral("Test"), QString::fromStdString(dir_->path())}}, nullptr);
        auto d = std::make_unique<OtherImagesDialog>(home_, previews, nullptr, tree, mounts_);
        d->setMessageShower([this](const ml::OtherImagesMessage& m) { shown_.push_back(m.id); });
        return d;
    }

    void add(OtherImagesDialog& d, const std::string& path) {
        QVERIFY(d.choose(QString::fromStdString(path)));
        QCOMPARE(d.selectedPath(), path);
        d.addButton()->click();
    }

    bool frameFileLeft() const { return platform::exists(home_ + "/avitemp.jpg"); }

private slots:
    void init() {
        dir_ = std::make_unique<test::TempDir>();
        home_ = *dir_ / "home";
        fs::create_directories(home_);
        mounts_ = {{"/", false}, {*dir_ / "card/", false}, {*dir_ / "share/", true}};
        shown_.clear();
    }

    void opensWithNothingToDo_data() {
        QTest::addColumn<bool>("previews");
        QTest::newRow("previews off") << false;
        QTest::newRow("previews on") << true;
    }
    void opensWithNothingToDo() {
        QFETCH(bool, previews);
        auto d = dialog(previews);
        QCOMPARE(d->windowTitle(), QStringLiteral("Load other images"));
        for (QPushButton* b : {d->addButton(), d->deleteButton(), d->backButton(), d->nextButton(), d->loadButton()})
            QVERIFY2(!b->isEnabled(), qPrintable(b->text()));
        QCOMPARE(d->previewChoice()->isChecked(), previews);
        QVERIFY(d->copyButton()->isChecked());
        QCOMPARE(d->choice(), 0);
        QVERIFY(d->loadButton()->isDefault());
        // Load with nothing listed does not end the dialog.
        d->accept();
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QVERIFY(shown_.empty());
    }

    // A drive root cannot be added nor previewed, a folder on it can.
    void driveRootLeavesAddDisabled() {
        const std::string card = folder("card");
        const std::string dcim = folder("card/DCIM");
        auto d = dialog(true);
        QVERIFY(d->choose(QString::fromStdString(card)));
        QCOMPARE(d->selectedPath(), card + "/");
        QVERIFY(!d->addButton()->isEnabled());
        QVERIFY(!d->nextButton()->isEnabled());
        QVERIFY(!d->previewBox()->hasPicture());
        QVERIFY(d->choose(QString::fromStdString(dcim)));
        QVERIFY(d->addButton()->isEnabled());
        QVERIFY(d->nextButton()->isEnabled());
        QVERIFY(d->previewBox()->hasPicture());
        QVERIFY(d->choose(QString::fromStdString(card)));
        QVERIFY(!d->addButton()->isEnabled());
        QVERIFY(!d->previewBox()->hasPicture());
    }

    // The list takes a folder once, whatever its letter case or a link to it,
    // keeps the full path behind the shortened text, and takes no eleventh.
    void listTakesEachFolderOnceAndTenAtMost() {
        const std::string photos = folder("Holiday photos from the coast");
        folder("HOLIDAY PHOTOS FROM THE COAST");
        fs::create_directory_symlink(photos, *dir_ / "link");
        std::vector<std::string> more;
        for (int i = 1; i <= 10; ++i) more.push_back(folder("f" + std::to_string(i)));
        auto d = dialog();
        add(*d, photos);
        add(*d, *dir_ / "HOLIDAY PHOTOS FROM THE COAST");
        add(*d, *dir_ / "link");
        QCOMPARE(d->folderList()->count(), 1);
        QCOMPARE(d->folders(), std::vector<std::string>{photos});
        QListWidgetItem* item = d->folderList()->item(0);
        QVERIFY(item->text().size() < QString::fromStdString(photos).size());
        QVERIFY(item->text().endsWith(QStringLiteral("...om the coast")));
        QCOMPARE(item->toolTip(), QString::fromStdString(photos));
        QVERIFY(d->loadButton()->isEnabled());

        for (int i = 0; i < 9; ++i) add(*d, more[i]);
        QCOMPARE(d->folderList()->count(), 10);
        add(*d, more[9]);
        QCOMPARE(d->folderList()->count(), 10);
        QCOMPARE(d->folders().size(), std::size_t{10});
        QVERIFY(shown_.empty());  // said nothing
    }

    // Selecting an entry offers Delete; Delete takes that entry, and Load
    // goes when the list is empty.
    void deleteTakesTheSelectedFolder() {
        const std::string a = folder("a"), b = folder("b");
        auto d = dialog();
        add(*d, a);
        add(*d, b);
        QVERIFY(!d->deleteButton()->isEnabled());
        d->folderList()->setCurrentRow(0);
        QVERIFY(d->deleteButton()->isEnabled());
        d->deleteButton()->click();
        QCOMPARE(d->folders(), std::vector<std::string>{b});
        QCOMPARE(d->folderList()->item(0)->toolTip(), QString::fromStdString(b));
        QVERIFY(d->folderList()->selectedItems().isEmpty());
        QVERIFY(!d->deleteButton()->isEnabled());
        QVERIFY(d->loadButton()->isEnabled());
        d->folderList()->setCurrentRow(0);
        d->deleteButton()->click();
        QVERIFY(d->folders().empty());
        QVERIFY(!d->loadButton()->isEnabled());
    }

    // Network folders can only be copied: refused on Add with Move, and on
    // Load when Move was chosen after they were added.
    void networkFolderCannotBeMoved() {
        const std::string shared = folder("share/photos");
        const std::string other = folder("share/more");
        auto d = dialog();
        add(*d, shared);
        QCOMPARE(d->folders(), std::vector<std::string>{shared});
        d->moveButton()->click();
        QCOMPARE(d->choice(), 1);
        add(*d, other);
        QCOMPARE(shown_, std::vector<int>{142});
        QCOMPARE(d->folders().size(), std::size_t{1});
        d->loadButton()->click();
        QCOMPARE(shown_, (std::vector<int>{142, 142}));
        QCOMPARE(d->result(), int(QDialog::Rejected));
        d->copyButton()->click();
        d->loadButton()->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(d->choice(), 0);
    }

    // A folder without a picture is refused on Add (143), and one that lost
    // its pictures since is caught at Load (147, the last such folder).
    void folderWithoutPicturesIsRefused() {
        const std::string empty = folder("empty", false);
        test::writeText(empty + "/notes.txt", "no pictures");
        fs::create_directory(empty + "/inside.jpg");  // a folder, not a picture
        const std::string a = folder("a"), b = folder("b"), c = folder("c");
        auto d = dialog();
        add(*d, empty);
        QCOMPARE(shown_, std::vector<int>{143});
        QCOMPARE(d->lastMessage()->folder, empty);
        QVERIFY(d->folders().empty());
        add(*d, a);
        add(*d, b);
        add(*d, c);
        fs::remove(a + "/p.jpg");
        fs::remove(b + "/p.jpg");
        d->loadButton()->click();
        QCOMPARE(shown_, (std::vector<int>{143, 147}));
        QCOMPARE(d->lastMessage()->folder, b);
        QVERIFY(d->lastMessage()->text.find("Processing will be suspended.") != std::string::npos);
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(d->folders().size(), std::size_t{3});
    }

    // The files of a folder by name, ignoring case; a movie by its first
    // frame, whose temporary file is gone after each step; round at the ends.
    void previewStepsThroughTheFolderByName() {
        const std::string f = folder("mixed", false);
        test::writeBytes(f + "/b.JPG", jpegPicture(80, 60, 2));
        test::writeBytes(f + "/a.avi", movie(64, 48));
        test::writeBytes(f + "/C.jpg", jpegPicture(60, 80, 3));
        test::writeText(f + "/d.txt", "not a picture");
        auto d = dialog(true);
        QVERIFY(d->choose(QString::fromStdString(f)));
        std::vector<std::string> names;
        for (const std::string& file : d->previewFiles()) names.push_back(nameOf(file));
        QCOMPARE(names, (std::vector<std::string>{"a.avi", "b.JPG", "C.jpg"}));

        const std::string frame = home_ + "/avitemp.jpg";
        const auto shows = [&](const std::string& file) {
            QVERIFY2(d->previewBox()->hasPicture(), file.c_str());
            QCOMPARE(d->previewBox()->shownFile(), file);
            QVERIFY(!frameFileLeft());
        };
        shows(frame);
        d->nextButton()->click();
        shows(f + "/b.JPG");
        d->nextButton()->click();
        shows(f + "/C.jpg");
        d->nextButton()->click();
        shows(frame);
        d->backButton()->click();
        shows(f + "/C.jpg");
        // Choosing the folder again starts at its first file.
        QVERIFY(d->choose(QString::fromStdString(*dir_ / "home")));
        QVERIFY(d->choose(QString::fromStdString(f)));
        QCOMPARE(d->previewIndex(), std::size_t{0});
    }

    // What cannot be shown leaves the box empty, and no frame file stays.
    void unshowableFilesLeaveTheBoxEmpty_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("programFolderThere");
        const samplecard::Bytes avi = movie(64, 48);
        const QByteArray good(reinterpret_cast<const char*>(avi.data()), static_cast<qsizetype>(avi.size()));
        QTest::newRow("damaged picture") << "x.jpg" << QByteArray("\xFF\xD8\xFF\xE0 not really", 16) << true;
        QTest::newRow("empty movie") << "x.AVI" << QByteArray() << true;
        QTest::newRow("movie cut short") << "x.avi" << good.left(good.size() / 3) << true;
        QTest::newRow("not a movie") << "x.avi" << QByteArray("RIFF\0\0\0\0WAVEfmt ", 16) << true;
        QTest::newRow("no program folder to write to") << "x.avi" << good << false;
    }
    void unshowableFilesLeaveTheBoxEmpty() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, programFolderThere);
        const std::string good = folder("good");
        const std::string bad = folder("bad", false);
        test::writeBytes(bad + "/" + name.toStdString(), {bytes.begin(), bytes.end()});
        if (!programFolderThere) fs::remove_all(home_);
        auto d = dialog(true);
        QVERIFY(d->choose(QString::fromStdString(good)));
        QVERIFY(d->previewBox()->hasPicture());
        QVERIFY(d->choose(QString::fromStdString(bad)));
        QVERIFY(!d->previewBox()->hasPicture());
        QVERIFY(d->nextButton()->isEnabled());  // the file is listed, it just does not show
        QVERIFY(!frameFileLeft());
    }

    // The switch: off clears the box and the steps, on shows the folder's
    // picture; its state goes to the caller only with Load.
    void previewSwitch() {
        const std::string f = folder("f");
        fs::remove(f + "/p.jpg");
        test::writeBytes(f + "/1.jpg", jpegPicture(64, 48, 1));
        test::writeBytes(f + "/2.jpg", jpegPicture(64, 48, 2));
        auto d = dialog(false);
        QVERIFY(d->choose(QString::fromStdString(f)));
        QVERIFY(!d->previewBox()->hasPicture());
        QVERIFY(!d->nextButton()->isEnabled());
        d->previewChoice()->click();
        QVERIFY(d->previewBox()->hasPicture());
        QVERIFY(d->backButton()->isEnabled() && d->nextButton()->isEnabled());
        d->nextButton()->click();
        // A file gone meanwhile: the switch reads the folder again and does
        // not step past its end.
        fs::remove(f + "/2.jpg");
        d->previewChoice()->click();
        QVERIFY(!d->previewBox()->hasPicture());
        QVERIFY(!d->backButton()->isEnabled() && !d->nextButton()->isEnabled());
        d->previewChoice()->click();
        QCOMPARE(d->previewFiles().size(), std::size_t{1});
        QCOMPARE(d->previewBox()->shownFile(), f + "/1.jpg");
        QVERIFY(!d->showPreviews());  // as it started, until Load
        add(*d, f);
        d->loadButton()->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QVERIFY(d->showPreviews());
    }

    // The Load page's button: the folder listed is copied into the library,
    // the preview switch comes back; Cancel loads nothing and keeps it.
    void loadPageLoadsTheListedFolders_data() {
        QTest::addColumn<bool>("load");
        QTest::newRow("Load") << true;
        QTest::newRow("Cancel") << false;
    }
    void loadPageLoadsTheListedFolders() {
        QFETCH(bool, load);
        const fs::path card = fs::path(dir_->path()) / "card";
        std::vector<samplecard::CardFile> written;
        std::string error;
        QVERIFY2(samplecard::makeSampleCard(card, {}, written, error), error.c_str());
        std::string source;
        for (const auto& file : written)
            if (platform::endsWithNoCase(file.path, ".JPG") && file.path.starts_with("DCIM/")) {
                source = (card / fs::path(file.path).parent_path()).string();
                break;
            }
        QVERIFY(!source.empty());
        const std::string config = *dir_ / "config";
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::setenv("LUMBREL_OPENER", "/bin/true", 1);
        const std::string drives = *dir_ / "drives";
        test::writeText(drives, "removable\t" + card.string() + "/\n");
        ::setenv("LUMBREL_DRIVES", drives.c_str(), 1);
        test::writeText(config + "/Orrin/Lumbrel.conf", "[CameraImage]\nAutoTakeIn=1\n");
        ml::ListState::shared().preview = false;
        const auto sourceBefore = filesUnder(source);

        DesktopProgram program(home_);
        QCOMPARE(program.start(), std::optional<int>());
        bool filled = false;
        QTimer look;
        connect(&look, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) return;
            auto* d = qobject_cast<OtherImagesDialog*>(modal);
            if (!d) {
                QTest::keyClick(modal, Qt::Key_Return);  // the load's own questions
                return;
            }
            if (filled) return;
            filled = true;
            d->previewChoice()->setChecked(true);
            if (!d->choose(QString::fromStdString(source))) return;
            d->addButton()->click();
            (load ? d->loadButton() : d->findChild<QPushButton*>(QStringLiteral("cancel")))->click();
        });
        look.start(20);
        program.frame().switchPage(kPageLoad, false);
        auto* page = qobject_cast<LoadPage*>(program.frame().page());
        QVERIFY(page);
        page->otherButton()->click();  // returns when the load has ended
        look.stop();
        QVERIFY(filled);
        QCOMPARE(filesUnder(source), sourceBefore);  // copied: the folder keeps its files
        const auto library = filesUnder(fs::path(home_) / "Image Library");
        QCOMPARE(ml::ListState::shared().preview, load);
        if (load)
            QVERIFY2(library.size() > sourceBefore.size(), "the pictures and their previews are in the library");
        else
            QVERIFY(library.empty());
        program.finish();
        ml::ListState::shared().preview = false;
    }
};

}  // namespace lumbrel::ui

QTEST_MAIN(lumbrel::ui::OtherImagesDialogTest)
#include "other_images_dialog_test.moc"
