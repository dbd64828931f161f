#include "maintenance/reachability.h"

#include <cstdlib>

#include "camera/drive_list.h"
#include "platform/files.h"

namespace lumbrel::maintenance {

DriveRoots takeDriveRoots() {
    DriveRoots taken;
    for (const camera::Drive& drive : camera::enumerateDrives()) taken.roots.push_back(drive.root);
    // Network file systems hold libraries too; the camera scan leaves them
    // out, the maintenance commands take them.
    if (!std::getenv("LUMBREL_DRIVES")) {
        const auto text = platform::readFile("/proc/self/mountinfo", 1 << 22);
        if (text) {
            const std::string_view view(reinterpret_cast<const char*>(text->data()), text->size());
            for (const camera::MountEntry& entry : camera::parseMountInfo(view))
                if (camera::classify(entry, camera::systemDeviceFacts()) == camera::DriveType::Remote)
                    taken.roots.push_back(camera::asRoot(entry.mountPoint));
        }
    }
    return taken;
}

bool isReachable(const std::string& location, const DriveRoots& roots) {
    if (!platform::isDirectory(location)) return false;
    const std::string path = platform::canonicalPath(location).value_or(location) + "/";
    // The deepest root that holds the folder is its drive.
    std::size_t best = 0;
    bool found = false;
    for (const std::string& root : roots.roots) {
        if (root.size() >= best && path.compare(0, root.size(), root) == 0) {
            best = root.size();
            found = true;
        }
    }
    return found;
}

}  // namespace lumbrel::maintenance
