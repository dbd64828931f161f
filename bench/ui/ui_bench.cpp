// The desktop program's start and its liveliness during a load:
//   ui_bench start HOME      time from process start to the first painted main
//                            window (the starting shell puts its clock in
//                            LUMBREL_BENCH_T0, nanoseconds of CLOCK_REALTIME),
//                            then the resident memory after two idle seconds
//                            and the peak
//   ui_bench load HOME       presses the Load page's camera button on the
//                            drive table of LUMBREL_DRIVES, answers the dialogs
//                            with Return, and reports the longest gap between
//                            two repaints of any window while the progress
//                            window is open (its animation repaints it
//                            steadily while the user-interface thread is free)
//   ui_bench suspend HOME N  the same, pressing "Suspend" at N files: how long
//                            the count still moves, and when the load returns
//   ui_bench card DIR N FILE makes a card DIR/DCIM/100BENCH of N copies of FILE
//   ui_bench lists N         a list page with N libraries: the refill with its
//                            sort, a column click, and the Copy page's space
//                            figure with every row selected (best and median
//                            of several runs, each painted before the next)
// run-ui-bench.sh runs them all.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QListWidget>
#include <QTimer>
#include <QtTest/QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

#include "maintenance/library_list.h"
#include "platform/profile.h"
#include "ui/carry_page.h"
#include "ui/desktop_program.h"
#include "ui/library_commands.h"
#include "ui/folder_choice_dialog.h"
#include "ui/load_page.h"
#include "ui/progress_window.h"

namespace {

using namespace lumbrel;
using Clock = std::chrono::steady_clock;

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

double realtimeNow() {
    return static_cast<double>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch()).count());
}

// Calls onPaint for every paint of a widget of the given window (or any, when null).
class PaintWatch : public QObject {
public:
    std::function<void(QWidget*)> onPaint;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && object->isWidgetType() && onPaint) onPaint(static_cast<QWidget*>(object));
        return false;
    }
};

int start(const char* home) {
    const char* t0 = std::getenv("LUMBREL_BENCH_T0");
    const double started = t0 ? std::strtod(t0, nullptr) : realtimeNow();
    PaintWatch watch;
    double firstPaintMs = -1;
    ui::DesktopProgram program(home);
    watch.onPaint = [&](QWidget* w) {
        if (firstPaintMs < 0 && w->window() == &program.frame()) firstPaintMs = (realtimeNow() - started) / 1e6;
    };
    qApp->installEventFilter(&watch);
    if (const auto status = program.start()) return *status;
    QElapsedTimer wait;
    wait.start();
    while (firstPaintMs < 0 && wait.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    QTimer::singleShot(2000, qApp, &QApplication::quit);
    QApplication::exec();
    std::printf("first painted window: %.0f ms after process start, libraries: %s\n", firstPaintMs,
                qPrintable(program.frame().page()->navigation()->libraryCountText()));
    std::printf("memory: idle %.1f MB resident, peak %.1f MB\n", statusKiB("VmRSS:") / 1024.0,
                statusKiB("VmHWM:") / 1024.0);
    program.finish();
    return 0;
}

// suspendAt > 0: presses "Suspend" once the progress window has counted that
// many files, and reports how long the count still moved afterwards.
int load(const char* home, int suspendAt) {
    ui::DesktopProgram program(home);
    if (const auto status = program.start()) return *status;
    PaintWatch watch;
    qApp->installEventFilter(&watch);
    Clock::time_point last{};
    double longestMs = 0;
    long paints = 0;
    watch.onPaint = [&](QWidget* w) {
        if (!qobject_cast<ui::ProgressWindow*>(w->window()) || !w->window()->isVisible()) return;
        const auto now = Clock::now();
        if (last != Clock::time_point{})
            longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        ++paints;
    };
    Clock::time_point pressed{}, lastStep{};
    int lastCount = -1;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<ui::ProgressWindow*>(w);
            if (!progress || !progress->isVisible()) continue;
            if (progress->count() != lastCount) {
                lastCount = progress->count();
                lastStep = Clock::now();
            }
            if (suspendAt > 0 && pressed == Clock::time_point{} && progress->count() >= suspendAt) {
                progress->suspendButton()->click();
                pressed = Clock::now();
            }
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        if (auto* choice = qobject_cast<ui::FolderChoiceDialog*>(modal)) {
            QListWidget* found = choice->findChildren<QListWidget*>().value(0);
            while (found && found->count() > 0) {
                found->setCurrentRow(0);
                for (QAbstractButton* b : choice->findChildren<QAbstractButton*>())
                    if (b->text().startsWith(QStringLiteral("Add"))) b->click();
            }
        }
        QTest::keyClick(modal, Qt::Key_Return);
    });
    user.start(5);
    program.frame().switchPage(ui::kPageLoad, false);
    auto* page = qobject_cast<ui::LoadPage*>(program.frame().page());
    const auto began = Clock::now();
    page->cameraButton()->click();
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    std::printf("load: %.1f s, %ld repaints of the progress window, longest gap between two: %.0f ms; libraries: %s\n",
                seconds, paints, longestMs, qPrintable(program.frame().page()->navigation()->libraryCountText()));
    if (pressed != Clock::time_point{})
        std::printf("suspend at %d files: the count moved %.0f ms after the press (to %d); the load returned after "
                    "%.0f ms\n",
                    suspendAt, std::chrono::duration<double, std::milli>(lastStep - pressed).count(), lastCount,
                    std::chrono::duration<double, std::milli>(Clock::now() - pressed).count());
    program.finish();
    return 0;
}

int card(const char* dir, int count, const char* file) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(dir) / "DCIM" / "100BENCH";
    fs::create_directories(folder);
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "BNCH%04d.JPG", i);
        fs::copy_file(file, folder / name, fs::copy_options::overwrite_existing);
    }
    return 0;
}

// The commands are never run here: the questions and the progress go nowhere.
class NoPrompt : public maintenance::MaintenancePrompt {
public:
    bool confirm(maintenance::Confirmation) override { return false; }
    maintenance::DeleteAnswer askDeleteLibrary(maintenance::LibraryKind, std::string_view) override {
        return maintenance::DeleteAnswer::Cancel;
    }
    bool askDeleteReadOnly(const std::string&, const std::string&) override { return false; }
    void showError(int, std::string_view) override {}
};
class NoProgress : public camera::Progress {
public:
    void begin(std::string_view, std::string_view, std::size_t) override {}
    void step(std::size_t) override {}
    bool cancelled() override { return false; }
};

// Times f() and the repaint it causes; returns milliseconds of f alone.
template <class F>
double timed(F&& f) {
    const auto began = Clock::now();
    f();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - began).count();
    QApplication::processEvents();
    return ms;
}

void report(const char* what, std::vector<double> ms, double target) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s best %6.2f ms, median %6.2f ms (target < %.0f ms)\n", what, ms.front(), ms[ms.size() / 2],
                target);
}

int lists(int count) {
    const std::string dir = std::filesystem::temp_directory_path() / ("lumbrel-list-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    platform::Profile profile(dir + "/Lumbrel.conf");
    app::Settings settings(profile, dir);
    library::CKDCardAlbumDoc doc;
    // Libraries over forty years, titles in no order, sizes of a few MB.
    for (int i = 0; i < count; ++i) {
        library::CAlbumData album;
        char key[16];
        std::snprintf(key, sizeof key, "%04d%02d%02d", 1990 + i % 40, 1 + i / 40 % 12, 1 + i / 480 % 28);
        album.folderPath = dir + "/Image Library/" + key;
        album.title = "Library " + std::to_string((i * 7919) % count);
        album.imageCount = (i * 31) % 200;
        album.totalSize = 1'000'000 + (i * 4099) % 5'000'000;
        album.templateName = i % 2 ? "Type 1,Blue/white" : "Type 3,Green/gray";
        doc.addLibrary(album);
    }
    NoPrompt prompt;
    NoProgress progress;
    ui::LibraryCommands commands({settings, doc, prompt, progress, dir, dir + "/Lumbrel.kds", nullptr, nullptr});
    ui::CarryPage page(ui::CarryPage::Kind::Copy, &settings, &commands);
    page.resize(1000, 700);
    page.show();
    QApplication::processEvents();

    constexpr int kRuns = 9;
    std::vector<double> refill, click, space;
    for (int run = 0; run < kRuns; ++run) refill.push_back(timed([&] { page.updateFromDocument(); }));
    for (int run = 0; run < kRuns; ++run) {
        const int column = run % maintenance::kListColumns;
        click.push_back(timed([&] { emit page.list()->horizontalHeader()->sectionClicked(column); }));
    }
    for (int run = 0; run < kRuns; ++run) {
        page.selectRows({0});
        QApplication::processEvents();
        space.push_back(timed([&] { page.selectAll(); }));
    }
    std::vector<std::string> all;
    for (int row = 0; row < page.model()->rowCount(); ++row) all.push_back(page.model()->location(row));
    std::vector<double> figure;
    for (int run = 0; run < kRuns; ++run)
        figure.push_back(timed([&] { page.spaceFigure()->setText(QString::fromStdString(
                                         maintenance::kilobyteText(maintenance::storedBytes(doc, all)))); }));
    std::printf("list page with %d libraries (space figure shown: %s)\n", page.model()->rowCount(),
                qPrintable(page.spaceFigure()->text()));
    report("refill and sort", refill, 50);
    report("column click (sort, all columns in turn)", click, 30);
    report("select all with the Copy page's space figure", space, 10);
    report("  of it the space figure of all rows alone", figure, 10);
    std::filesystem::remove_all(dir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "card" && argc == 5) return card(argv[2], std::atoi(argv[3]), argv[4]);
    QApplication app(argc, argv);
    if (mode == "start" && argc == 3) return start(argv[2]);
    if (mode == "load" && argc == 3) return load(argv[2], 0);
    if (mode == "suspend" && argc == 4) return load(argv[2], std::atoi(argv[3]));
    if (mode == "lists" && argc == 3) return lists(std::atoi(argv[2]));
    std::fprintf(stderr, "usage: ui_bench start HOME | load HOME | suspend HOME N | card DIR N FILE | lists N\n");
    return 2;
}
