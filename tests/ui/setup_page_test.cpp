// The Setup page: its first opening (Option tab, the mail name stored, the
// note once), the mail list with programs that are not installed, a stored
// mail name that is no row, every radio button writing its value, automatic
// loading's files, the save folder's label and move, and the rebuild of
// every library from the Option tab.

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "app/setup_choices.h"
#include "app/strings.h"
#include "library_fixture.h"
#include "maintenance/carry.h"
#include "ui/destination_dialogs.h"
#include "ui/mail_list.h"
#include "ui/setup_page.h"

namespace lumbrel::ui {

namespace setting = app::setting;
using test::LibraryFixture;

namespace {

constexpr std::string_view kNotAssigned = "Email software is not assigned";

// Only the first program of the list is installed (its AppPaths entry).
app::MailLookup onlyFirstProgram() {
    return {[](std::string_view file) -> std::optional<std::string> {
                if (file == "msimn.exe") return std::string("\"/opt/mail/bin/mail\"");
                return std::nullopt;
            },
            [] { return std::optional<std::string>(); }, [](std::string_view) { return std::optional<std::string>(); }};
}

void touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

}  // namespace

class SetupPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LibraryFixture> f_;
    int notes_ = 0;

    // A page whose note is counted, not shown.
    std::unique_ptr<SetupPage> makePage(app::MailLookup mail = onlyFirstProgram()) {
        SetupPage::Options options;
        options.mail = std::move(mail);
        options.places = places();
        options.showNote = [this](QWidget*) -> QMessageBox* {
            ++notes_;
            return nullptr;
        };
        return std::make_unique<SetupPage>(f_->settings, &f_->commands, std::move(options));
    }
    app::SetupPlaces places() const { return {f_->path(), f_->path() + "/autostart"}; }

    static void clickRow(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    static int selectedRow(QListWidget* list) {
        const auto items = list->selectedItems();
        return items.size() == 1 ? list->row(items.front()) : -1;
    }

private slots:
    void init() {
        f_ = std::make_unique<LibraryFixture>();
        notes_ = 0;
    }
    void cleanup() { f_.reset(); }

    // On a fresh profile the page opens on the Option tab, stores the mail
    // name and shows the note, without waiting for it; the next opening
    // starts on General and shows no note.
    void firstOpening() {
        QVERIFY(!f_->settings.stored(setting::MailName));
        {
            SetupPage::Options options;
            options.mail = onlyFirstProgram();
            options.places = places();
            SetupPage page(f_->settings, &f_->commands, std::move(options));
            QCOMPARE(page.tabs()->currentIndex(), int(SetupPage::Option));
            QVERIFY(f_->settings.stored(setting::MailName));
            QCOMPARE(f_->settings.get(setting::MailName), std::string(kNotAssigned));
            QCOMPARE(page.mailChoiceLabel()->text(), QString::fromUtf8(kNotAssigned));
            QCOMPARE(selectedRow(page.mailList()), 0);
            QVERIFY(!page.mailNote());  // not before the page is on the screen
            page.show();
            QTRY_VERIFY(page.mailNote());
            QMessageBox* note = page.mailNote();
            QCOMPARE(note->windowTitle(), QStringLiteral("Mail Settings"));
            QCOMPARE(note->text(), QStringLiteral("First setup options.\n\nTo apply settings to the library,\n"
                                                  "rebuild the library after setting up."));
            QVERIFY(note->isVisible());
            QCOMPARE(note->windowModality(), Qt::WindowModal);
            // Shown again, the page does not show it again.
            page.hide();
            page.show();
            QTest::qWait(20);
            QCOMPARE(page.notesShown(), 1);
            note->button(QMessageBox::Ok)->click();
            QTRY_VERIFY(!page.mailNote());  // it deletes itself once closed
        }
        auto again = makePage();
        again->show();
        QTest::qWait(20);
        QCOMPARE(again->tabs()->currentIndex(), int(SetupPage::General));
        QCOMPARE(notes_, 0);
        QCOMPARE(again->notesShown(), 0);
    }

    // With only the first program installed the other two are greyed: a
    // click or a key on them leaves the choice, its label and the selection
    // as they were; the choosable rows are chosen by a click.
    void greyedRowsCannotBeChosen() {
        f_->settings.set(setting::MailName, "Outlook Express");
        auto page = makePage();
        page->tabs()->setCurrentIndex(SetupPage::Option);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        MailList* list = page->mailList();
        QCOMPARE(selectedRow(list), 1);
        for (int row : {2, 3}) {
            clickRow(list, row);
            QCOMPARE(f_->settings.get(setting::MailName), std::string("Outlook Express"));
            QCOMPARE(page->mailChoiceLabel()->text(), QStringLiteral("Outlook Express"));
            QCOMPARE(selectedRow(list), 1);
        }
        list->setFocus();
        list->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(selectedRow(list), 1);
        QCOMPARE(f_->settings.get(setting::MailName), std::string("Outlook Express"));
        // Selected by the program rather than the user: taken back all the same.
        list->setCurrentRow(3, QItemSelectionModel::ClearAndSelect);
        QCOMPARE(selectedRow(list), 1);
        clickRow(list, 0);
        QCOMPARE(f_->settings.get(setting::MailName), std::string(kNotAssigned));
        QCOMPARE(page->mailChoiceLabel()->text(), QString::fromUtf8(kNotAssigned));
        clickRow(list, 1);
        QCOMPARE(f_->settings.get(setting::MailName), std::string("Outlook Express"));
        QCOMPARE(page->mailChoiceLabel()->text(), QStringLiteral("Outlook Express"));
    }

    // Rows of 17 pixels: the selected one in the selection colours, the
    // choosable ones in the list's colours, the others on grey.
    void mailRowsAreDrawnByState() {
        f_->settings.set(setting::MailName, std::string(kNotAssigned));
        auto page = makePage();
        page->tabs()->setCurrentIndex(SetupPage::Option);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        MailList* list = page->mailList();
        for (int row = 0; row < 4; ++row) QCOMPARE(list->visualItemRect(list->item(row)).height(), 17);
        // Every row shows without scrolling.
        QVERIFY(list->visualItemRect(list->item(3)).bottom() < list->viewport()->height());
        const QImage shot = list->viewport()->grab().toImage();
        const auto colourAt = [&](int row) {
            const QRect r = list->visualItemRect(list->item(row));
            return shot.pixel(r.right() - 2, r.top() + 1);
        };
        const QPalette& palette = list->palette();
        QCOMPARE(colourAt(0), palette.color(QPalette::Active, QPalette::Highlight).rgb());
        QCOMPARE(colourAt(1), palette.color(QPalette::Active, QPalette::Base).rgb());
        QCOMPARE(colourAt(2), palette.color(QPalette::Active, QPalette::Midlight).rgb());
        QCOMPARE(colourAt(3), colourAt(2));
        QVERIFY(colourAt(2) != colourAt(1));
        // The installed program has an icon; "not assigned" has none.
        QVERIFY(!list->item(1)->data(MailList::IconRole).value<QIcon>().isNull());
        QVERIFY(!list->item(0)->data(MailList::IconRole).isValid() && !list->item(2)->data(MailList::IconRole).isValid());
    }

    // A stored name of no row selects row 0 and shows its name; the stored
    // name stays, and the page opens on General.
    void unknownMailNameShowsRowZero() {
        f_->settings.set(setting::MailName, "outlook express");  // the comparison is exact
        auto page = makePage();
        QCOMPARE(page->tabs()->currentIndex(), int(SetupPage::General));
        QCOMPARE(selectedRow(page->mailList()), 0);
        QCOMPARE(page->mailChoiceLabel()->text(), QString::fromUtf8(kNotAssigned));
        QCOMPARE(f_->settings.get(setting::MailName), std::string("outlook express"));
        page->show();
        QTest::qWait(20);
        QCOMPARE(notes_, 0);
    }

    // Without stored values the buttons show the defaults; a value other
    // than 0 or 1 shows as the second button, as the program acts on it.
    void radiosShowStoredValues() {
        f_->settings.set(setting::MailName, std::string(kNotAssigned));
        {
            auto page = makePage();
            const std::pair<app::SetupTab, int> checked[] = {
                {app::SetupTab::General, 1018}, {app::SetupTab::General, 1043}, {app::SetupTab::General, 1044},
                {app::SetupTab::Camera, 1018},  {app::SetupTab::Camera, 1042},  {app::SetupTab::Camera, 1044},
                {app::SetupTab::Camera, 1048},  {app::SetupTab::Option, 1018},  {app::SetupTab::Option, 1042}};
            for (const auto& [tab, control] : checked)
                QVERIFY2(page->radio(tab, control)->isChecked(), qPrintable(page->radio(tab, control)->text()));
        }
        f_->settings.set(setting::ShowLibrary, 7);
        auto page = makePage();
        QVERIFY(page->radio(app::SetupTab::General, 1045)->isChecked());
        QVERIFY(!page->radio(app::SetupTab::General, 1044)->isChecked());
    }

    void eachRadioWritesItsValue_data() {
        QTest::addColumn<int>("choice");
        for (std::size_t i = 0; i < app::kSetupChoices.size(); ++i) {
            const app::SetupChoice& c = app::kSetupChoices[i];
            QTest::newRow(qPrintable(QStringLiteral("%1 %2=%3").arg(c.control).arg(QLatin1String(c.setting->key)).arg(c.value)))
                << int(i);
        }
    }
    // Each button writes its value at once, and only its own setting.
    void eachRadioWritesItsValue() {
        QFETCH(int, choice);
        const app::SetupChoice& c = app::kSetupChoices[std::size_t(choice)];
        f_->settings.set(setting::MailName, std::string(kNotAssigned));
        f_->settings.set(*c.setting, 1 - c.value);
        auto page = makePage();
        QRadioButton* radio = page->radio(c.tab, c.control);
        QVERIFY(radio);
        QCOMPARE(radio->text(), QString::fromUtf8(c.text.data(), qsizetype(c.text.size())));
        QVERIFY(!radio->isChecked());
        std::map<const app::IntSetting*, bool> storedBefore;
        for (const app::SetupChoice& other : app::kSetupChoices) storedBefore[other.setting] = f_->settings.stored(*other.setting);
        page->tabs()->setCurrentIndex(int(c.tab));
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        QTest::mouseClick(radio, Qt::LeftButton);
        QVERIFY(radio->isChecked());
        QCOMPARE(f_->settings.get(*c.setting), c.value);
        for (const app::SetupChoice& other : app::kSetupChoices)
            if (other.setting != c.setting)
                QCOMPARE(f_->settings.stored(*other.setting), storedBefore[other.setting]);
    }

    // Automatic loading ON drops a pending request file; OFF drops the
    // watcher's autostart entry. Neither touches the other's file.
    void automaticLoadingFiles() {
        f_->settings.set(setting::MailName, std::string(kNotAssigned));
        const std::filesystem::path request = std::filesystem::path(f_->path()) / "Lumbrel.tmp";
        const std::filesystem::path entry = std::filesystem::path(f_->path()) / "autostart" /
                                            (std::string(app::text(app::kStrWatcherEntryName)) + ".desktop");
        touch(request);
        touch(entry);
        auto page = makePage();
        page->radio(app::SetupTab::Camera, 1018)->click();
        QVERIFY(!std::filesystem::exists(request));
        QVERIFY(std::filesystem::exists(entry));
        QCOMPARE(f_->settings.get(setting::AutoTakeIn), 0);
        touch(request);
        page->radio(app::SetupTab::Camera, 1019)->click();
        QVERIFY(!std::filesystem::exists(entry));
        QVERIFY(std::filesystem::exists(request));
        QCOMPARE(f_->settings.get(setting::AutoTakeIn), 1);
    }

    void saveFolderLabel_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("shown");
        QTest::newRow("23 in full") << "/abcdefghij/klmnopqrstu" << "/abcdefghij/klmnopqrstu";
        QTest::newRow("24 abbreviated") << "/abcdefghij/klmnopqrstuv" << "/ab ... defghij/klmnopqrstuv";
    }
    void saveFolderLabel() {
        QFETCH(QString, folder);
        QFETCH(QString, shown);
        f_->settings.set(setting::MailName, std::string(kNotAssigned));
        f_->settings.set(setting::SaveFolder, folder.toStdString());
        auto page = makePage();
        QCOMPARE(page->saveFolderLabel()->text(), shown);
        QCOMPARE(page->saveFolderLabel()->toolTip(), folder);
    }

    // Browse moves the image library root to the folder chosen (into an
    // "Image Library" there); the label shows the new place and the buttons
    // read the settings again.
    void browseMovesTheSaveFolder() {
        f_->settings.set(setting::MailName, std::string(kNotAssigned));
        const std::string library = f_->addLibrary("20240301", "beach", 2, 4096);
        const std::string dest = f_->path() + "/elsewhere/photos";
        std::filesystem::create_directories(dest);
        auto page = makePage();
        page->show();
        f_->settings.set(setting::InputTitle, 0);  // changed behind the page
        QTimer::singleShot(0, [dest] {
            auto* dialog = qobject_cast<SaveFolderDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(dialog->choose(QString::fromStdString(dest)));
            dialog->okButton()->click();
        });
        page->saveFolderButton()->click();
        const std::string moved = dest + "/Image Library";
        QCOMPARE(f_->settings.get(setting::SaveFolder), moved);
        QVERIFY(f_->doc.findLibrary(moved + "/20240301"));
        QVERIFY(std::filesystem::exists(moved + "/20240301/PREVIEW/P0001.JPG"));
        QVERIFY(!std::filesystem::exists(library));
        QCOMPARE(page->saveFolderLabel()->text(), QString::fromStdString(maintenance::generalPathText(moved)));
        QVERIFY(page->radio(app::SetupTab::General, 1042)->isChecked());
        QCOMPARE(f_->prompt.errors, 0);
        QVERIFY(page->isEnabled());
    }

    // Rebuild from the Option tab: after the confirmation every library takes
    // the print, size and mail options of now and keeps its own template;
    // Cancel changes nothing.
    void rebuildAllTakesTheOptions() {
        f_->settings.set(setting::MailName, "Outlook Express");
        const std::string beach = f_->addLibrary("20240301", "beach", 2);
        const std::string empty = f_->addLibrary("20231224", "City", 0);
        f_->doc.findLibrary(beach)->templateName = "Type 3,Blue/gray";
        auto page = makePage();
        page->show();
        f_->settings.set(setting::PrintButton, 1);  // changed behind the page
        f_->settings.set(setting::TempSize, 1);

        f_->prompt.confirmAnswer = false;
        page->rebuildButton()->click();
        QCOMPARE(f_->prompt.confirmations, 1);
        QCOMPARE(f_->doc.findLibrary(beach)->printButton, 0);
        QVERIFY(f_->doc.findLibrary(empty));
        QVERIFY(page->radio(app::SetupTab::Option, 1018)->isChecked());

        f_->prompt.confirmAnswer = true;
        page->rebuildButton()->click();
        QCOMPARE(f_->prompt.confirmations, 2);
        const library::CAlbumData* rebuilt = f_->doc.findLibrary(beach);
        QVERIFY(rebuilt);
        QCOMPARE(rebuilt->printButton, 1);
        QCOMPARE(rebuilt->attachmentSize, 1);
        QCOMPARE(rebuilt->mailSoftware, std::string("Outlook Express"));
        QCOMPARE(rebuilt->templateName, std::string("Type 3,Blue/gray"));
        QVERIFY(!f_->doc.findLibrary(empty));  // it had no picture left
        QCOMPARE(page->navigation()->libraryCountText(), QStringLiteral("1 "));
        QVERIFY(page->radio(app::SetupTab::Option, 1019)->isChecked());
        QVERIFY(page->radio(app::SetupTab::Option, 1043)->isChecked());
        QCOMPARE(f_->prompt.errors, 0);
    }
};

}  // namespace lumbrel::ui

QTEST_MAIN(lumbrel::ui::SetupPageTest)
#include "setup_page_test.moc"
