#pragma once
// The per-user settings store: an INI file with sections and keys, read with a
// default at every use and written atomically. A missing or unreadable file
// reads as all defaults.
//
// File format: "[Section]" lines, then "key=value" lines. Integers are written
// in decimal. In text values a backslash, a line feed and a carriage return are
// written as \\, \n and \r; nothing else is escaped or trimmed.

#include <string>
#include <string_view>

namespace lumbrel::platform {

class Profile {
public:
    /// A profile kept in the given file.
    explicit Profile(std::string filePath);

    /// The per-user file: $XDG_CONFIG_HOME/Orrin/Lumbrel.conf, with
    /// XDG_CONFIG_HOME defaulting to $HOME/.config.
    static std::string defaultPath();

    const std::string& path() const { return path_; }

    int readInt(std::string_view section, std::string_view key, int defaultValue) const;
    std::string readText(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
    /// Writes one value; creates the file and its folder when missing. False when
    /// the file cannot be written (the old file then stays as it was).
    bool writeInt(std::string_view section, std::string_view key, int value);
    bool writeText(std::string_view section, std::string_view key, std::string_view value);

private:
    std::string path_;
};

/// $XDG_CONFIG_HOME, or $HOME/.config when it is unset or empty.
std::string configHome();

}  // namespace lumbrel::platform
