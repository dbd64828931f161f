#pragma once
// XDG autostart entries: the per-user desktop entries that the desktop session
// starts at log-in ($XDG_CONFIG_HOME/autostart/NAME.desktop).

#include <string>

namespace lumbrel::platform {

/// $XDG_CONFIG_HOME/autostart
std::string autostartFolder();

/// Writes folder/name.desktop starting program with workingFolder as its working
/// folder (Exec quoted as desktop entries require). False when it cannot be written.
bool writeAutostartEntry(const std::string& folder, const std::string& name,
                         const std::string& program, const std::string& workingFolder);

}  // namespace lumbrel::platform
