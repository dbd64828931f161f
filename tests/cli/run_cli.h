#pragma once
// Runs lumbrel-cli in the test process and keeps what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace lumbrel::test {

struct Outcome {
    int status;
    std::string out, err;
};

inline Outcome runCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = cli::run(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace lumbrel::test
