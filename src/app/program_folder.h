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

}  // namespace lumbrel::app
