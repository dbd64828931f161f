// The main window: page switching and window sizes, the close box and Exit,
// the remembered place and size, and the 5-second watch with the busy flag.

#include <QCloseEvent>
#include <QScreen>
#include <QtTest>

#include <string>

#include "app/busy_flag.h"
#include "app/settings.h"
#include "camera/auto_load.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "support/temp_dir.h"
#include "ui/load_page.h"
#include "ui/main_frame.h"

namespace lumbrel::ui {
namespace {

namespace setting = app::setting;

// The program behind the window: the watch asks the core whether a request
// file is to be loaded, as the desktop program does.
class FakeActions : public FrameActions {
public:
    FakeActions(app::Settings& settings, std::string folder) : settings_(settings), folder_(std::move(folder)) {}
    void loadFromCamera(int connection) override { cameraLoads.push_back(connection); }
    void loadOtherImages() override {}
    void viewLibrary() override { ++views; }
    void startPrintProgram() override {}
    void openHelp() override {}
    void pollAutomaticLoading() override { camera::pollRequestFile(folder_, settings_, loader); }
    int libraryCount() const override { return 7; }
    bool automaticLoading() const override { return true; }

    struct Loader : app::AutomaticLoader {
        bool load(const std::string& requestFile) override {
            loaded.push_back(requestFile);
            platform::deleteFile(requestFile);
            return true;
        }
        std::vector<std::string> loaded;
    } loader;
    std::vector<int> cameraLoads;
    int views = 0;

private:
    app::Settings& settings_;
    std::string folder_;
};

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TempDir> dir_;
    std::unique_ptr<platform::Profile> profile_;
    std::unique_ptr<app::Settings> settings_;
    std::unique_ptr<FakeActions> actions_;

    std::unique_ptr<MainFrame> newFrame() {
        auto frame = std::make_unique<MainFrame>(*settings_, *actions_);
        frame->show();
        return frame;
    }

private slots:
    void init() {
        dir_ = std::make_unique<test::TempDir>();
        profile_ = std::make_unique<platform::Profile>(*dir_ / "Lumbrel.conf");
        settings_ = std::make_unique<app::Settings>(*profile_, dir_->path());
        actions_ = std::make_unique<FakeActions>(*settings_, dir_->path());
        app::setBusy(false);
    }

    void pagesAndSizes() {
        auto frame = newFrame();
        QCOMPARE(frame->currentPage(), int(kPageNavigation));
        QCOMPARE(frame->size(), frame->navigationSize());
        QCOMPARE(frame->minimumSize(), frame->maximumSize());  // the navigation page cannot be resized
        QVERIFY(frame->pageSize().width() > frame->navigationSize().width());
        QCOMPARE(frame->page()->navigation()->libraryCountText(), QStringLiteral("7 "));
        QCOMPARE(frame->page()->navigation()->automaticLoadingText(), QStringLiteral("ON"));

        frame->switchPage(kPageCopy, false);
        QCOMPARE(frame->currentPage(), int(kPageCopy));
        QCOMPARE(frame->size(), frame->pageSize());
        QCOMPARE(frame->minimumSize(), frame->pageSize());  // larger, never smaller
        QVERIFY(frame->maximumSize().width() > frame->pageSize().width());
        QPointer<Page> copy = frame->page();
        frame->switchPage(999, true);  // no page of that number
        frame->switchPage(kPageCopy, true);  // already showing
        QCOMPARE(frame->page(), copy.data());

        // The Load button on a page remembers the page's size for the next one.
        frame->resize(frame->pageSize() + QSize(40, 30));
        frame->page()->navigation()->button(NavButton::Load)->click();
        QCOMPARE(frame->currentPage(), int(kPageLoad));
        QVERIFY(copy.isNull());  // the page left is gone
        QCOMPARE(settings_->get(setting::WinWidth), frame->pageSize().width() + 40);
        QCOMPARE(frame->size(), frame->pageSize() + QSize(40, 30));
    }

    void loadPageKeepsTheConnectionChoice() {
        settings_->set(setting::UsbSerial, 1);
        auto frame = newFrame();
        frame->switchPage(kPageLoad, false);
        auto* load = qobject_cast<LoadPage*>(frame->page());
        QVERIFY(load);
        QCOMPARE(load->connection(), 1);
        load->cameraButton()->click();
        QCOMPARE(actions_->cameraLoads, std::vector<int>{1});
        load->findChildren<QRadioButton*>().first()->click();  // Card/USB
        frame->switchPage(kPageNavigation, true);
        QCOMPARE(settings_->get(setting::UsbSerial), 0);
    }

    void closeBoxReturnsToTheNavigationPageThenEnds() {
        auto frame = newFrame();
        frame->switchPage(kPageCopy, false);
        QVERIFY(!frame->close());  // the close box on a page goes back
        QCOMPARE(frame->currentPage(), int(kPageNavigation));
        QCOMPARE(settings_->get(setting::WinHeight), frame->pageSize().height());
        QVERIFY(frame->close());
        QVERIFY(!frame->isVisible());
    }

    void exitEndsFromAnyPage() {
        auto frame = newFrame();
        frame->switchPage(kPageMove, false);
        PictureButton* exit = frame->page()->navigation()->button(NavButton::Exit);
        exit->click();
        QVERIFY(!frame->isVisible());
        QVERIFY(!exit->isEnabled());
    }

    void closeIsRefusedWhileBusy() {
        auto frame = newFrame();
        app::setBusy(true);
        QVERIFY(!frame->close());
        QVERIFY(frame->isVisible());
        app::setBusy(false);
        QVERIFY(frame->close());
    }

    void rememberedPlace_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<QPoint>("expected");
        const QSize area = QGuiApplication::primaryScreen()->availableGeometry().size();
        QTest::newRow("inside") << 40 << 30 << QPoint(40, 30);
        QTest::newRow("left beyond the screen") << area.width() + 1 << 30 << QPoint(0, 30);
        QTest::newRow("negative top") << 40 << -25 << QPoint(40, 0);
        QTest::newRow("both off") << -1 << area.height() + 500 << QPoint(0, 0);
    }

    void rememberedPlace() {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(QPoint, expected);
        settings_->set(setting::WinLeft, left);
        settings_->set(setting::WinTop, top);
        auto frame = newFrame();
        QCOMPARE(frame->pos(), expected);
    }

    void placeAndSizeWrittenAtTheEnd() {
        {
            auto frame = newFrame();
            frame->switchPage(kPageSetup, false);
            frame->move(120, 80);
            frame->resize(frame->pageSize() + QSize(10, 20));
            frame->page()->navigation()->button(NavButton::Exit)->click();
        }
        QCOMPARE(settings_->get(setting::WinLeft), 120);
        QCOMPARE(settings_->get(setting::WinTop), 80);
        auto again = newFrame();
        QCOMPARE(again->pos(), QPoint(120, 80));
        again->switchPage(kPageEdit, false);
        QCOMPARE(again->size(), again->pageSize() + QSize(10, 20));
    }

    void maximisedPageCarriesOver() {
        auto frame = newFrame();
        frame->switchPage(kPageEdit, false);
        frame->showMaximized();
        QTRY_VERIFY(frame->isMaximized());
        frame->page()->navigation()->button(NavButton::Delete)->click();
        QCOMPARE(frame->currentPage(), int(kPageDelete));
        QTRY_VERIFY(frame->isMaximized());
    }

    // A request written while a command holds the busy flag is taken by the
    // first tick of the watch after the command.
    void watchWaitsWhileBusy() {
        auto frame = newFrame();
        const std::string request = platform::joinPath(dir_->path(), "Lumbrel.tmp");
        test::writeText(request, "/media/card/\n");
        app::setBusy(true);
        frame->pollTick();
        QVERIFY(actions_->loader.loaded.empty());
        QVERIFY(platform::exists(request));
        QVERIFY(frame->watching());  // the watch goes on
        app::setBusy(false);
        frame->pollTick();
        QCOMPARE(actions_->loader.loaded, std::vector<std::string>{request});
        frame->pollTick();  // the request was taken: nothing more
        QCOMPARE(actions_->loader.loaded.size(), std::size_t(1));

        settings_->set(setting::AutoTakeIn, 1);  // automatic loading off
        test::writeText(request, "/media/card/\n");
        frame->pollTick();
        QCOMPARE(actions_->loader.loaded.size(), std::size_t(1));
    }

    void viewLibraryRaisesTheBusyFlag() {
        auto frame = newFrame();
        frame->page()->navigation()->button(NavButton::ViewLibrary)->click();
        QCOMPARE(actions_->views, 1);
        QVERIFY(!app::isBusy());
    }
};

}  // namespace lumbrel::ui

QTEST_MAIN(lumbrel::ui::MainFrameTest)
#include "main_frame_test.moc"
