#pragma once
// lumbrel-cli serial test and serial folders: the connection test of the
// communication setting, and the camera folders of a serial camera.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumbrel::cli {

/// args: what follows "serial" ("test ..." or "folders ..."); home: the
/// --home value (may be empty). Returns 0, 1 (no camera, or it failed) or 2
/// (wrong usage).
int runSerial(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumbrel::cli
