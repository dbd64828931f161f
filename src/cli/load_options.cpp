#include "cli/load_options.h"

#include "camera/date_key.h"

namespace lumbrel::cli {

std::optional<LoadOptions> parseLoadOptions(const std::vector<std::string>& args, std::string& error) {
    LoadOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--folder" || arg == "--date" || arg == "--title" || arg == "--undated";
        if (takesValue && i + 1 == args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        if (arg == "--yes") options.yes = true;
        else if (arg == "--no-open") options.noOpen = true;
        else if (arg == "--move") options.transfer = camera::TransferMode::Move;
        else if (arg == "--copy") options.transfer = camera::TransferMode::Copy;
        else if (arg == "--folder") options.folders.push_back(args[++i]);
        else if (arg == "--title") options.title = args[++i];
        else if (arg == "--date") {
            options.date = args[++i];
            if (!camera::checkDateKey(*options.date, true, camera::currentYear())) {
                error = "--date takes YYYYMMDD or YYYYMM00 (a day of the calendar from 1980 on)";
                return std::nullopt;
            }
        } else if (arg == "--undated") {
            options.undated = args[++i];
            if (*options.undated != "file-date" && *options.undated != "skip" &&
                !camera::checkDateKey(*options.undated, false, camera::currentYear())) {
                error = "--undated takes file-date, skip or a date YYYYMMDD";
                return std::nullopt;
            }
        } else if (arg.starts_with("-")) {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            options.operands.push_back(arg);
        }
    }
    return options;
}

}  // namespace lumbrel::cli
