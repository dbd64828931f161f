#pragma once
// What the library commands of lumbrel-cli share: the program's start-up on a
// program folder with the library web site and the template plug-ins
// attached, and the changed-page question asked on the terminal.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/services.h"
#include "camera/auto_load.h"
#include "camera/image_loader.h"
#include "camera/shell_opener.h"
#include "cli/load_options.h"
#include "cli/terminal_load_prompt.h"
#include "cli/terminal_progress.h"
#include "platform/profile.h"
#include "web/library_page_writer.h"
#include "web/plugin_host.h"

namespace lumbrel::cli {

/// The changed-page question on the command line: asked on the terminal when
/// there is one, else answered Yes (skip the library) with a note on err.
class TerminalPrompt : public app::Prompt {
public:
    TerminalPrompt(std::istream& in, std::ostream& err, bool interactive);
    /// Interactive when standard input is a terminal.
    explicit TerminalPrompt(std::ostream& err);
    bool askYesNo(int stringId, std::string_view text) override;

private:
    std::istream& in_;
    std::ostream& err_;
    bool interactive_;
};

/// Hands the start-up's site requests on to a writer made after the
/// Application (which owns the document the writer reads); does nothing and
/// reports failure while none is attached.
class SiteForwarder : public app::SitePages {
public:
    void attach(app::SitePages* target) { target_ = target; }
    bool removePass(const std::vector<std::string>& keys) override;
    bool addPass(const std::vector<std::string>& keys) override;
    bool writeNewSite() override;

private:
    app::SitePages* target_ = nullptr;
};

/// Hands the start-up's automatic load on to a loader made after the
/// Application (the loader works on its document and settings).
class AutoLoadForwarder : public app::AutomaticLoader {
public:
    void attach(app::AutomaticLoader* target) { target_ = target; }
    bool load(const std::string& requestFile) override { return target_ && target_->load(requestFile); }

private:
    app::AutomaticLoader* target_ = nullptr;
};

/// Writes the pages a stopped run left unwritten, through a loader context
/// made after the Application.
class PagesFinisher : public app::RunFinisher {
public:
    void attach(camera::LoaderContext* context) { context_ = context; }
    void finishPages(const app::InterruptedRun& run) override {
        if (context_) camera::finishInterruptedRun(*context_, run);
    }

private:
    camera::LoaderContext* context_ = nullptr;
};

/// The program's start-up for a command that works on the library: finds the
/// program folder, runs the start-up with the web site attached (a fresh folder
/// gets its new site, a relocation refreshes the pages) and with the template
/// plug-ins of its Plugins folder (a missing plug-in is replaced by the first
/// template there), and reports what a user should know on err. The run ends
/// (generations made) when it goes away. The loading pipeline is attached
/// too, with the terminal's prompt and progress answering from options; with
/// loadPendingRequest a request file left by the watcher is loaded during
/// start-up (the auto command).
class LibrarySession {
public:
    explicit LibrarySession(std::ostream& err, LoadOptions options = {});
    /// False, with the reason on err, when the program cannot start on the folder.
    bool start(const std::string& home);

    app::Application& application() { return *application_; }
    web::LibraryPageWriter& site() { return *writer_; }
    const platform::Profile& profile() const { return profile_; }
    /// What a load of this session works with (after start()).
    camera::LoaderContext& loader() { return *loader_; }
    TerminalLoadPrompt& loadPrompt() { return loadPrompt_; }
    TerminalProgress& progress() { return progress_; }
    /// The pipeline of the camera command and the automatic load.
    camera::Pipeline pipeline();
    /// The result and report of the last run of pipeline().
    camera::LoadResult lastLoad() const { return lastLoad_; }
    const camera::LoadReport& lastReport() const { return lastReport_; }

private:
    std::ostream& err_;
    platform::Profile profile_;
    TerminalPrompt prompt_;
    SiteForwarder forward_;
    web::PluginTemplateFinder templates_;
    std::optional<app::Application> application_;  // made once the folder is known
    std::optional<web::LibraryPageWriter> writer_;  // reads the application's document
    LoadOptions options_;
    TerminalLoadPrompt loadPrompt_;
    TerminalProgress progress_;
    TerminalWaitWindow wait_;
    camera::ShellOpener opener_;
    AutoLoadForwarder autoForward_;
    PagesFinisher finisher_;
    std::optional<camera::LoaderContext> loader_;   // works on the application's document
    std::optional<camera::AutoLoader> autoLoader_;
    camera::LoadResult lastLoad_ = camera::LoadResult::NothingToLoad;
    camera::LoadReport lastReport_;
};

}  // namespace lumbrel::cli
