#pragma once
// The command-line front end, callable from tests: runs one command and returns
// the exit status (0 success, 1 failure, 2 wrong usage).

#include <iosfwd>
#include <string>
#include <vector>

namespace lumbrel::cli {

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumbrel::cli
