#pragma once
// lumbrel-cli pages ...: runs the normal start-up with the library web site
// attached and then writes the site anew or refreshes libraries' pages.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>


namespace lumbrel::cli {

/// args: what follows "pages"; home: the --home value (may be empty).
/// Returns the exit status (0, 1 failure, 2 usage).
int runPages(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
             std::ostream& err);

}  // namespace lumbrel::cli
