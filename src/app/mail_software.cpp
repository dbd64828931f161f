#include "app/mail_software.h"

#include "platform/app_paths.h"
#include "platform/desktop_entry.h"

namespace lumbrel::app {
namespace {

std::string withoutQuotes(std::string text) {
    std::erase(text, '"');
    return text;
}

// A program has no icon of its own here: the theme icon of its file name
// ("outlook" for OUTLOOK.EXE) stands for it, the window falling back to a
// generic mail icon when the theme has none.
std::string iconOfProgram(std::string_view programFile) {
    std::string name(programFile.substr(0, programFile.rfind('.')));
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

}  // namespace

MailLookup MailLookup::system() {
    return {[](std::string_view file) { return platform::appPath(file); },
            [] { return platform::defaultSchemeHandler("mailto"); },
            [](std::string_view id) { return platform::findDesktopEntry(id); }};
}

std::vector<MailRow> mailRows(const MailLookup& lookup) {
    std::vector<MailRow> rows;
    for (const MailSoftware& software : kMailSoftware) {
        MailRow row{software.index, std::string(software.name), software.index == 0, {}, {}};
        if (software.index == 1) {
            // The desktop's default mail program, when its entry can be found.
            if (const auto id = lookup.mailtoHandler ? lookup.mailtoHandler() : std::nullopt)
                if (const auto entry = lookup.desktopEntry ? lookup.desktopEntry(*id) : std::nullopt) {
                    row.installed = true;
                    row.program = *entry;
                    row.icon = platform::desktopEntryValue(*entry, "Icon");
                }
        }
        if (!row.installed && !software.programFile.empty() && lookup.appPath)
            if (const auto path = lookup.appPath(software.programFile)) {
                row.installed = true;
                row.program = withoutQuotes(*path);
                row.icon = iconOfProgram(software.programFile);
            }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::size_t mailRowOf(const std::vector<MailRow>& rows, std::string_view stored) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].name == stored) return i;
    return 0;
}

}  // namespace lumbrel::app
