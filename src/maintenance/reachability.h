#pragma once
// Whether a library's folder can be reached before a command touches it. On
// this platform a medium that is not mounted leaves an ordinary, empty path
// behind, so a library counts as reachable only when its folder exists and
// lies on a drive that is there: a fixed disk, a network file system, or a
// removable disk with a medium. Everything else is skipped and keeps its record.

#include <string>
#include <vector>

namespace lumbrel::maintenance {

/// The drive roots taken once per command (mount point + "/").
struct DriveRoots {
    std::vector<std::string> roots;
};

/// The fixed, remote and removable-with-medium drives of this system (or of
/// the fake table LUMBREL_DRIVES names).
DriveRoots takeDriveRoots();

/// True when location is a folder and the deepest root holding it is one of roots.
bool isReachable(const std::string& location, const DriveRoots& roots);

}  // namespace lumbrel::maintenance
