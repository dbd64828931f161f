#include "platform/autostart.h"

#include <string_view>

#include "platform/files.h"
#include "platform/profile.h"

namespace lumbrel::platform {
namespace {

// Escapes a desktop entry string value: backslash, line breaks and tabs get
// their backslash forms, and a leading space becomes \s so that it is not
// trimmed away when the file is read.
std::string escapeString(std::string_view value) {
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

// One Exec argument: in double quotes, with ", `, $ and \ escaped by a
// backslash inside them, and % doubled because a single % starts a field code.
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

}  // namespace

std::string autostartFolder() {
    return configHome() + "/autostart";
}

bool writeAutostartEntry(const std::string& folder, const std::string& name, const std::string& program,
                         const std::string& workingFolder) {
    // The name becomes a file name.
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos)
        return false;
    if (!makeDirectories(folder)) return false;

    std::string text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=" + escapeString(name) + "\n";
    text += "Comment=\n";
    // The quoted command line is itself a string value, so it is escaped again
    // (every backslash doubled).
    text += "Exec=" + escapeString(quoteExecArgument(program)) + "\n";
    text += "Path=" + escapeString(workingFolder) + "\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return writeFileAtomic(joinPath(folder, name + ".desktop"), std::string_view(text));
}

}  // namespace lumbrel::platform
