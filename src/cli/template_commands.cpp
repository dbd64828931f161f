#include "cli/template_commands.h"

#include <optional>
#include <ostream>
#include <string_view>

#include "cli/field_text.h"
#include "cli/library_session.h"
#include "platform/utf8.h"
#include "web/plugin_host.h"
#include "web/template_choice.h"

namespace lumbrel::cli {

namespace {

constexpr std::string_view kTemplateUsage =
    "usage: lumbrel-cli [--home DIR] template list\n"
    "       lumbrel-cli [--home DIR] template set [--plugin FILE] TITLE COLOUR\n"
    "\n"
    "  list   one line per template of the plug-ins, in the order the selection\n"
    "         dialog shows them, fields separated by tabs: the title, the plug-in\n"
    "         file, then each colour pattern of that plug-in\n"
    "  set    choose the template TITLE with its plug-in's colour pattern COLOUR,\n"
    "         as the Setup page's template button does; letter case counts only\n"
    "         where two names differ in nothing else. Give an empty COLOUR for a\n"
    "         plug-in without colour patterns, and --plugin where plug-ins share\n"
    "         a title\n";

struct SetArgs {
    std::string plugin;
    std::string title;
    std::string colour;
};

std::optional<SetArgs> parseSet(const std::vector<std::string>& args) {
    SetArgs parsed;
    std::vector<std::string> words;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--plugin") {
            if (i + 1 == args.size()) return std::nullopt;
            parsed.plugin = args[++i];
        } else if (args[i].starts_with("--")) {
            return std::nullopt;
        } else {
            words.push_back(args[i]);
        }
    }
    if (words.size() != 2) return std::nullopt;
    parsed.title = words[0];
    parsed.colour = words[1];
    return parsed;
}

// The names equal to wanted: the exact ones, else those equal ignoring case.
template <typename Names, typename NameOf>
std::vector<std::size_t> matches(const Names& names, std::string_view wanted, NameOf nameOf) {
    std::vector<std::size_t> exact, folded;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view name = nameOf(names[i]);
        if (name == wanted) exact.push_back(i);
        else if (platform::equalNoCase(name, wanted)) folded.push_back(i);
    }
    return exact.empty() ? folded : exact;
}

int list(const web::TemplatePicker& picker, const std::string& pluginsFolder, std::ostream& out) {
    for (const web::TemplateEntry& entry : picker.entries()) {
        out << field(entry.title) << '\t' << field(entry.pluginFile);
        for (const std::string& colour : web::colourPatternNames(pluginsFolder, entry.pluginFile))
            out << '\t' << field(colour);
        out << '\n';
    }
    return 0;
}

int set(web::TemplatePicker& picker, app::Settings& settings, const SetArgs& args, std::ostream& out,
        std::ostream& err) {
    std::vector<std::size_t> found = matches(picker.entries(), args.title,
                                             [](const web::TemplateEntry& e) -> std::string_view { return e.title; });
    if (!args.plugin.empty())
        std::erase_if(found, [&](std::size_t i) {
            return !platform::equalNoCase(picker.entries()[i].pluginFile, args.plugin);
        });
    if (found.empty()) {
        err << "lumbrel-cli: no template " << args.title;
        if (!args.plugin.empty()) err << " in " << args.plugin;
        err << " (lumbrel-cli template list shows them)\n";
        return 1;
    }
    if (found.size() > 1) {
        err << "lumbrel-cli: several templates are called " << args.title << ":";
        for (std::size_t i : found)
            err << " " << picker.entries()[i].title << " (" << picker.entries()[i].pluginFile << ")";
        err << "; say which with its exact title or --plugin FILE\n";
        return 1;
    }
    picker.selectTemplate(found.front());
    // Nothing was selected before, so the colours listed now are those of
    // the chosen template's plug-in.
    const std::string& file = picker.entries()[found.front()].pluginFile;
    const std::vector<std::string>& colours = picker.colourNames();
    if (colours.empty()) {
        if (!args.colour.empty()) {
            err << "lumbrel-cli: " << file << " offers no colour patterns; give an empty COLOUR\n";
            return 1;
        }
    } else {
        const auto colour = matches(colours, args.colour, [](const std::string& c) -> std::string_view { return c; });
        if (colour.size() != 1) {
            err << "lumbrel-cli: " << (colour.empty() ? "no colour pattern " : "several colour patterns are called ")
                << args.colour << " in " << file << "; it offers:";
            for (const std::string& c : colours) err << " \"" << c << "\"";
            err << "\n";
            return 1;
        }
        picker.selectColour(static_cast<int>(colour.front()));
    }
    const auto choice = picker.choice();
    if (!web::saveTemplateChoice(settings, *choice)) {
        err << "lumbrel-cli: cannot write the template settings\n";
        return 1;
    }
    out << "Template: " << web::choiceText(choice->title, choice->colourName) << " (" << choice->pluginFile
        << ", template " << choice->templateNo << ", colour pattern " << choice->colourNo << ")\n";
    return 0;
}

}  // namespace

int runTemplate(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kTemplateUsage;
        return 0;
    }
    const bool isList = args.size() == 1 && args[0] == "list";
    const auto setArgs = !args.empty() && args[0] == "set" ? parseSet(args) : std::nullopt;
    if (!isList && !setArgs) {
        err << kTemplateUsage;
        return 2;
    }

    LibrarySession session(err);
    if (!session.start(home)) return 1;
    app::Application& application = session.application();
    const std::string pluginsFolder = web::pluginsFolder(application.programFolder());
    web::TemplatePicker picker(pluginsFolder);
    if (isList) return list(picker, pluginsFolder, out);
    return set(picker, application.settings(), *setArgs, out, err);
}

}  // namespace lumbrel::cli
