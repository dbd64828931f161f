#pragma once
// The questions of a camera load on the command line. Each is answered from
// the options first; otherwise it is asked on the terminal when standard input
// is one; otherwise it gets the safe answer:
//   confirmation      Suspend (a load without --yes starts unasked only when
//                     ShowDialog is 1, i.e. the confirmation is switched off)
//   folder choice     Cancel when several camera folders are found
//   load date         what the dialog preselects (this month "Unassigned", or today)
//   undated pictures  the file date once, then leave the rest on the card
//   title             none
// Messages go to err with their string number.

#include <iosfwd>
#include <string>

#include "camera/camera_prompt.h"
#include "camera/loader_prompt.h"
#include "cli/load_options.h"

namespace lumbrel::cli {

class TerminalLoadPrompt : public camera::CameraPrompt, public camera::LoaderPrompt {
public:
    TerminalLoadPrompt(LoadOptions options, std::istream& in, std::ostream& err, bool interactive);
    /// Interactive when standard input is a terminal.
    TerminalLoadPrompt(LoadOptions options, std::ostream& err);

    bool confirmLoad(std::string_view caption, std::string_view text) override;
    void showMessage(int stringId, std::string_view text) override;
    std::optional<std::vector<std::size_t>> chooseFolders(const std::vector<std::string>& shown) override;
    std::optional<std::string> askLoadDate(std::string_view folderShown, bool offerUnassigned) override;
    camera::UndatedChoice askUndated() override;
    std::optional<std::string> askTitle(std::string_view folderShown) override;

private:
    /// A line read from the terminal; nullopt at the end of input.
    std::optional<std::string> ask(const std::string& question);

    LoadOptions options_;
    std::istream& in_;
    std::ostream& err_;
    bool interactive_;
    int undatedAsked_ = 0;
    bool undatedByDate_ = false;  ///< the next date question is the one for undated pictures
};

}  // namespace lumbrel::cli
