#pragma once
// Desktop entries (NAME.desktop under the applications folders of the XDG
// data folders) and the desktop's default program for a kind of link.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::platform {

/// The file of the desktop entry id ("org.example.Mail.desktop"): first in
/// $XDG_DATA_HOME/applications (default ~/.local/share), then in each folder
/// of $XDG_DATA_DIRS (default /usr/local/share:/usr/share). An id with "-"
/// is also looked for with its leading parts as subfolders. nullopt when
/// there is none or the id is not a plain file name.
std::optional<std::string> findDesktopEntry(std::string_view id);

/// A value of the [Desktop Entry] group of a desktop entry file; empty when
/// it is missing.
std::string desktopEntryValue(const std::string& file, std::string_view key);

/// $XDG_DATA_HOME, or $HOME/.local/share when it is unset or not absolute.
std::string dataHome();

/// A desktop entry string value: backslash, line breaks and tabs in their
/// backslash forms, a leading space as \s (so that it is not trimmed away).
std::string desktopEntryString(std::string_view value);

/// The Exec value that runs args as they are: each argument in double quotes
/// with ", `, $ and \ escaped inside them and % doubled (a single % starts a
/// field code), joined by spaces, then made a string value (every backslash
/// doubled again). fieldCode, when not empty ("%u"), follows unquoted.
std::string execValue(const std::vector<std::string>& args, std::string_view fieldCode = {});

/// The desktop entry id of the default program for scheme links ("mailto"),
/// as `xdg-mime query default x-scheme-handler/SCHEME` tells (xdg-mime is
/// looked up in PATH). nullopt when there is none or xdg-mime fails.
std::optional<std::string> defaultSchemeHandler(std::string_view scheme);

}  // namespace lumbrel::platform
