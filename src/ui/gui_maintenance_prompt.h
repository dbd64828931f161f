#pragma once
// The window's answers to what the library maintenance commands ask once
// they run: the confirmations, the question about each library to delete,
// the question about a read-only picture, and the message of a failed file
// operation. The commands ask from their worker thread; each method runs its
// dialog on the user-interface thread, modal over the main window, and waits.

#include <QPointer>
#include <QWidget>

#include "maintenance/maintenance_prompt.h"

namespace lumbrel::ui {

class GuiMaintenancePrompt : public maintenance::MaintenancePrompt {
public:
    /// window: the main window, parent of every dialog (held weakly).
    explicit GuiMaintenancePrompt(QWidget* window);

    bool confirm(maintenance::Confirmation which) override;
    maintenance::DeleteAnswer askDeleteLibrary(maintenance::LibraryKind kind, std::string_view shown) override;
    bool askDeleteReadOnly(const std::string& imageFile, const std::string& preview) override;
    /// A message box captioned "Lumbrel" with the stop sign and OK.
    void showError(int stringId, std::string_view text) override;

private:
    QPointer<QWidget> window_;
};

}  // namespace lumbrel::ui
