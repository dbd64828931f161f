#include "platform/profile.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace lumbrel::platform {
namespace {

// The file as lines, without their line feeds. A line feed at the very end
// does not start another line.
std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

// What a line holds. Files edited on other systems may end lines with CR LF; the
// CR is not part of the line's content.
struct ParsedLine {
    enum Kind { Other, Section, Entry } kind = Other;
    std::string_view name;   // section name or key
    std::string_view value;  // escaped value of an entry
};

ParsedLine parseLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ParsedLine parsed;
    if (line.empty() || line.front() == ';' || line.front() == '#') return parsed;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
        parsed.kind = ParsedLine::Section;
        parsed.name = line.substr(1, line.size() - 2);
        return parsed;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return parsed;
    parsed.kind = ParsedLine::Entry;
    parsed.name = line.substr(0, eq);
    parsed.value = line.substr(eq + 1);
    return parsed;
}

std::string escapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

// Undoes escapeValue; a backslash before any other character is kept as it is.
std::string unescapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const char next = value[i + 1];
        if (next == '\\') out += '\\';
        else if (next == 'n') out += '\n';
        else if (next == 'r') out += '\r';
        else {
            out += c;
            continue;
        }
        ++i;
    }
    return out;
}

std::vector<std::string> readLines(const std::string& path) {
    const auto data = readFile(path);
    if (!data) return {};
    return splitLines(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

// The escaped value of section/key: its first occurrence. Keys before the first
// section header belong to the section with the empty name.
std::optional<std::string> findRaw(const std::vector<std::string>& lines, std::string_view section,
                                   std::string_view key) {
    std::string_view current;
    for (const std::string& line : lines) {
        const ParsedLine parsed = parseLine(line);
        if (parsed.kind == ParsedLine::Section) current = parsed.name;
        else if (parsed.kind == ParsedLine::Entry && current == section && parsed.name == key)
            return std::string(parsed.value);
    }
    return std::nullopt;
}

// Names that the file format could not read back as written.
bool validName(std::string_view name, bool isKey) {
    if (name.find_first_of("\n\r") != std::string_view::npos) return false;
    if (isKey) {
        return !name.empty() && name.find('=') == std::string_view::npos && name.front() != '[' &&
               name.front() != ';' && name.front() != '#';
    }
    return name.find(']') == std::string_view::npos;
}

bool isBlank(std::string_view line) {
    return line.empty() || line == "\r";
}

// Writes the lines back, creating the file's folder when it is missing.
bool writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    const std::string_view folder = parentPath(path);
    if (!folder.empty() && !makeDirectories(std::string(folder))) return false;
    return writeFileAtomic(path, std::string_view(text));
}

bool writeRaw(const std::string& path, std::string_view section, std::string_view key,
              const std::string& escapedValue) {
    if (!validName(section, false) || !validName(key, true)) return false;

    std::vector<std::string> lines;
    if (exists(path)) {
        const auto data = readFile(path);
        if (!data) return false;  // there but unreadable: do not replace it with one key
        lines = splitLines(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
    }

    std::string newLine(key);
    newLine += '=';
    newLine += escapedValue;

    // Change the key where it is.
    std::string_view current;
    for (std::string& line : lines) {
        const ParsedLine parsed = parseLine(line);
        if (parsed.kind == ParsedLine::Section) {
            current = parsed.name;
        } else if (parsed.kind == ParsedLine::Entry && current == section && parsed.name == key) {
            line = newLine;
            return writeLines(path, lines);
        }
    }

    // Otherwise add it to the first block of its section (keys before any header
    // for the empty section), after the block's last non-blank line so that a
    // blank line before the next header stays where it is.
    std::optional<std::size_t> blockStart;
    if (section.empty()) blockStart = 0;
    for (std::size_t i = 0; i < lines.size() && !blockStart; ++i) {
        const ParsedLine parsed = parseLine(lines[i]);
        if (parsed.kind == ParsedLine::Section && parsed.name == section) blockStart = i + 1;
    }
    if (!blockStart) {
        if (!lines.empty() && !isBlank(lines.back())) lines.emplace_back();
        std::string header = "[";
        header.append(section).append("]");
        lines.push_back(std::move(header));
        lines.push_back(newLine);
        return writeLines(path, lines);
    }
    std::size_t insertAt = *blockStart;
    for (std::size_t i = *blockStart; i < lines.size(); ++i) {
        if (parseLine(lines[i]).kind == ParsedLine::Section) break;
        if (!isBlank(lines[i])) insertAt = i + 1;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    return writeLines(path, lines);
}

}  // namespace

Profile::Profile(std::string filePath) : path_(std::move(filePath)) {}

std::string Profile::defaultPath() {
    return configHome() + "/Orrin/Lumbrel.conf";
}

int Profile::readInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto raw = findRaw(readLines(path_), section, key);
    if (!raw || raw->empty()) return defaultValue;
    int value = 0;
    const char* first = raw->data();
    const char* last = raw->data() + raw->size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last) return defaultValue;
    return value;
}

std::string Profile::readText(std::string_view section, std::string_view key,
                              std::string_view defaultValue) const {
    const auto raw = findRaw(readLines(path_), section, key);
    if (!raw) return std::string(defaultValue);
    return unescapeValue(*raw);
}

bool Profile::writeInt(std::string_view section, std::string_view key, int value) {
    return writeRaw(path_, section, key, std::to_string(value));
}

bool Profile::writeText(std::string_view section, std::string_view key, std::string_view value) {
    return writeRaw(path_, section, key, escapeValue(value));
}

std::string configHome() {
    // Relative values are ignored, as the XDG base directory rules ask.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return std::string(home) + "/.config";

    struct passwd pw;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] != '\0')
        return std::string(found->pw_dir) + "/.config";
    return "/.config";  // no home folder at all: writes fail and every read gives its default
}

}  // namespace lumbrel::platform
