#pragma once
// The mail programs that album pages can send pictures with: four fixed rows,
// whose names are stored in MailName and written into index files and album
// pages, so they stay as they are. On this system:
//   - "Outlook Express" stands for the desktop's default mail program: it is
//     installed when a mailto handler is registered (xdg-mime), or when an
//     AppPaths entry [msimn.exe] gives a program;
//   - "Outlook" and "Eudora" are installed when their AppPaths entries
//     ([OUTLOOK.EXE], [EUDORA.EXE]) give a program.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::app {

struct MailSoftware {
    int index;
    std::string_view name;         ///< as written to MailName
    std::string_view programFile;  ///< its AppPaths entry; empty for row 0
};

inline constexpr std::array<MailSoftware, 4> kMailSoftware{{
    {0, "Email software is not assigned", ""},
    {1, "Outlook Express", "msimn.exe"},
    {2, "Outlook", "OUTLOOK.EXE"},
    {3, "Eudora", "EUDORA.EXE"},
}};

/// One row of the mail list as the Setup page shows it.
struct MailRow {
    int index = 0;
    std::string name;
    bool installed = false;  ///< row 0 counts as installed: it can always be chosen
    /// What starts the program: the AppPaths program (double quotes removed),
    /// or for row 1 the default mailto handler's desktop entry file.
    std::string program;
    /// The icon: a theme icon name or an icon file; empty for none.
    std::string icon;
};

/// Where the rows look programs up; the system's by default, fakes in tests.
struct MailLookup {
    std::function<std::optional<std::string>(std::string_view programFile)> appPath;
    /// The desktop entry id of the default mailto handler.
    std::function<std::optional<std::string>()> mailtoHandler;
    /// The file of a desktop entry id.
    std::function<std::optional<std::string>(std::string_view id)> desktopEntry;

    static MailLookup system();
};

/// The four rows, in order.
std::vector<MailRow> mailRows(const MailLookup& lookup = MailLookup::system());

/// The row whose name equals stored exactly; 0 when none does.
std::size_t mailRowOf(const std::vector<MailRow>& rows, std::string_view stored);

/// Whether row may become the choice: row 0 or an installed program.
inline bool choosable(const MailRow& row) { return row.index == 0 || row.installed; }

}  // namespace lumbrel::app
