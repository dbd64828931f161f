#pragma once
// lumbrel-cli media ...: thin front ends over the media code, so that it can be
// checked and timed from outside.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumbrel::cli {

/// args: what follows "media". Returns the exit status (0, 1 failure, 2 usage).
int runMedia(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumbrel::cli
