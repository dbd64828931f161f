#pragma once
// The window's answers to what the core asks while it loads: the confirmation,
// the folder choice, the load date, the undated pictures, the title, Yes/No
// questions and messages by string number. The core asks from its worker
// thread (see ui_thread.h); every method runs its dialog on the user-interface
// thread, modal over the main window, and waits for the answer. Called on the
// user-interface thread, it runs the dialog there and then.

#include <QPointer>
#include <QWidget>

#include "app/services.h"
#include "camera/camera_prompt.h"
#include "camera/loader_prompt.h"

namespace lumbrel::ui {

class GuiPrompts : public camera::CameraPrompt, public camera::LoaderPrompt, public app::Prompt {
public:
    /// window: the main window, parent of every dialog; held weakly, so that
    /// dialogs asked for after it has gone have no parent.
    explicit GuiPrompts(QWidget* window);

    // camera::CameraPrompt
    bool confirmLoad(std::string_view caption, std::string_view text) override;
    std::optional<std::vector<std::size_t>> chooseFolders(const std::vector<std::string>& shown) override;
    void setWaitCursor(bool on) override;

    // camera::LoaderPrompt
    std::optional<std::string> askLoadDate(std::string_view folderShown, bool offerUnassigned) override;
    camera::UndatedChoice askUndated() override;
    std::optional<std::string> askTitle(std::string_view folderShown) override;

    // Both: a message box captioned "Lumbrel" with an OK button.
    void showMessage(int stringId, std::string_view text) override;

    // app::Prompt: a message box with Yes (the default) and No.
    bool askYesNo(int stringId, std::string_view text) override;

private:
    QPointer<QWidget> window_;
    int waitCursors_ = 0;  ///< wait cursors this object has set; user-interface thread only
};

}  // namespace lumbrel::ui
