#include "ui/gui_maintenance_prompt.h"

#include <QMessageBox>

#include "app/strings.h"
#include "ui/confirmation_dialog.h"
#include "ui/delete_library_dialog.h"
#include "ui/qt_text.h"
#include "ui/read_only_dialog.h"
#include "ui/ui_thread.h"

namespace lumbrel::ui {
namespace {

// Runs dialog; true when it was accepted. Held by a QPointer across its event
// loop: when its parent window goes meanwhile, it goes too and counts as Cancel.
template <class Dialog, class Read>
auto run(Dialog* dialog, Read read, decltype(read(*dialog)) otherwise) {
    QPointer<Dialog> guard(dialog);
    const int result = dialog->exec();
    if (!guard) return otherwise;
    auto answer = result == QDialog::Accepted ? read(*guard) : otherwise;
    delete guard.data();
    return answer;
}

}  // namespace

GuiMaintenancePrompt::GuiMaintenancePrompt(QWidget* window) : window_(window) {}

bool GuiMaintenancePrompt::confirm(maintenance::Confirmation which) {
    return onUiThread([&] {
        return run(new ConfirmationDialog(which, window_), [](ConfirmationDialog&) { return true; }, false);
    });
}

maintenance::DeleteAnswer GuiMaintenancePrompt::askDeleteLibrary(maintenance::LibraryKind kind, std::string_view shown) {
    return onUiThread([&] {
        // Every answer but Cancel accepts the dialog.
        return run(new DeleteLibraryDialog(kind, qt(shown), window_), [](DeleteLibraryDialog& d) { return d.answer(); },
                   maintenance::DeleteAnswer::Cancel);
    });
}

bool GuiMaintenancePrompt::askDeleteReadOnly(const std::string&, const std::string& preview) {
    return onUiThread([&] {
        return run(new ReadOnlyDialog(preview, window_), [](ReadOnlyDialog&) { return true; }, false);
    });
}

void GuiMaintenancePrompt::showError(int, std::string_view text) {
    onUiThread([&] {
        QPointer<QMessageBox> box =
            new QMessageBox(QMessageBox::Critical, qt(app::kMessageCaption), qt(text), QMessageBox::Ok, window_);
        box->setTextFormat(Qt::PlainText);
        box->exec();
        delete box.data();
    });
}

}  // namespace lumbrel::ui
