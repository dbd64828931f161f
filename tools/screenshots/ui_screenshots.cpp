// ui-screenshots HOME OUTDIR: starts the desktop program on the program folder
// HOME and writes a PNG of every page of the main window and of every dialog
// of a load into OUTDIR (tools/screenshots.sh runs it under Xvfb on the
// sample card). The dialogs are shown with the texts a load of the sample
// card gives them.

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "app/strings.h"
#include "ui/qt_text.h"
#include "ui/app_icon.h"
#include "ui/confirm_dialog.h"
#include "ui/desktop_program.h"
#include "ui/folder_choice_dialog.h"
#include "ui/load_date_dialog.h"
#include "ui/progress_window.h"
#include "ui/title_dialog.h"
#include "ui/undated_dialog.h"
#include "ui/wait_window.h"

namespace {

using namespace lumbrel;
using ui::qt;


class Shooter {
public:
    explicit Shooter(QString dir) : dir_(std::move(dir)) {}

    // Shows w, lets it paint, and saves what it shows.
    bool shoot(QWidget* w, const QString& name) {
        w->show();
        w->raise();
        for (int i = 0; i < 10; ++i) QApplication::processEvents();
        const QString path = dir_ + '/' + name + QStringLiteral(".png");
        if (!w->grab().save(path)) {
            std::fprintf(stderr, "ui-screenshots: cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    }

private:
    QString dir_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(ui::applicationIcon());
    if (argc != 3) {
        std::fprintf(stderr, "usage: ui-screenshots HOME OUTDIR\n");
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[2]));
    Shooter shooter(QString::fromLocal8Bit(argv[2]));
    ui::DesktopProgram program(argv[1]);
    if (const auto status = program.start()) return *status;
    ui::MainFrame& frame = program.frame();
    bool ok = true;

    const std::pair<int, const char*> pages[] = {
        {ui::kPageNavigation, "page-131-navigation"}, {ui::kPageLoad, "page-134-load"},
        {ui::kPageEdit, "page-101-edit"},             {ui::kPageDelete, "page-103-delete"},
        {ui::kPageCopy, "page-132-copy"},             {ui::kPageMove, "page-133-move"},
        {ui::kPageSetup, "page-135-setup"}};
    for (const auto& [id, name] : pages) {
        frame.switchPage(id, true);
        ok = shooter.shoot(&frame, QString::fromLatin1(name)) && ok;
    }
    frame.switchPage(ui::kPageLoad, true);

    const auto dialog = [&](QWidget* w, const char* name) {
        ok = shooter.shoot(w, QString::fromLatin1(name)) && ok;
        w->close();
        delete w;
    };
    dialog(new ui::ConfirmDialog(qt(app::text(app::kStrConfirmCaption)), qt(app::text(app::kStrCardRecognized)), &frame),
           "dialog-166-confirm");
    dialog(new ui::ConfirmDialog(qt(app::text(app::kStrAutoLoadCaption)), qt(app::text(app::kStrCardRecognizedAuto)), &frame),
           "dialog-166-automatic");
    dialog(new ui::FolderChoiceDialog({"/MEDIA/PHOTOGRAPHER/CARD/DCIM", "/MEDIA/PHOTOGRAPHER/CARD/KDCAM",
                                       "/MEDIA/PHOTOGRAPHER/SECOND CARD WITH A LONG NAME/DCIM"},
                                      &frame),
           "dialog-157-folders");
    dialog(new ui::LoadDateDialog(QStringLiteral("/MEDIA/PHOTOGRAPHER/CARD/DCIM"), true, QDate(2026, 12, 9), &frame),
           "dialog-259-date-unassigned");
    dialog(new ui::LoadDateDialog(QString(), false, QDate(2024, 2, 29), &frame), "dialog-259-date");
    dialog(new ui::UndatedDialog(&frame), "dialog-258-undated");
    dialog(new ui::TitleDialog(QStringLiteral("/media/.../card/DCIM/100ORRIN"), &frame), "dialog-158-title");
    {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Lumbrel"), qt(app::text(app::kMsgNoImagesFound)),
                        QMessageBox::Ok, &frame);
        ok = shooter.shoot(&box, QStringLiteral("dialog-256-nothing-found")) && ok;
    }
    {
        ui::ProgressWindow progress(&frame);
        progress.start(qt(app::text(app::kStrLoadCaption)), qt(app::text(app::kStrCopying)), 120);
        progress.setCount(37);
        ok = shooter.shoot(&progress, QStringLiteral("window-139-progress")) && ok;
        ok = shooter.shoot(&frame, QStringLiteral("page-134-load-during-progress")) && ok;
        progress.finish();
    }
    {
        ui::WaitWindow wait(&frame);
        wait.start(QStringLiteral("Lumbrel"), QStringLiteral("Making the library pages."),
                   QStringLiteral("Please wait a moment."));
        ok = shooter.shoot(&wait, QStringLiteral("window-261-wait")) && ok;
        wait.finish();
    }
    program.finish();
    return ok ? 0 : 1;
}
