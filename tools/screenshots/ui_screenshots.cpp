// ui-screenshots HOME OUTDIR: starts the desktop program on the program folder
// HOME and writes a PNG of every page of the main window and of every dialog
// of a load into OUTDIR (tools/screenshots.sh runs it under Xvfb on the
// sample card). The dialogs are shown with the texts a load of the sample
// card gives them.

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <functional>

#include "app/strings.h"
#include "library/library_folder.h"
#include "ui/qt_text.h"
#include "ui/app_icon.h"
#include "maintenance/library_list.h"
#include "ui/change_title_dialog.h"
#include "ui/confirm_dialog.h"
#include "ui/confirmation_dialog.h"
#include "ui/delete_library_dialog.h"
#include "ui/delete_page.h"
#include "ui/destination_dialogs.h"
#include "ui/list_page.h"
#include "ui/read_only_dialog.h"
#include "ui/desktop_program.h"
#include "ui/folder_choice_dialog.h"
#include "ui/load_date_dialog.h"
#include "ui/progress_window.h"
#include "ui/title_dialog.h"
#include "ui/undated_dialog.h"
#include "ui/wait_window.h"
#include "screenshots/shooter.h"

namespace {

using namespace lumbrel;
using ui::qt;


using screenshots::Shooter;

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
    // The list pages with their first library selected and its preview on.
    maintenance::ListState::shared().preview = true;
    for (const auto& [id, name] : pages) {
        frame.switchPage(id, true);
        if (auto* list = qobject_cast<ui::ListPage*>(frame.page())) list->selectRows({0});
        ok = shooter.shoot(&frame, QString::fromLatin1(name)) && ok;
    }
    frame.switchPage(ui::kPageDelete, true);
    if (auto* del = qobject_cast<ui::DeletePage*>(frame.page())) {
        del->selectRows({1});
        del->toggleMark();
        ok = shooter.shoot(&frame, QStringLiteral("page-103-delete-marked")) && ok;
    }
    frame.switchPage(ui::kPageCopy, true);
    if (auto* list = qobject_cast<ui::ListPage*>(frame.page())) {
        list->selectAll();
        ok = shooter.shoot(&frame, QStringLiteral("page-132-copy-all-selected")) && ok;
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
    // The library maintenance dialogs, with a library of the sample card.
    std::string shown = "2024/05/17 Spring by the lake", preview, location, saveFolder;
    std::uint64_t volume = 0;
    if (!program.session().application().document().albums().empty()) {
        const auto& album = *program.session().application().document().albums().front();
        const auto item = maintenance::listItems(program.session().application().document()).front();
        shown = item.dateText + " " + item.title;
        location = album.folderPath;
        volume = static_cast<std::uint32_t>(album.totalSize) / 1024;
        const auto entries = library::previewList(album.folderPath);
        if (!entries.empty()) preview = entries.front();
    }
    saveFolder = program.session().application().saveFolder();
    dialog(new ui::ChangeTitleDialog("Spring by the lake", &frame), "dialog-159-change-title");
    dialog(new ui::ConfirmationDialog(maintenance::Confirmation::RebuildSelected, &frame), "dialog-150-rebuild");
    dialog(new ui::ConfirmationDialog(maintenance::Confirmation::RebuildAll, &frame), "dialog-273-rebuild-all");
    dialog(new ui::ConfirmationDialog(maintenance::Confirmation::DeleteLibraries, &frame), "dialog-154-delete");
    dialog(new ui::DeleteLibraryDialog(maintenance::LibraryKind::Ordinary, qt(shown), &frame),
           "dialog-155-delete-library");
    dialog(new ui::DeleteLibraryDialog(maintenance::LibraryKind::Shortcut, qt(shown), &frame),
           "dialog-156-delete-shortcut-library");
    dialog(new ui::ConfirmationDialog(maintenance::Confirmation::DeleteImages, &frame), "dialog-262-delete-images");
    dialog(new ui::ReadOnlyDialog(preview, &frame), "dialog-279-read-only");
    {
        auto* copy = new ui::FolderVolumeDialog(maintenance::CarryKind::Copy, volume, {location}, saveFolder, &frame);
        copy->choose(QDir::tempPath());
        dialog(copy, "dialog-162-copy-destination");
        auto* move = new ui::FolderVolumeDialog(maintenance::CarryKind::Move, volume, {location}, saveFolder, &frame);
        move->choose(qt(saveFolder));
        dialog(move, "dialog-162-move-destination");
        std::vector<std::string> all;
        for (const auto& album : program.session().application().document().albums()) all.push_back(album->folderPath);
        const std::uint64_t whole = maintenance::storedBytes(program.session().application().document(), all) / 1024;
        auto* root = new ui::SaveFolderDialog(whole, saveFolder, &frame);
        root->choose(QDir::homePath());
        dialog(root, "dialog-160-save-folder");
        QMessageBox box(QMessageBox::Warning, qt(app::text(app::kStrCopyCaption)),
                        qt(app::kNoRoomLine1) + '\n' + qt(app::kNoRoomLine2), QMessageBox::Ok, &frame);
        ok = shooter.shoot(&box, QStringLiteral("dialog-163-no-room")) && ok;
    }
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
    for (const auto& group : screenshots::shotGroups()) ok = group(shooter, program) && ok;
    program.finish();
    return ok ? 0 : 1;
}
