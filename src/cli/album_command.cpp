#include "cli/album_command.h"

#include <charconv>
#include <optional>
#include <ostream>
#include <string_view>

#include "cli/library_session.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "web/plugin_host.h"

namespace lumbrel::cli {

namespace {

constexpr std::string_view kAlbumUsage =
    "usage: lumbrel-cli [--home DIR] album KEY [--template N] [--pattern N]\n"
    "\n"
    "  write the album pages of the library KEY with the template plug-in of the\n"
    "  settings; --template and --pattern choose another template type or colour\n"
    "  pattern of that plug-in than the settings hold\n";

struct AlbumArgs {
    std::string key;
    std::optional<int> templateIndex;
    std::optional<int> patternIndex;
};

std::optional<int> number(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

std::optional<AlbumArgs> parse(const std::vector<std::string>& args) {
    AlbumArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--template" || arg == "--pattern") {
            if (i + 1 == args.size()) return std::nullopt;
            const auto value = number(args[++i]);
            if (!value) return std::nullopt;
            (arg == "--template" ? parsed.templateIndex : parsed.patternIndex) = value;
        } else if (arg.starts_with("-") || !parsed.key.empty()) {
            return std::nullopt;
        } else {
            parsed.key = arg;
        }
    }
    if (parsed.key.empty()) return std::nullopt;
    return parsed;
}

}  // namespace

int runAlbum(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kAlbumUsage;
        return 0;
    }
    const auto parsed = parse(args);
    if (!parsed) {
        err << kAlbumUsage;
        return 2;
    }

    LibrarySession session(err);
    if (!session.start(home)) return 1;
    app::Application& application = session.application();
    const app::Settings& settings = application.settings();

    std::string libraryPath;
    for (const auto& album : application.document().albums())
        if (platform::equalNoCase(album->key(), parsed->key)) {
            libraryPath = album->folderPath;
            break;
        }
    if (libraryPath.empty()) {
        err << "lumbrel-cli: no library with key " << parsed->key << "\n";
        return 1;
    }
    // Start-up has replaced a plug-in that went missing; none is left only when
    // the Plugins folder offers no template at all.
    const std::string dllPath = settings.get(app::setting::DllPath);
    const std::string pluginFile = web::pluginFilePath(application.programFolder(), dllPath);
    if (pluginFile.empty() || !platform::isFile(pluginFile)) {
        err << "lumbrel-cli: no template plug-in in " << web::pluginsFolder(application.programFolder()) << "\n";
        return 1;
    }

    const int templateIndex = parsed->templateIndex.value_or(settings.get(app::setting::TemplateTypeNo));
    const int patternIndex = parsed->patternIndex.value_or(settings.get(app::setting::TemplateBackNo));
    if (!web::writeAlbumPages(settings, application.document(), libraryPath, dllPath, templateIndex,
                              patternIndex)) {
        err << "lumbrel-cli: the plug-in could not write the album pages of " << parsed->key << " in "
            << libraryPath << "\n";
        return 1;
    }
    out << "Wrote the album pages of " << parsed->key << " (template " << templateIndex << ", colour pattern "
        << patternIndex << ") in " << libraryPath << "\n";
    return 0;
}

}  // namespace lumbrel::cli
