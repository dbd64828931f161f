#pragma once
// lumbrel-cli pages ...: runs the normal start-up with the library web site
// attached and then writes the site anew or refreshes libraries' pages. Also the
// pieces the other start-up commands use to attach the site.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "app/services.h"

namespace lumbrel::cli {

/// args: what follows "pages"; home: the --home value (may be empty).
/// Returns the exit status (0, 1 failure, 2 usage).
int runPages(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
             std::ostream& err);

/// The changed-page question on the command line: asked on the terminal when
/// there is one, else answered Yes (skip the library) with a note on err.
class TerminalPrompt : public app::Prompt {
public:
    TerminalPrompt(std::istream& in, std::ostream& err, bool interactive);
    /// Interactive when standard input is a terminal.
    explicit TerminalPrompt(std::ostream& err);
    bool askYesNo(int stringId, std::string_view text) override;

private:
    std::istream& in_;
    std::ostream& err_;
    bool interactive_;
};

/// Hands the start-up's site requests on to a writer made after the
/// Application (which owns the document the writer reads); does nothing and
/// reports failure while none is attached.
class SiteForwarder : public app::SitePages {
public:
    void attach(app::SitePages* target) { target_ = target; }
    bool removePass(const std::vector<std::string>& keys) override;
    bool addPass(const std::vector<std::string>& keys) override;
    bool writeNewSite() override;

private:
    app::SitePages* target_ = nullptr;
};

}  // namespace lumbrel::cli
