#include "platform/desktop_entry.h"

#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/profile.h"

namespace lumbrel::platform {
namespace {

// One Exec argument in double quotes.
std::string quoteExecArgument(std::string_view arg) {
    std::string out = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    out += '"';
    return out;
}

std::vector<std::string> dataFolders() {
    std::vector<std::string> folders;
    if (std::string home = dataHome(); !home.empty()) folders.push_back(std::move(home));
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string_view list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view folder = list.substr(0, colon);
        if (folder.starts_with('/')) folders.emplace_back(folder);
        if (colon == std::string_view::npos) break;
        list.remove_prefix(colon + 1);
    }
    return folders;
}

}  // namespace

std::string dataHome() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/') return dataHome;
    const char* home = std::getenv("HOME");
    return home && *home ? joinPath(home, ".local/share") : std::string();
}

std::string desktopEntryString(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 8);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case ' ': out += i == 0 ? "\\s" : " "; break;
        default: out += c;
        }
    }
    return out;
}

std::string execValue(const std::vector<std::string>& args, std::string_view fieldCode) {
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty()) line += ' ';
        line += quoteExecArgument(arg);
    }
    if (!fieldCode.empty()) {
        if (!line.empty()) line += ' ';
        line += fieldCode;
    }
    return desktopEntryString(line);
}

std::optional<std::string> findDesktopEntry(std::string_view id) {
    if (id.empty() || id.find('/') != std::string_view::npos || id == "." || id == ".." ||
        !id.ends_with(".desktop"))
        return std::nullopt;
    // "vendor-program.desktop" may live as vendor/program.desktop.
    std::vector<std::string> names{std::string(id)};
    for (std::string name(id); name.find('-') != std::string::npos;) {
        name[name.find('-')] = '/';
        names.push_back(name);
    }
    for (const std::string& folder : dataFolders())
        for (const std::string& name : names) {
            const std::string file = joinPath(joinPath(folder, "applications"), name);
            if (isFile(file)) return file;
        }
    return std::nullopt;
}

std::string desktopEntryValue(const std::string& file, std::string_view key) {
    return Profile(file).readText("Desktop Entry", key, "");
}

std::optional<std::string> defaultSchemeHandler(std::string_view scheme) {
    const auto output = programOutput("xdg-mime", {"query", "default", "x-scheme-handler/" + std::string(scheme)});
    if (!output) return std::nullopt;
    std::string id = *output;
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r' || id.back() == ' ')) id.pop_back();
    if (id.empty() || id.find('\n') != std::string::npos) return std::nullopt;
    return id;
}

}  // namespace lumbrel::platform
