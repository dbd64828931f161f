#pragma once
// lumbrel-cli template list | set: the templates that the plug-ins offer, and
// the choice of template and colour pattern that the Setup page's template
// button makes.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumbrel::cli {

/// args: what follows "template"; home: the --home value (may be empty).
/// Returns the exit status (0, 1 failure, 2 usage).
int runTemplate(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err);

}  // namespace lumbrel::cli
