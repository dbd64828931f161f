#include "platform/autostart.h"

#include <string_view>

#include "platform/desktop_entry.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace lumbrel::platform {

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
    text += "Name=" + desktopEntryString(name) + "\n";
    text += "Comment=\n";
    text += "Exec=" + execValue({program}) + "\n";
    text += "Path=" + desktopEntryString(workingFolder) + "\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return writeFileAtomic(joinPath(folder, name + ".desktop"), std::string_view(text));
}

}  // namespace lumbrel::platform
