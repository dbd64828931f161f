#include "cli/pages_commands.h"

#include <ostream>

#include "cli/library_session.h"

namespace lumbrel::cli {

namespace {

constexpr std::string_view kPagesUsage =
    "usage: lumbrel-cli [--home DIR] pages refresh [KEY...]\n"
    "       lumbrel-cli [--home DIR] pages new-site\n"
    "\n"
    "  refresh    take the listed libraries (all when none is listed) off their\n"
    "             month pages and put them back from the index\n"
    "  new-site   write library.htm, HTML/start.htm and an empty HTML/calendar.htm\n";

void listFailures(const std::vector<std::string>& keys, std::string_view what, std::ostream& err) {
    for (const std::string& key : keys) err << "lumbrel-cli: " << key << ": " << what << "\n";
}

}  // namespace

int runPages(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
             std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kPagesUsage;
        return 0;
    }
    const bool refresh = !args.empty() && args[0] == "refresh";
    const bool newSite = args.size() == 1 && args[0] == "new-site";
    if (!refresh && !newSite) {
        err << kPagesUsage;
        return 2;
    }

    LibrarySession session(err);
    if (!session.start(home)) return 1;
    app::Application& application = session.application();
    web::LibraryPageWriter& writer = session.site();

    bool ok = true;
    if (newSite) {
        ok = writer.writeNewSite();
        if (ok) out << "Wrote a new site in " << application.programFolder() << "\n";
        else err << "lumbrel-cli: cannot write the site in " << application.programFolder() << "\n";
    } else {
        std::vector<std::string> keys(args.begin() + 1, args.end());
        if (keys.empty())
            for (const auto& album : application.document().albums()) keys.emplace_back(album->key());
        // A library not on the pages yet cannot be taken off them; that alone is
        // no failure, putting it back is what counts.
        if (!writer.removePass(keys)) listFailures(writer.failedKeys(), "warning: not taken off the pages", err);
        ok = writer.addPass(keys);
        if (!ok) listFailures(writer.failedKeys(), "cannot be put on the pages", err);
        out << "Refreshed " << keys.size() - writer.failedKeys().size() << " of " << keys.size()
            << " libraries\n";
    }
    application.exit();
    return ok ? 0 : 1;
}

}  // namespace lumbrel::cli
