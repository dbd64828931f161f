#pragma once
// The answers a load takes from the command line, and their parser.

#include <optional>
#include <string>
#include <vector>

#include "camera/image_loader.h"

namespace lumbrel::cli {

struct LoadOptions {
    bool yes = false;                   ///< --yes: answer the confirmation with OK
    std::vector<std::string> folders;   ///< --folder: the camera folders to load when several are found
    std::optional<std::string> date;    ///< --date: the load date (folder mode)
    std::optional<std::string> title;   ///< --title: the title of new libraries (folder mode)
    std::optional<std::string> undated; ///< --undated: file-date, skip or a date
    std::optional<camera::TransferMode> transfer;  ///< --move / --copy
    bool noOpen = false;                ///< --no-open: do not open the library pages this time
    /// Set by the auto command, not an option: start-up loads a pending
    /// request file. Every other command leaves the request to the program
    /// (or a later auto), so that running one does not take a card's request
    /// away from it.
    bool loadPendingRequest = false;
    std::vector<std::string> operands;  ///< what is not an option
};

/// Parses the load options of args; nullopt (with the reason in error) for an
/// unknown option, a missing value or a value of the wrong form.
std::optional<LoadOptions> parseLoadOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace lumbrel::cli
