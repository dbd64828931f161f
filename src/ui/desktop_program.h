#pragma once
// The desktop program: the session on the program folder with the window's
// prompts and progress windows, the main window over it, the start-up in the
// order the window needs (minimised while a pending card is loaded at start,
// shown at the end), a second start bringing this window forward, and the
// commands of the window's buttons.

#include <QSocketNotifier>

#include <memory>
#include <optional>
#include <string>

#include "camera/program_session.h"
#include "camera/shell_opener.h"
#include "platform/profile.h"
#include "ui/gui_maintenance_prompt.h"
#include "ui/gui_prompts.h"
#include "ui/library_commands.h"
#include "ui/main_frame.h"
#include "ui/progress_window.h"
#include "maintenance/page_writer_site.h"
#include "ui/wait_window.h"

namespace lumbrel::ui {

class DesktopProgram : public FrameActions {
public:
    /// home: the --home folder, empty for the program's own.
    explicit DesktopProgram(std::string home);
    ~DesktopProgram() override;

    /// Runs the start-up and shows the window; the exit status when the
    /// program is to end at once (another copy runs: 0), nullopt to go on.
    std::optional<int> start();
    /// At exit: the window's place is remembered, the run ends.
    void finish();

    MainFrame& frame() { return *frame_; }
    camera::ProgramSession& session() { return *session_; }

    // FrameActions
    void loadFromCamera(int connection) override;
    void loadOtherImages() override;
    void viewLibrary() override;
    void startPrintProgram() override;
    void openHelp() override;
    void pollAutomaticLoading() override;
    int libraryCount() const override;
    bool automaticLoading() const override;
    LibraryCommands* libraryCommands() override { return commands_.get(); }

private:
    // The watch's automatic load, run on a worker thread like every long run.
    class BackgroundAutoLoad : public app::AutomaticLoader {
    public:
        explicit BackgroundAutoLoad(DesktopProgram& p) : p_(p) {}
        bool load(const std::string& requestFile) override;

    private:
        DesktopProgram& p_;
    };

    void loadFromSerialCamera();
    void tellAboutStartup();
    void tellAboutLoad();
    void tellAboutLoad(const camera::LoadReport& report, const QString& where);
    void message(const QString& text, bool warning = false);

    std::string home_;
    platform::Profile profile_;
    camera::ShellOpener opener_;
    // The window exists before the session so that the session's dialogs
    // have their parent; its settings are those of the same profile.
    std::optional<app::Settings> settings_;
    std::unique_ptr<MainFrame> frame_;
    std::unique_ptr<GuiPrompts> prompts_;
    std::unique_ptr<GuiProgress> progress_;
    std::unique_ptr<GuiWaitWindow> wait_;
    std::unique_ptr<camera::ProgramSession> session_;
    // The list pages' commands, over the session's document and site.
    std::unique_ptr<GuiMaintenancePrompt> maintenancePrompt_;
    std::unique_ptr<maintenance::PageWriterSite> sitePasses_;
    std::unique_ptr<LibraryCommands> commands_;
    std::unique_ptr<QSocketNotifier> raiseRequests_;
    BackgroundAutoLoad backgroundAutoLoad_{*this};
    bool finished_ = false;
};

}  // namespace lumbrel::ui
