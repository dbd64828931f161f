#pragma once
// What a click on an album page's MAIL button does: find the chosen mail
// program, shrink a copy of the picture to a mail-friendly size, open the
// program's compose window with the copy (or the picture itself) attached,
// and remove the copy once the compose command has ended (or, when that
// command only handed the message over, once the mail program has had time
// to read it).

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/mail_software.h"
#include "mailctl/mail_properties.h"

namespace lumbrel::mailctl {

/// What the control asks of the system; the real one by default, fakes in tests.
struct MailServices {
    app::MailLookup lookup = app::MailLookup::system();
    /// Runs a program with arguments and waits for it: its exit status, nullopt
    /// when it cannot be started.
    std::function<std::optional<int>(const std::string&, const std::vector<std::string>&)> run;
    /// A compose command that ends sooner than this has only handed the
    /// message to a copy of the mail program that was running already, which
    /// reads the attachment when the user sends it: the shrunk copy is then
    /// given to removeLater instead of being removed at once. 0: never.
    std::chrono::milliseconds handOver{0};
    /// Runs a removal some time later; false when it cannot (the copy is then
    /// removed at once).
    std::function<bool(std::function<void()>)> removeLater;

    static MailServices system();
};

enum class MailOutcome {
    Composed,       ///< the compose command ran and ended with status 0
    NoMailProgram,  ///< no name, "Email software is not assigned", or a name of no row
    NotInstalled,   ///< the row's program is not installed
    ComposeFailed,  ///< the compose command could not start or failed
};

struct MailResult {
    MailOutcome outcome = MailOutcome::NoMailProgram;
    std::string attached;  ///< the file handed to the mail program
    bool shrunk = false;   ///< attached is the shrunk copy
    bool removalDeferred = false;  ///< the copy was left to services.removeLater
};

/// The mail row MailName names, compared ignoring case; nullopt for row 0 and
/// names of no row.
std::optional<app::MailRow> mailRowNamed(const std::vector<app::MailRow>& rows, std::string_view mailName);

/// One click. Never throws; the result tells what happened, for a caller that
/// wants to say so (the control itself stays silent).
MailResult doClick(const MailProperties& properties, const MailServices& services = MailServices::system());

}  // namespace lumbrel::mailctl
