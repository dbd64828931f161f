// The progress window, its percent bar and animation, the wait window, and
// the core's Progress and WaitWindow over them, driven from a worker thread
// as the core's runs drive them.

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <semaphore>
#include <thread>

#include "ui/busy_animation.h"
#include "ui/percent_bar.h"
#include "ui/progress_window.h"
#include "ui/ui_thread.h"
#include "ui/wait_window.h"

using namespace lumbrel::ui;

namespace {

/// A main window with a field that has the focus, shown and active.
struct MainWindow {
    QWidget widget;
    QLineEdit* field;

    MainWindow() : field(new QLineEdit(&widget)) {
        auto* layout = new QVBoxLayout(&widget);
        layout->addWidget(field);
        layout->addWidget(new QPushButton("Load", &widget));
        widget.resize(640, 480);
        widget.move(100, 80);
        widget.show();
        widget.activateWindow();
        field->setFocus();
    }
};

bool hasLabel(const QWidget& window, const QString& text) {
    const auto labels = window.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](const QLabel* l) { return l->text() == text; });
}

int distance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

/// Pixels of image in columns [x0, x1) nearer to nearColour than to farColour.
int countNearer(const QImage& image, int x0, int x1, QRgb nearColour, QRgb farColour) {
    int n = 0;
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = x0; x < x1; ++x)
            if (distance(image.pixel(x, y), nearColour) < distance(image.pixel(x, y), farColour)) ++n;
    return n;
}

enum class Kind { Progress, Wait };

/// Opens a progress or wait window over main; the returned window is open.
std::unique_ptr<QDialog> openWindow(Kind kind, QWidget* main) {
    if (kind == Kind::Progress) {
        auto window = std::make_unique<ProgressWindow>(main);
        window->start("Load images in camera", "Copying files to be loaded...", 4);
        return window;
    }
    auto window = std::make_unique<WaitWindow>(main);
    window->start("Rebuilding", "The library is being rebuilt", "Please wait...");
    return window;
}

void finishWindow(Kind kind, QDialog* window) {
    if (kind == Kind::Progress)
        static_cast<ProgressWindow*>(window)->finish();
    else
        static_cast<WaitWindow*>(window)->finish();
}

}  // namespace

Q_DECLARE_METATYPE(Kind)

class ProgressWindowTest : public QObject {
    Q_OBJECT

private slots:
    void percentBar_data();
    void percentBar();
    void percentBarPixels_data();
    void percentBarPixels();
    void countText_data();
    void countText();
    void newTotalAndRestart();
    void suspendKeepsWindowOpen_data();
    void suspendKeepsWindowOpen();
    void mainWindowHeldWhileOpen_data();
    void mainWindowHeldWhileOpen();
    void animationLoopsAndStops();
    void animationFramesDiffer();
    void guiProgressFromWorker();
    void guiProgressOnUiThread();
    void guiWaitWindowFromWorker();
};

void ProgressWindowTest::percentBar_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("filled");  // of an inside 198 pixels wide

    QTest::newRow("empty") << 0 << 100 << "  0%" << 0;
    QTest::newRow("one") << 1 << 100 << "  1%" << 1;
    QTest::newRow("half") << 50 << 100 << " 50%" << 99;
    QTest::newRow("almost") << 99 << 100 << " 99%" << 196;
    QTest::newRow("full") << 100 << 100 << "100%" << 198;
    QTest::newRow("above the maximum") << 150 << 100 << "100%" << 198;
    QTest::newRow("below zero") << -5 << 100 << "  0%" << 0;
    QTest::newRow("maximum 0 taken as 1") << 5 << 0 << "100%" << 198;
    QTest::newRow("maximum 0, nothing done") << 0 << 0 << "  0%" << 0;
    QTest::newRow("thirds round down") << 1 << 3 << " 33%" << 66;
    QTest::newRow("large maximum") << 2'000'000'000 << 2'100'000'000 << " 95%" << 188;
}

void ProgressWindowTest::percentBar() {
    QFETCH(int, position);
    QFETCH(int, maximum);
    QFETCH(QString, text);
    QFETCH(int, filled);

    PercentBar bar;
    bar.setMaximum(maximum);
    bar.setPosition(position);
    QCOMPARE(bar.text(), text);
    QCOMPARE(bar.filledWidth(198), filled);
    QCOMPARE(bar.filledWidth(0), 0);
}

void ProgressWindowTest::percentBarPixels_data() {
    QTest::addColumn<int>("position");
    QTest::newRow("empty") << 0;
    QTest::newRow("half") << 50;
    QTest::newRow("full") << 100;
}

void ProgressWindowTest::percentBarPixels() {
    QFETCH(int, position);
    const QColor ink(0x1f, 0x5f, 0xbf);
    const QColor paper(Qt::white);

    PercentBar bar;
    bar.setTextColor(ink);
    bar.setBackgroundColor(paper);
    bar.setMaximum(100);
    bar.setPosition(position);
    bar.resize(200, 22);
    QImage image(bar.size(), QImage::Format_RGB32);
    image.fill(Qt::red);
    bar.render(&image);

    // The one-pixel frame.
    for (const QPoint p : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 21), QPoint(199, 21), QPoint(100, 0),
                           QPoint(100, 21), QPoint(0, 11), QPoint(199, 11)})
        QCOMPARE(QColor(image.pixel(p)), QColor(Qt::black));
    QVERIFY(image.pixel(1, 1) != QColor(Qt::black).rgb());

    // Inside 198 wide: columns 1 .. edge - 1 are filled.
    const int edge = 1 + position * 198 / 100;
    const int textWidth = QFontMetrics(bar.font()).horizontalAdvance(bar.text());
    const int textLeft = 101 - textWidth / 2 - 2;
    const int textRight = 101 + textWidth / 2 + 2;

    // Away from the text: the filled part in ink, the rest in paper.
    for (int y = 1; y <= 20; ++y)
        for (int x = 1; x <= 198; ++x)
            if (x < textLeft || x > textRight) QCOMPARE(QColor(image.pixel(x, y)), x < edge ? ink : paper);

    // The text reads in paper over the filled part and in ink over the rest
    // (in the other colour it would not show at all); where the bar's edge
    // crosses it, both halves show.
    const int overFilled = countNearer(image, textLeft, std::min(edge, textRight), paper.rgb(), ink.rgb());
    const int overRest = countNearer(image, std::max(edge, textLeft), textRight, ink.rgb(), paper.rgb());
    if (position > 0) QVERIFY2(overFilled > 0, "no inverted text over the filled part");
    if (position < 100) QVERIFY2(overRest > 0, "no text over the empty part");
}

void ProgressWindowTest::countText_data() {
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("countText");
    QTest::addColumn<int>("barPosition");

    QTest::newRow("at opening") << 3 << 0 << "0/ 3" << 0;
    QTest::newRow("one of three") << 3 << 1 << "1/ 3" << 33;
    QTest::newRow("two of three") << 3 << 2 << "2/ 3" << 66;
    QTest::newRow("all three") << 3 << 3 << "3/ 3" << 100;
    QTest::newRow("past the total") << 3 << 5 << "5/ 3" << 100;
    QTest::newRow("mid-way") << 120 << 37 << "37/ 120" << 30;
    QTest::newRow("no total") << 0 << 2 << "2/ 0" << 0;
}

void ProgressWindowTest::countText() {
    QFETCH(int, total);
    QFETCH(int, steps);
    QFETCH(QString, countText);
    QFETCH(int, barPosition);

    MainWindow main;
    ProgressWindow window(&main.widget);
    window.start("Load images in camera", "Copying files to be loaded...", total);
    for (int i = 0; i < steps; ++i) window.step();
    QCOMPARE(window.count(), steps);
    QCOMPARE(window.countText(), countText);
    QVERIFY2(hasLabel(window, countText), "the count label does not show the count");
    QCOMPARE(window.barPosition(), barPosition);
    QCOMPARE(window.bar()->text(), QString::asprintf("%3d%%", barPosition));
}

void ProgressWindowTest::newTotalAndRestart() {
    MainWindow main;
    ProgressWindow window(&main.widget);
    window.start("Copy", "Copying...", 5);
    window.step();
    window.step();
    window.setTotal(10);
    QCOMPARE(window.countText(), QString("2/ 10"));
    QVERIFY(hasLabel(window, "2/ 10"));
    QCOMPARE(window.barPosition(), 20);
    window.setText("Moving...");
    QVERIFY(hasLabel(window, "Moving..."));
    window.setButtonText("Stop");
    QCOMPARE(window.suspendButton()->text(), QString("Stop"));

    // A second run in the same window starts again from nothing.
    window.requestCancel();
    window.start("Copy", "Copying...", 7);
    QVERIFY(!window.isCancelled());
    QCOMPARE(window.countText(), QString("0/ 7"));
    QCOMPARE(window.barPosition(), 0);
    window.finish();
}

void ProgressWindowTest::suspendKeepsWindowOpen_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Suspend clicked") << "click";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void ProgressWindowTest::suspendKeepsWindowOpen() {
    QFETCH(QString, how);
    MainWindow main;
    ProgressWindow window(&main.widget);
    window.start("Load images in camera", "Copying files to be loaded...", 3);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy spy(&window, &ProgressWindow::cancelRequested);
    QVERIFY(!window.isCancelled());

    if (how == "click")
        QTest::mouseClick(window.suspendButton(), Qt::LeftButton);
    else if (how == "escape")
        QTest::keyClick(&window, Qt::Key_Escape);
    else
        window.close();

    QVERIFY(window.isCancelled());
    QCOMPARE(spy.count(), 1);
    QVERIFY(window.isVisible());
    QVERIFY(!main.widget.isEnabled());
    // The run goes on being shown until it closes the window.
    window.step();
    QCOMPARE(window.countText(), QString("1/ 3"));
    window.finish();
    QVERIFY(!window.isVisible());
}

void ProgressWindowTest::mainWindowHeldWhileOpen_data() {
    QTest::addColumn<Kind>("kind");
    QTest::newRow("progress window") << Kind::Progress;
    QTest::newRow("wait window") << Kind::Wait;
}

void ProgressWindowTest::mainWindowHeldWhileOpen() {
    QFETCH(Kind, kind);
    MainWindow main;
    QVERIFY(QTest::qWaitForWindowActive(&main.widget));
    QCOMPARE(QApplication::focusWidget(), main.field);

    auto window = openWindow(kind, &main.widget);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(!main.widget.isEnabled());
    // The window itself must stay usable while the main window is disabled.
    QVERIFY(window->isEnabled());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(window.get()));
    const QPoint offset = window->frameGeometry().center() - main.widget.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 4, "not centred on the main window");

    finishWindow(kind, window.get());
    QVERIFY(!window->isVisible());
    QVERIFY(main.widget.isEnabled());
    QTRY_COMPARE(QApplication::activeWindow(), &main.widget);
    QTRY_COMPARE(QApplication::focusWidget(), main.field);

    // Closing twice, or destroying a closed window, leaves the main window alone.
    main.widget.setEnabled(false);
    finishWindow(kind, window.get());
    window.reset();
    QVERIFY(!main.widget.isEnabled());
}

void ProgressWindowTest::animationLoopsAndStops() {
    BusyAnimation animation;
    QSignalSpy frames(&animation, &BusyAnimation::frameChanged);
    animation.show();
    QVERIFY(animation.isRunning());
    QCOMPARE(animation.frame(), 0);
    // Once round and into the second: 1, 2, ..., last, 0, 1.
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= BusyAnimation::kFrameCount + 1, 10000);
    for (int i = 0; i <= BusyAnimation::kFrameCount; ++i)
        QCOMPARE(frames.at(i).at(0).toInt(), (i + 1) % BusyAnimation::kFrameCount);
    animation.hide();
    QVERIFY(!animation.isRunning());
    // Shown again, it starts from the first frame.
    animation.setFrame(5);
    animation.show();
    QCOMPARE(animation.frame(), 0);
    QVERIFY(animation.isRunning());
}

void ProgressWindowTest::animationFramesDiffer() {
    // At twice the pixel density every frame is drawn anew, not scaled up:
    // the card moves from frame to frame and nothing is left blank.
    auto render = [](int frame) {
        QImage image(QSize(160, 64) * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        BusyAnimation::paintFrame(painter, frame, 160, 64);
        return image;
    };
    QImage blank = render(0);
    blank.fill(Qt::transparent);
    QImage previous = render(0);
    QVERIFY(previous != blank);
    for (int frame = 1; frame < 14; ++frame) {
        const QImage current = render(frame);
        QVERIFY2(current != previous, qPrintable(QString("frame %1 equals the one before").arg(frame)));
        previous = current;
    }
}

void ProgressWindowTest::guiProgressFromWorker() {
    MainWindow main;
    GuiProgress progress(&main.widget);

    QString countAtClick;
    bool mainEnabledAtClick = true;
    bool answeredWhileUiBusy = false;
    std::binary_semaphore answered(0);
    bool cancelledBeforeClick = true;

    runInBackground([&] {
        progress.begin("Load images in camera", "Copying files to be loaded...", 5);
        for (std::size_t done = 1; done <= 3; ++done) progress.step(done);
        cancelledBeforeClick = progress.cancelled();
        // The user presses "Suspend"; the user-interface thread then stays
        // busy until this thread has seen the press.
        QMetaObject::invokeMethod(
            &main.widget,
            [&] {
                countAtClick = progress.window()->countText();
                mainEnabledAtClick = main.widget.isEnabled();
                QTest::mouseClick(progress.window()->suspendButton(), Qt::LeftButton);
                answeredWhileUiBusy = answered.try_acquire_for(std::chrono::seconds(10));
            },
            Qt::QueuedConnection);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!progress.cancelled() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        answered.release();
        progress.step(4);
        progress.end();
    });

    QVERIFY(!cancelledBeforeClick);
    QCOMPARE(countAtClick, QString("3/ 5"));
    QVERIFY(!mainEnabledAtClick);
    QVERIFY2(answeredWhileUiBusy, "cancelled() waited for the user-interface thread");
    QVERIFY(progress.cancelled());  // still true after end(): the run may ask once more
    QVERIFY(!progress.window()->isVisible());
    QVERIFY(main.widget.isEnabled());

    // The next run starts with the flag down.
    runInBackground([&] {
        progress.begin("Load other images", "Copying files to be loaded...", 2);
        cancelledBeforeClick = progress.cancelled();
        progress.step(2);
        progress.end();
    });
    QVERIFY(!cancelledBeforeClick);
    QCOMPARE(progress.window()->countText(), QString("2/ 2"));
}

void ProgressWindowTest::guiProgressOnUiThread() {
    MainWindow main;
    {
        GuiProgress progress(&main.widget);
        progress.end();  // a run that failed before its first file
        QVERIFY(progress.window() == nullptr);
        QVERIFY(main.widget.isEnabled());

        progress.begin("Copy", "Copying...", 3);
        progress.step(2);
        QCOMPARE(progress.window()->countText(), QString("2/ 3"));
        QVERIFY(!main.widget.isEnabled());
        QTest::mouseClick(progress.window()->suspendButton(), Qt::LeftButton);
        QVERIFY(progress.cancelled());
        // Destroyed while open (a run that let an exception out).
    }
    QVERIFY(main.widget.isEnabled());
}

void ProgressWindowTest::guiWaitWindowFromWorker() {
    MainWindow main;
    GuiWaitWindow wait(&main.widget);
    wait.close();  // closing what was never opened does nothing
    QVERIFY(main.widget.isEnabled());

    bool mainEnabled = true;
    bool visibleAfterClose = false;
    QString title, line1, line2;
    runInBackground([&] {
        wait.show("Creating an HTML file", "The HTML file is being created", "Please wait...");
        onUiThread([&] {
            mainEnabled = main.widget.isEnabled();
            title = wait.window()->windowTitle();
            line1 = wait.window()->line1();
            line2 = wait.window()->line2();
            // The step cannot be interrupted: neither Escape nor the close box ends it.
            QTest::keyClick(wait.window(), Qt::Key_Escape);
            wait.window()->close();
            visibleAfterClose = wait.window()->isVisible();
        });
        wait.close();
    });

    QVERIFY(!mainEnabled);
    QCOMPARE(title, QString("Creating an HTML file"));
    QCOMPARE(line1, QString("The HTML file is being created"));
    QCOMPARE(line2, QString("Please wait..."));
    QVERIFY(visibleAfterClose);
    QVERIFY(!wait.window()->isVisible());
    QVERIFY(main.widget.isEnabled());
    QTRY_COMPARE(QApplication::activeWindow(), &main.widget);
}

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_test.moc"
