#pragma once
// The command that opens a mail program's compose window with one file
// attached.

#include <string>
#include <string_view>
#include <vector>

#include "app/mail_software.h"

namespace lumbrel::mailctl {

struct ComposeCommand {
    std::string program;  ///< looked up in PATH when it has no "/"
    std::vector<std::string> args;
    bool operator==(const ComposeCommand&) const = default;
};

/// The compose command for row's program with attachment (an absolute path).
/// A program this code knows gets its own compose command (Thunderbird and its
/// rebuilds: -compose attachment='URL'; Claws Mail: --attach FILE); any other
/// goes through the desktop's `xdg-email --attach FILE`. Row 1's program is
/// the desktop entry of the default mail program: its Exec line names the
/// program.
ComposeCommand composeCommand(const app::MailRow& row, const std::string& attachment);

/// The file: URL of an absolute path, every byte but the unreserved ones and
/// "/" percent-encoded (so that a comma or a quote cannot end a compose
/// field).
std::string fileUrl(std::string_view path);

/// The program an Exec line of a desktop entry starts: its first word, with
/// the entry's double quotes and backslash escapes undone; empty when none.
std::string execProgram(std::string_view exec);

}  // namespace lumbrel::mailctl
