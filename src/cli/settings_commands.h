#pragma once
// lumbrel-cli settings list | get | set, and mail list: the settings as the
// Setup page shows and writes them, and the mail programs it offers.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumbrel::cli {

/// args: what follows "settings"; home: the --home value (may be empty).
/// Returns the exit status (0, 1 failure, 2 usage).
int runSettings(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err);
/// args: what follows "mail".
int runMail(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumbrel::cli
