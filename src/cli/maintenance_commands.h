#pragma once
// The library maintenance commands of lumbrel-cli: list, retitle, rebuild,
// delete, delete-images, copy, move and move-root. They run the same
// commands as the desktop program's pages, with the questions answered by
// --yes or on the terminal.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::cli {

/// True for the names of the commands below.
bool isMaintenanceCommand(std::string_view name);

/// Runs the maintenance command name with its arguments; the exit status.
int runMaintenance(std::string_view name, const std::string& home, const std::vector<std::string>& args,
                   std::ostream& out, std::ostream& err);

}  // namespace lumbrel::cli
