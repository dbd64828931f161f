#include "cli/settings_commands.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>
#include <string_view>

#include "app/mail_software.h"
#include "app/settings.h"
#include "app/setup_choices.h"
#include "cli/field_text.h"
#include "cli/program_settings.h"
#include "platform/autostart.h"

namespace lumbrel::cli {
namespace {

constexpr std::string_view kSettingsUsage =
    "usage: lumbrel-cli [--home DIR] settings list\n"
    "       lumbrel-cli [--home DIR] settings get SECTION KEY\n"
    "       lumbrel-cli [--home DIR] settings set SECTION KEY VALUE\n"
    "       lumbrel-cli [--home DIR] mail list\n"
    "\n"
    "  settings list  one line per setting, fields separated by tabs: section, key,\n"
    "                 type (integer or text), value, and \"stored\" or \"default\"\n"
    "  settings get   the value of one setting (its default when none is stored)\n"
    "  settings set   write one setting as the Setup page does: a choice of the\n"
    "                 page takes only its values; automatic loading ON drops a\n"
    "                 pending request, OFF the watcher's autostart entry; MailName\n"
    "                 takes an installed program of mail list. The image library\n"
    "                 moves with move-root and the template changes with template set\n"
    "  mail list      the mail programs: index, name, installed or not installed,\n"
    "                 what starts it, and \"chosen\" for the one in MailName\n";

std::string valueOf(const app::Settings& settings, const app::SettingEntry& entry) {
    if (entry.integer) return std::to_string(settings.get(*entry.integer));
    if (entry.text == &app::setting::SaveFolder) return settings.saveFolder();
    return settings.get(*entry.text);
}

bool isStored(const app::Settings& settings, const app::SettingEntry& entry) {
    return entry.integer ? settings.stored(*entry.integer) : settings.stored(*entry.text);
}

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// Settings that other commands change together with what depends on them.
std::string_view ownerOf(const app::SettingEntry& entry) {
    using namespace app::setting;
    if (entry.text == &SaveFolder) return "the image library moves with lumbrel-cli move-root";
    if (entry.text == &DllPath || entry.text == &TemplateType || entry.text == &TemplateBackCol ||
        entry.integer == &TemplateTypeNo || entry.integer == &TemplateBackNo)
        return "the template changes with lumbrel-cli template set";
    return {};
}

int set(app::Settings& settings, const app::SettingEntry& entry, const std::string& value, std::ostream& out,
        std::ostream& err) {
    const std::string name = std::string(entry.section()) + " " + std::string(entry.key());
    if (const std::string_view owner = ownerOf(entry); !owner.empty()) {
        err << "lumbrel-cli: " << name << " is not set alone: " << owner << "\n";
        return 1;
    }
    bool written = false;
    if (entry.integer) {
        const auto number = wholeNumber(value);
        if (!number) {
            err << "lumbrel-cli: " << name << " takes a whole number, not \"" << value << "\"\n";
            return 1;
        }
        if (app::isSetupChoice(*entry.integer) && *number != 0 && *number != 1) {
            err << "lumbrel-cli: " << name << " takes 0 or 1\n";
            return 1;
        }
        const app::SetupPlaces places{settings.programFolder(), platform::autostartFolder()};
        written = app::writeChoice(settings, *entry.integer, *number, places);
    } else if (entry.text == &app::setting::MailName) {
        const auto rows = app::mailRows();
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const app::MailRow& r) { return r.name == value; });
        if (row == rows.end() || !app::choosable(*row)) {
            err << "lumbrel-cli: \"" << value << "\" is " << (row == rows.end() ? "no mail program" : "not installed")
                << " (lumbrel-cli mail list shows them)\n";
            return 1;
        }
        written = settings.set(*entry.text, value);
    } else {
        written = settings.set(*entry.text, value);
    }
    if (!written) {
        err << "lumbrel-cli: cannot write " << name << " to " << settings.profile().path() << "\n";
        return 1;
    }
    out << name << " = " << valueOf(settings, entry) << "\n";
    return 0;
}

}  // namespace

int runSettings(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kSettingsUsage;
        return 0;
    }
    const bool isList = args.size() == 1 && args[0] == "list";
    const bool isGet = args.size() == 3 && args[0] == "get";
    const bool isSet = args.size() == 4 && args[0] == "set";
    if (!isList && !isGet && !isSet) {
        err << kSettingsUsage;
        return 2;
    }
    const auto program = ProgramSettings::open(home, err);
    if (!program) return 1;
    app::Settings& settings = program->settings();
    if (isList) {
        for (const app::SettingEntry& entry : app::settingTable())
            out << entry.section() << '\t' << entry.key() << '\t' << (entry.integer ? "integer" : "text") << '\t'
                << field(valueOf(settings, entry)) << '\t' << (isStored(settings, entry) ? "stored" : "default")
                << '\n';
        return 0;
    }
    const app::SettingEntry* entry = app::findSetting(args[1], args[2]);
    if (!entry) {
        err << "lumbrel-cli: there is no setting " << args[1] << " " << args[2]
            << " (lumbrel-cli settings list shows them)\n";
        return 1;
    }
    if (isGet) {
        out << valueOf(settings, *entry) << "\n";
        return 0;
    }
    return set(settings, *entry, args[3], out, err);
}

int runMail(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1 || args[0] != "list") {
        if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
            out << kSettingsUsage;
            return 0;
        }
        err << kSettingsUsage;
        return 2;
    }
    const auto program = ProgramSettings::open(home, err);
    if (!program) return 1;
    app::Settings& settings = program->settings();
    const std::string chosen = settings.get(app::setting::MailName);
    const auto rows = app::mailRows();
    for (const app::MailRow& row : rows)
        out << row.index << '\t' << field(row.name) << '\t' << (row.installed ? "installed" : "not installed") << '\t'
            << field(row.program) << '\t' << (row.name == chosen ? "chosen" : "") << '\n';
    return 0;
}

}  // namespace lumbrel::cli
