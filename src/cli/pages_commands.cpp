#include "cli/pages_commands.h"

#include <unistd.h>

#include <iostream>
#include <istream>
#include <ostream>

#include "app/application.h"
#include "app/program_folder.h"
#include "platform/profile.h"
#include "web/library_page_writer.h"

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

TerminalPrompt::TerminalPrompt(std::istream& in, std::ostream& err, bool interactive)
    : in_(in), err_(err), interactive_(interactive) {}

TerminalPrompt::TerminalPrompt(std::ostream& err) : TerminalPrompt(std::cin, err, ::isatty(STDIN_FILENO) == 1) {}

bool TerminalPrompt::askYesNo(int /*stringId*/, std::string_view text) {
    err_ << text << "\n";
    if (!interactive_) {
        err_ << "lumbrel-cli: no terminal to ask; answering Yes (the library is skipped)\n";
        return true;
    }
    err_ << "[Y/n] " << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) return true;  // end of input: the safe answer
    return answer.empty() || (answer[0] != 'n' && answer[0] != 'N');
}

bool SiteForwarder::removePass(const std::vector<std::string>& keys) {
    return target_ && target_->removePass(keys);
}

bool SiteForwarder::addPass(const std::vector<std::string>& keys) { return target_ && target_->addPass(keys); }

bool SiteForwarder::writeNewSite() { return target_ && target_->writeNewSite(); }

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

    std::string problem;
    const auto folder = app::findProgramFolder(home, problem);
    if (!folder) {
        err << "lumbrel-cli: " << problem << "\n";
        return 1;
    }
    platform::Profile profile(platform::Profile::defaultPath());
    app::StartupOptions options;
    options.programFolder = *folder;
    options.instanceName.clear();  // the folder lock is enough for the command line
    TerminalPrompt prompt(err);
    SiteForwarder forward;
    app::StartupServices services;
    services.site = &forward;
    app::Application application(profile, options, services);
    web::LibraryPageWriter writer(application.programFolder(), application.document(), &prompt);
    forward.attach(&writer);
    if (application.start() != app::StartupResult::Started) {
        err << "lumbrel-cli: start-up failed (is Lumbrel using the program folder " << *folder << "?)\n";
        return 1;
    }

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
