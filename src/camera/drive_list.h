#pragma once
// The drives a camera load looks at: every mounted local disk, and every
// removable disk (card reader, USB camera) that holds media. The list comes
// from the mount table; the rules are a pure function over its entries and a
// few facts about the devices, so that they can be tested without devices.
//
// A drive root is a mount point followed by "/" ("/" itself for the root file
// system, "/media/u/CARD/" for a card).
//
// LUMBREL_DRIVES=path replaces the mount table by a fake drive table: one drive
// per line, "TYPE<TAB>ROOT", where TYPE is fixed, removable, removable-empty
// (a removable drive without media), floppy, cdrom, remote or pseudo. Lines
// that do not parse, blank lines and lines starting with "#" are ignored; a
// ROOT without a trailing "/" gets one. The same rules then apply: fixed and
// removable drives are used, all others are not.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::camera {

/// One line of /proc/self/mountinfo, the fields this program uses.
struct MountEntry {
    std::uint32_t major = 0;   ///< device number of the file system (0: none)
    std::uint32_t minor = 0;
    std::string mountPoint;    ///< escapes (\040 and the like) decoded
    std::string fsType;        ///< "ext4", "vfat", "fuse.sshfs", ...
    std::string source;        ///< "/dev/sdb1", "server:/export", "tmpfs", ...
};

/// Parses the mount table text; lines that do not have the fields are skipped.
/// Reads at most the text it is given and never fails as a whole.
std::vector<MountEntry> parseMountInfo(std::string_view text);

enum class DriveType {
    Fixed,      ///< a local disk: always scanned
    Removable,  ///< a removable disk or one on a USB bus: scanned when it holds media
    Floppy,     ///< never scanned
    CdRom,      ///< skipped
    Remote,     ///< a network file system: skipped
    Other,      ///< pseudo and virtual file systems, anything not on a local disk: skipped
};

/// What the rules need to know about a mounted device beyond the mount table.
class DeviceFacts {
public:
    virtual ~DeviceFacts() = default;
    /// Kernel name of the block device behind entry ("sda1", "sr0", "fd0",
    /// "mmcblk0p1"); empty when the file system is not on a local block device.
    virtual std::string blockDevice(const MountEntry& entry) = 0;
    /// True when the disk of that block device is removable or sits on a USB bus.
    virtual bool isRemovable(const std::string& blockDevice) = 0;
    /// True when the file system at mountPoint can be asked for its size and
    /// reports free or total blocks (a reader without a card reports neither).
    virtual bool hasMedia(const std::string& mountPoint) = 0;
};

/// The facts of the running system, from /sys and the file systems.
DeviceFacts& systemDeviceFacts();

/// The type of one mounted file system.
DriveType classify(const MountEntry& entry, DeviceFacts& facts);

struct Drive {
    std::string root;  ///< mount point + "/"
    DriveType type = DriveType::Fixed;
};

/// The drives to scan, in mount-table order: fixed drives, and removable drives
/// with media. A mount point mounted again later (which hides the earlier
/// mount) counts once, with the type of the later mount.
std::vector<Drive> selectDrives(const std::vector<MountEntry>& entries, DeviceFacts& facts);

/// The drives of a fake drive table (see the top of this file) under the same
/// rules: its fixed and removable lines, in order.
std::vector<Drive> parseDriveTable(std::string_view text);

/// The drives of this system: from the table named by LUMBREL_DRIVES when it
/// is set, otherwise from /proc/self/mountinfo. Empty when nothing qualifies.
std::vector<Drive> enumerateDrives();

/// The roots of the removable drives among drives, in order.
std::vector<std::string> removableRoots(const std::vector<Drive>& drives);

/// The roots in current that are not in previous, in the order of current.
std::vector<std::string> newRoots(const std::vector<std::string>& previous,
                                  const std::vector<std::string>& current);

/// True for a type of file system whose files live on another machine
/// ("nfs", "cifs", "fuse.sshfs", ...).
bool isRemoteFileSystem(std::string_view fsType);

/// One mounted file system as the test for network folders sees it.
struct MountedRoot {
    std::string root;     ///< mount point + "/"
    bool remote = false;  ///< a network file system
};

/// Every mount of entries, in mount-table order.
std::vector<MountedRoot> mountedRoots(const std::vector<MountEntry>& entries);
/// Every drive of a fake drive table (see the top of this file), in order,
/// whatever its type; "remote" lines are the remote ones.
std::vector<MountedRoot> mountedRootsOfDriveTable(std::string_view text);
/// The mounts of this system: from the table named by LUMBREL_DRIVES when it
/// is set, otherwise from /proc/self/mountinfo.
std::vector<MountedRoot> systemMountedRoots();
/// True when path lies on a network file system: the mount holding it (the
/// one with the longest root that is a beginning of path, the later of two
/// with the same root, as a later mount hides an earlier one) is remote.
/// path is taken as given; resolve links before asking.
bool onRemoteFileSystem(std::string_view path, const std::vector<MountedRoot>& mounts);

/// path with a "/" added when it does not end in one.
std::string asRoot(std::string_view path);

}  // namespace lumbrel::camera
