#pragma once
// The program folder: where the index, its generations, the request file, the
// Plugins folder and the site pages live.

#include <optional>
#include <string>

namespace lumbrel::app {

/// The program folder as an absolute canonical path without a trailing "/":
/// home when given (--home), else $LUMBREL_HOME when set, else the folder of the
/// running program. A given folder that does not exist yet is created. nullopt
/// (with a reason in error) when it cannot be found or made.
std::optional<std::string> findProgramFolder(const std::string& home, std::string& error);

/// The template plug-ins' folder of a program folder: its own "Plugins" when
/// there is one; otherwise the "Plugins" folder beside the running program,
/// where a build or an installation puts the delivered plug-in (a program
/// folder chosen with --home or LUMBREL_HOME starts without one). The program
/// folder's own path when neither exists.
std::string pluginsFolder(const std::string& programFolder);

}  // namespace lumbrel::app
