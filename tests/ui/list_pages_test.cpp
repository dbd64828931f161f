// The library list pages: the list's cells, sorting by column clicks, an
// empty index, the preview of one selected library (and of none when two
// are), stepping round the preview list, the space figure of Copy and Move,
// the column widths that follow the user from page to page, the Edit and
// Delete pages' buttons, and the commands run through the pages.

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>

#include "library_fixture.h"
#include "maintenance/delete_libraries.h"
#include "maintenance/library_list.h"
#include "ui/carry_page.h"
#include "ui/change_title_dialog.h"
#include "ui/delete_page.h"
#include "ui/destination_dialogs.h"
#include "ui/edit_page.h"
#include "ui/preview_box.h"

namespace lumbrel::ui {

namespace ml = maintenance;
using test::LibraryFixture;

class ListPagesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LibraryFixture> f_;

    // The three libraries most tests use: newest first by date, "Alps" <
    // "beach" < "City" by title, 5 > 2 > 0 by number of images.
    void addThree() {
        f_->addLibrary("20240301", "beach", 2, 1000);
        f_->addLibrary("20240517", "Alps", 5, 3000);
        f_->addLibrary("20231224", "City", 0, 500);
    }

    static QStringList column(const ListPage& page, int column) {
        QStringList texts;
        for (int row = 0; row < page.model()->rowCount(); ++row)
            texts << page.model()->index(row, column).data().toString();
        return texts;
    }

    static void clickHeader(ListPage& page, int column) {
        QHeaderView* header = page.list()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

private slots:
    void init() {
        ml::ListState::shared() = ml::ListState{};
        f_ = std::make_unique<LibraryFixture>();
    }
    void cleanup() { f_.reset(); }

    void cellsHeadersAndAlignment() {
        addThree();
        CarryPage page(CarryPage::Kind::Copy, &f_->settings, &f_->commands);
        QAbstractItemModelTester tester(page.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(page.model()->rowCount(), 3);
        QCOMPARE(page.model()->columnCount(), 5);
        const QStringList headers{"Date", "Title", "Number of images", "Template", "Location"};
        for (int c = 0; c < 5; ++c) QCOMPARE(page.model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
        QCOMPARE(column(page, 0), QStringList({"2024/05/17", "2024/03/01", "2023/12/24"}));
        QCOMPARE(column(page, 2), QStringList({"5", "2", "0"}));
        QCOMPARE(column(page, 3).front(), QStringLiteral("Type 1,Blue/white"));
        const auto align = [&](int c) {
            return page.model()->index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(align(0), Qt::AlignHCenter);
        QCOMPARE(align(1), Qt::AlignLeft);
        QCOMPARE(align(2), Qt::AlignRight);
        QCOMPARE(page.navigation()->libraryCountText(), QStringLiteral("3 "));
    }

    // The first click after start-up sorts ascending; every click flips the
    // direction, whichever column it is on; the selection stays on its library.
    void columnClicksSort() {
        addThree();
        EditPage page(&f_->settings, &f_->commands);
        page.show();
        page.selectRows({page.model()->rowOf(f_->settings.saveFolder() + "/20231224")});
        clickHeader(page, 1);
        QCOMPARE(column(page, 1), QStringList({"Alps", "beach", "City"}));
        QCOMPARE(page.selectedLocations(), std::vector<std::string>{f_->settings.saveFolder() + "/20231224"});
        clickHeader(page, 2);
        QCOMPARE(column(page, 2), QStringList({"5", "2", "0"}));
        clickHeader(page, 2);
        QCOMPARE(column(page, 2), QStringList({"0", "2", "5"}));
        // The order is the program's, not the page's: the next page starts with it.
        CarryPage move(CarryPage::Kind::Move, &f_->settings, &f_->commands);
        QCOMPARE(column(move, 2), QStringList({"0", "2", "5"}));
    }

    void emptyIndexDisablesEverything() {
        EditPage edit(&f_->settings, &f_->commands);
        DeletePage del(&f_->settings, &f_->commands);
        CarryPage copy(CarryPage::Kind::Copy, &f_->settings, &f_->commands);
        CarryPage move(CarryPage::Kind::Move, &f_->settings, &f_->commands);
        for (ListPage* page : std::initializer_list<ListPage*>{&edit, &del, &copy, &move}) {
            QCOMPARE(page->model()->rowCount(), 0);
            QVERIFY(!page->allSelectButton()->isEnabled());
            QVERIFY(!page->beforeButton()->isEnabled());
            QVERIFY(!page->nextButton()->isEnabled());
            QCOMPARE(page->navigation()->libraryCountText(), QStringLiteral("0 "));
            for (QPushButton* b : page->findChildren<QPushButton*>())
                if (b->parent() == page) QVERIFY2(!b->isEnabled(), qPrintable(b->text()));
        }
        QCOMPARE(copy.spaceFigure()->text(), QStringLiteral("0 KB"));
        // A page without the program's document is an empty list too.
        EditPage alone(&f_->settings, nullptr);
        QCOMPARE(alone.model()->rowCount(), 0);
    }

    void previewOfOneSelectedLibraryOnly() {
        addThree();
        ml::ListState::shared().preview = true;
        CarryPage page(CarryPage::Kind::Copy, &f_->settings, &f_->commands);
        QVERIFY(page.previewChoice()->isChecked());
        page.selectRows({1});  // beach, 2 pictures
        QCOMPARE(page.previewEntries().size(), std::size_t(2));
        QVERIFY(page.preview()->hasPicture());
        QVERIFY(page.nextButton()->isEnabled());
        page.selectRows({0, 1});
        QVERIFY(!page.preview()->hasPicture());
        QVERIFY(!page.beforeButton()->isEnabled());
        QVERIFY(!page.nextButton()->isEnabled());
        // A library without pictures shows none either.
        page.selectRows({2});
        QVERIFY(!page.preview()->hasPicture());
        QVERIFY(!page.nextButton()->isEnabled());
        // Clearing the box puts the preview off for every page.
        page.selectRows({1});
        page.previewChoice()->click();
        QVERIFY(!ml::ListState::shared().preview);
        QVERIFY(!page.preview()->hasPicture());
        QVERIFY(!page.nextButton()->isEnabled());
        page.previewChoice()->click();
        QVERIFY(page.preview()->hasPicture());
    }

    void beforeAndNextGoRound() {
        f_->addLibrary("20240517", "Alps", 3);
        DeletePage page(&f_->settings, &f_->commands);  // its preview is always on
        page.selectRows({0});
        const auto shown = [&] { return std::filesystem::path(page.preview()->shownFile()).filename().string(); };
        QCOMPARE(shown(), std::string("P0001.JPG"));
        page.beforeButton()->click();
        QCOMPARE(page.previewIndex(), std::size_t(2));
        QCOMPARE(shown(), std::string("P0003.JPG"));
        page.nextButton()->click();
        QCOMPARE(page.previewIndex(), std::size_t(0));
        page.nextButton()->click();
        QCOMPARE(shown(), std::string("P0002.JPG"));
    }

    void spaceFigure_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1,023 bytes") << 1023 << -1 << "0 KB";
        QTest::newRow("1,048,576,000 bytes") << 1048576000 << -1 << "1,024,000 KB";
        QTest::newRow("two libraries") << 1048576000 << 1048576000 << "2,048,000 KB";
        QTest::newRow("1 KB") << 1024 << -1 << "1 KB";
    }
    void spaceFigure() {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QString, shown);
        f_->addLibrary("20240301", "one", 1, first);
        if (second >= 0) f_->addLibrary("20240302", "two", 1, second);
        CarryPage page(CarryPage::Kind::Copy, &f_->settings, &f_->commands);
        page.selectAll();
        QCOMPARE(page.spaceFigure()->text(), shown);
        page.selectRows({});
        QCOMPARE(page.spaceFigure()->text(), QStringLiteral("0 KB"));
    }

    // Only "LNK" and "lnk" are shortcuts; "x.Lnk" is shown as the file it is.
    void shortcutSpellings() {
        const std::string jpeg = f_->path() + "/x.Lnk";
        test::writeBytes(jpeg, test::solidJpeg(200, 10, 10));
        QCOMPARE(previewTarget(jpeg), std::optional<std::string>(jpeg));
        PreviewBox box;
        QVERIFY(box.showEntry(jpeg));
        QCOMPARE(box.shownFile(), jpeg);

        const std::string notLink = f_->path() + "/y.LNK";
        test::writeBytes(notLink, test::solidJpeg(10, 200, 10));
        QCOMPARE(previewTarget(notLink), std::nullopt);
        QVERIFY(!box.showEntry(notLink));
        QVERIFY(!box.hasPicture());

        const std::string target = f_->path() + "/target.JPG";
        test::writeBytes(target, test::solidJpeg(10, 10, 200));
        const std::string link = f_->path() + "/z.JPG.lnk";
        std::filesystem::create_symlink(target, link);
        QVERIFY(box.showEntry(link));
        QCOMPARE(std::filesystem::path(box.shownFile()).filename(), std::filesystem::path("target.JPG"));
        // A file that is no picture clears the box.
        QVERIFY(!box.showEntry(f_->path() + "/Lumbrel.conf"));
        QVERIFY(!box.hasPicture());
    }

    void columnWidthsFollowTheUser() {
        addThree();
        f_->settings.set(app::setting::Column1, 140);
        {
            EditPage page(&f_->settings, &f_->commands);
            QCOMPARE(page.list()->columnWidth(1), 140);
            QCOMPARE(page.list()->columnWidth(0), 98);
            page.list()->setColumnWidth(4, 321);
            emit page.navigation()->triggered(NavButton::Copy);
            QCOMPARE(f_->settings.get(app::setting::Column4), 321);
            QCOMPARE(f_->settings.get(app::setting::Column1), 140);
        }
        CarryPage copy(CarryPage::Kind::Copy, &f_->settings, &f_->commands);
        QCOMPARE(copy.list()->columnWidth(4), 321);
    }

    void editButtonsFollowTheSelection() {
        addThree();
        EditPage page(&f_->settings, &f_->commands);
        QVERIFY(!page.titleButton()->isEnabled());
        QVERIFY(!page.rebuildButton()->isEnabled());
        page.selectRows({1});
        QVERIFY(page.titleButton()->isEnabled());
        QVERIFY(page.rebuildButton()->isEnabled());
        page.selectAll();
        QVERIFY(!page.titleButton()->isEnabled());
        QVERIFY(page.rebuildButton()->isEnabled());
        QCOMPARE(page.selectedLocations().size(), std::size_t(3));
    }

    void deletePageMarks() {
        addThree();
        DeletePage page(&f_->settings, &f_->commands);
        QVERIFY(!page.markButton()->isEnabled());
        QVERIFY(!page.deleteImagesButton()->isEnabled());
        page.selectRows({0});  // Alps, 5 pictures
        QVERIFY(page.markButton()->isEnabled());
        QVERIFY(page.deleteButton()->isEnabled());
        QVERIFY(!page.preview()->markVisible());
        page.nextButton()->click();
        page.markButton()->click();
        QVERIFY(page.preview()->markVisible());
        QVERIFY(page.deleteImagesButton()->isEnabled());
        page.nextButton()->click();
        QVERIFY(!page.preview()->markVisible());
        page.beforeButton()->click();
        QVERIFY(page.preview()->markVisible());
        // Two rows: no picture to mark.
        page.selectRows({0, 1});
        QVERIFY(!page.markButton()->isEnabled());
        // A refill clears every mark.
        page.updateFromDocument();
        QVERIFY(!ml::isMarked(f_->doc, page.model()->location(0), 1));
        QVERIFY(!page.deleteImagesButton()->isEnabled());
    }

    // The title dialog's text goes through the core into the record; the
    // library stays selected.
    void changeTitleThroughThePage() {
        addThree();
        EditPage page(&f_->settings, &f_->commands);
        page.show();
        const int row = page.model()->rowOf(f_->settings.saveFolder() + "/20240301");
        page.selectRows({row});
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<ChangeTitleDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->field()->selectedText(), QStringLiteral("beach"));
            dialog->field()->setText(QStringLiteral("Beach in May"));
            dialog->accept();
        });
        page.titleButton()->click();
        QCOMPARE(f_->doc.findLibrary(f_->settings.saveFolder() + "/20240301")->title, std::string("Beach in May"));
        QCOMPARE(page.model()->item(row).title, std::string("Beach in May"));
        QCOMPARE(page.selectedRows(), std::vector<int>{row});
        QVERIFY(page.isEnabled());
    }

    // A library whose folder holds no picture goes; the others stay selected.
    void rebuildThroughThePage() {
        addThree();
        EditPage page(&f_->settings, &f_->commands);
        page.show();
        page.selectAll();
        page.rebuildButton()->click();
        QCOMPARE(f_->prompt.confirmations, 1);
        QCOMPARE(page.model()->rowCount(), 2);
        QCOMPARE(page.model()->rowOf(f_->settings.saveFolder() + "/20231224"), -1);
        QCOMPARE(page.selectedRows(), std::vector<int>({0, 1}));
        QVERIFY(page.rebuildButton()->isEnabled());
        // Cancel in the question leaves the list and the selection alone.
        f_->prompt.confirmAnswer = false;
        page.selectRows({1});
        page.rebuildButton()->click();
        QCOMPARE(page.model()->rowCount(), 2);
        QCOMPARE(page.selectedRows(), std::vector<int>{1});
    }

    void deleteLibrariesThroughThePage() {
        addThree();
        DeletePage page(&f_->settings, &f_->commands);
        page.show();
        const std::string gone = f_->settings.saveFolder() + "/20231224";
        page.selectRows({page.model()->rowOf(gone)});
        f_->prompt.confirmAnswer = false;
        page.deleteButton()->click();
        QCOMPARE(page.model()->rowCount(), 3);
        f_->prompt.confirmAnswer = true;
        page.deleteButton()->click();
        QCOMPARE(page.model()->rowCount(), 2);
        QCOMPARE(page.model()->rowOf(gone), -1);
        QCOMPARE(page.navigation()->libraryCountText(), QStringLiteral("2 "));
        QVERIFY(!std::filesystem::exists(gone));
        QVERIFY(std::filesystem::is_directory(f_->path() + "/data/Trash/files/20231224"));
        QVERIFY(page.isEnabled());
    }

    // Copy and Move ask for the destination, then carry the selection there:
    // a copy keeps the list, a move takes the library out of it.
    void copyAndMoveThroughThePages() {
        addThree();
        const std::string dest = f_->path() + "/backup";
        std::filesystem::create_directories(dest);
        const auto chooseDestination = [dest] {
            QTimer::singleShot(0, [dest] {
                auto* dialog = qobject_cast<FolderVolumeDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QVERIFY(dialog->choose(QString::fromStdString(dest)));
                dialog->okButton()->click();
            });
        };
        const std::string beach = f_->settings.saveFolder() + "/20240301";
        {
            CarryPage copy(CarryPage::Kind::Copy, &f_->settings, &f_->commands);
            copy.show();
            copy.selectRows({copy.model()->rowOf(beach)});
            chooseDestination();
            copy.carryButton()->click();
            QVERIFY(std::filesystem::exists(dest + "/20240301/PREVIEW/P0002.JPG"));
            QCOMPARE(copy.model()->rowCount(), 3);
            QCOMPARE(copy.selectedLocations(), std::vector<std::string>{beach});
            std::filesystem::remove_all(dest + "/20240301");
        }
        CarryPage move(CarryPage::Kind::Move, &f_->settings, &f_->commands);
        move.show();
        move.selectRows({move.model()->rowOf(beach)});
        chooseDestination();
        move.carryButton()->click();
        QVERIFY(std::filesystem::exists(dest + "/20240301/P0001.JPG"));
        QVERIFY(!std::filesystem::exists(beach));
        QCOMPARE(move.model()->rowCount(), 2);
        QCOMPARE(move.model()->rowOf(beach), -1);
        QCOMPARE(f_->prompt.errors, 0);
    }
};

}  // namespace lumbrel::ui

QTEST_MAIN(lumbrel::ui::ListPagesTest)
#include "list_pages_test.moc"
