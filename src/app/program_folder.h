#pragma once
// The program folder: where the index, its generations, the request file, the
// Plugins folder and the site pages live.

#include <optional>
#include <string>
#include <string_view>

namespace lumbrel::app {

/// The program folder as an absolute canonical path without a trailing "/":
/// home when given (--home), else $LUMBREL_HOME when set, else the folder of the
/// running program. A given folder that does not exist yet is created. nullopt
/// (with a reason in error) when it cannot be found or made.
std::optional<std::string> findProgramFolder(const std::string& home, std::string& error);

/// A part of the installation (the Plugins folder, the watcher program) as a
/// program folder finds it: its own entry of that name when there is one;
/// otherwise the one beside the running program, where a build or an
/// installation puts it (a program folder chosen with --home or LUMBREL_HOME
/// starts without one). The program folder's own path when neither exists.
std::string installedPart(const std::string& programFolder, std::string_view name);

/// installedPart(programFolder, "Plugins").
std::string pluginsFolder(const std::string& programFolder);

}  // namespace lumbrel::app
