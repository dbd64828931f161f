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
#include "camera/program_session.h"
#include "camera/shell_opener.h"
#include "cli/load_options.h"
#include "cli/terminal_load_prompt.h"
#include "cli/terminal_progress.h"
#include "platform/profile.h"

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

/// The program's start-up for a command that works on the library: finds the
/// program folder, runs the session's start-up with the terminal's prompts and
/// progress answering from options, and reports what a user should know on
/// err. The run ends (generations made) when it goes away. With
/// loadPendingRequest a request file left by the watcher is loaded during
/// start-up (the auto command).
class LibrarySession {
public:
    explicit LibrarySession(std::ostream& err, LoadOptions options = {});
    /// False, with the reason on err, when the program cannot start on the folder.
    bool start(const std::string& home);

    app::Application& application() { return session_->application(); }
    web::LibraryPageWriter& site() { return session_->site(); }
    const platform::Profile& profile() const { return profile_; }
    /// What a load of this session works with (after start()).
    camera::LoaderContext& loader() { return session_->loader(); }
    TerminalLoadPrompt& loadPrompt() { return loadPrompt_; }
    TerminalProgress& progress() { return progress_; }
    /// The pipeline of the camera command and the automatic load.
    camera::Pipeline pipeline() { return session_->pipeline(); }
    /// The result and report of the last run of pipeline().
    camera::LoadResult lastLoad() const { return session_->lastLoad(); }
    const camera::LoadReport& lastReport() const { return session_->lastReport(); }

private:
    std::ostream& err_;
    platform::Profile profile_;
    TerminalPrompt prompt_;
    LoadOptions options_;
    TerminalLoadPrompt loadPrompt_;
    TerminalProgress progress_;
    TerminalWaitWindow wait_;
    camera::ShellOpener opener_;
    std::optional<camera::ProgramSession> session_;  // made once the folder is known
};

}  // namespace lumbrel::cli
