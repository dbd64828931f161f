#pragma once
// lumbrel-cli album KEY: runs the normal start-up and writes one library's
// album pages through the template plug-in chosen in the settings.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumbrel::cli {

/// args: what follows "album"; home: the --home value (may be empty).
/// Returns the exit status (0, 1 failure, 2 usage).
int runAlbum(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumbrel::cli
