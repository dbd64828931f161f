#include "camera/drive_list.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <system_error>

#include "platform/files.h"

namespace lumbrel::camera {
namespace {

// The mount table of a busy system is a few hundred kilobytes at most.
constexpr std::size_t kMaxMountTable = 8u << 20;
constexpr std::size_t kMaxDriveTable = 1u << 20;

// File systems that are not disks at all.
constexpr std::string_view kPseudo[] = {
    "proc",   "sysfs",    "tmpfs",   "devtmpfs", "devpts",    "cgroup",   "cgroup2",
    "overlay", "squashfs", "autofs", "debugfs",  "tracefs",   "securityfs", "pstore",
    "bpf",    "mqueue",   "hugetlbfs", "fusectl", "configfs", "binfmt_misc", "efivarfs",
    "ramfs",  "nsfs",     "rpc_pipefs", "nfsd",   "selinuxfs", "fuse.gvfsd-fuse",
};

// File systems whose files live on another machine.
constexpr std::string_view kRemote[] = {
    "nfs",  "nfs4",  "cifs",       "smb3",       "smbfs",          "ncpfs",     "9p",  "afs",
    "ceph", "coda",  "glusterfs",  "fuse.sshfs", "fuse.glusterfs", "sshfs",     "davfs",
};

bool oneOf(std::span<const std::string_view> set, std::string_view value) {
    return std::find(set.begin(), set.end(), value) != set.end();
}

// Splits at single spaces (the mount table separates its fields so).
std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos <= line.size()) {
        const std::size_t end = std::min(line.find(' ', pos), line.size());
        if (end > pos) fields.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
    return fields;
}

bool isOctal(char c) { return c >= '0' && c <= '7'; }

// The kernel writes space, tab, newline and backslash in paths as \ooo.
std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value < 256) {
                out.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

bool parseNumber(std::string_view text, std::uint32_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc{} && end == text.data() + text.size();
}

std::string_view textOf(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class SystemDeviceFacts : public DeviceFacts {
public:
    std::string blockDevice(const MountEntry& entry) override {
        if (entry.major != 0) {
            const auto device = platform::canonicalPath("/sys/dev/block/" + std::to_string(entry.major) + ":" +
                                                        std::to_string(entry.minor));
            if (device) return std::string(platform::lastComponent(*device));
        }
        // File systems in user space (fuseblk) and some others show an
        // anonymous device number; their source still names the device.
        if (entry.source.starts_with("/dev/")) {
            const auto device = platform::canonicalPath(entry.source);
            if (device) {
                const std::string name(platform::lastComponent(*device));
                if (!name.empty() && platform::exists("/sys/class/block/" + name)) return name;
            }
        }
        return {};
    }

    bool isRemovable(const std::string& blockDevice) override {
        const auto device = platform::canonicalPath("/sys/class/block/" + blockDevice);
        if (!device) return false;
        if (device->find("/usb") != std::string::npos) return true;
        // A partition's flags are those of the disk it is part of.
        const std::string disk =
            platform::exists(*device + "/partition") ? std::string(platform::parentPath(*device)) : *device;
        if (firstByte(disk + "/removable") == '1') return true;
        // Card readers on the MMC bus report their SD cards as not removable;
        // built-in eMMC storage reports the type "MMC" and stays fixed.
        return device->find("/mmc_host/") != std::string::npos && firstByte(disk + "/device/type") == 'S';
    }

    bool hasMedia(const std::string& mountPoint) override {
        std::error_code ec;
        const auto space = std::filesystem::space(mountPoint, ec);
        return !ec && (space.free > 0 || space.capacity > 0);
    }

private:
    static char firstByte(const std::string& path) {
        const auto bytes = platform::readFile(path, 16);
        return bytes && !bytes->empty() ? static_cast<char>((*bytes)[0]) : '\0';
    }
};

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (line.ends_with('\r')) line.remove_suffix(1);
        out.push_back(line);
        pos = end + 1;
    }
    return out;
}

}  // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    for (const std::string_view line : lines(text)) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const auto fields = splitFields(line);
        if (fields.size() < 6) continue;
        const auto dash = std::find(fields.begin() + 6, fields.end(), std::string_view("-"));
        if (dash == fields.end() || fields.end() - dash < 3) continue;

        MountEntry entry;
        const std::string_view device = fields[2];
        const std::size_t colon = device.find(':');
        if (colon == std::string_view::npos || !parseNumber(device.substr(0, colon), entry.major) ||
            !parseNumber(device.substr(colon + 1), entry.minor))
            continue;
        entry.mountPoint = unescape(fields[4]);
        if (!entry.mountPoint.starts_with('/')) continue;
        entry.fsType = unescape(dash[1]);
        entry.source = unescape(dash[2]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

DeviceFacts& systemDeviceFacts() {
    static SystemDeviceFacts facts;
    return facts;
}

DriveType classify(const MountEntry& entry, DeviceFacts& facts) {
    const std::string_view type = entry.fsType;
    if (oneOf(kPseudo, type)) return DriveType::Other;
    if (isRemoteFileSystem(type)) return DriveType::Remote;
    if (type == "iso9660") return DriveType::CdRom;
    const std::string device = facts.blockDevice(entry);
    if (entry.source.starts_with("/dev/fd") || device.starts_with("fd")) return DriveType::Floppy;
    if (device.empty()) return DriveType::Other;
    if (device.starts_with("sr")) return DriveType::CdRom;  // udf or anything else on an optical drive
    return facts.isRemovable(device) ? DriveType::Removable : DriveType::Fixed;
}

std::vector<Drive> selectDrives(const std::vector<MountEntry>& entries, DeviceFacts& facts) {
    std::vector<Drive> mounted;
    for (const MountEntry& entry : entries) {
        Drive drive{asRoot(entry.mountPoint), classify(entry, facts)};
        const auto same = std::find_if(mounted.begin(), mounted.end(),
                                       [&](const Drive& d) { return d.root == drive.root; });
        if (same != mounted.end())
            *same = std::move(drive);
        else
            mounted.push_back(std::move(drive));
    }
    std::vector<Drive> drives;
    for (Drive& drive : mounted) {
        if (drive.type == DriveType::Fixed ||
            (drive.type == DriveType::Removable && facts.hasMedia(drive.root)))
            drives.push_back(std::move(drive));
    }
    return drives;
}

std::vector<Drive> parseDriveTable(std::string_view text) {
    std::vector<Drive> drives;
    for (const std::string_view line : lines(text)) {
        if (line.empty() || line.starts_with('#')) continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab + 1 == line.size()) continue;
        const std::string_view type = line.substr(0, tab);
        if (type == "fixed")
            drives.push_back({asRoot(line.substr(tab + 1)), DriveType::Fixed});
        else if (type == "removable")
            drives.push_back({asRoot(line.substr(tab + 1)), DriveType::Removable});
        // removable-empty, floppy, cdrom, remote, pseudo and unknown types: never scanned.
    }
    return drives;
}

std::vector<Drive> enumerateDrives() {
    if (const char* table = std::getenv("LUMBREL_DRIVES"); table && *table) {
        const auto bytes = platform::readFile(table, kMaxDriveTable);
        return bytes ? parseDriveTable(textOf(*bytes)) : std::vector<Drive>{};
    }
    const auto bytes = platform::readFile("/proc/self/mountinfo", kMaxMountTable);
    if (!bytes) return {};
    return selectDrives(parseMountInfo(textOf(*bytes)), systemDeviceFacts());
}

std::vector<std::string> removableRoots(const std::vector<Drive>& drives) {
    std::vector<std::string> roots;
    for (const Drive& drive : drives)
        if (drive.type == DriveType::Removable) roots.push_back(drive.root);
    return roots;
}

std::vector<std::string> newRoots(const std::vector<std::string>& previous,
                                  const std::vector<std::string>& current) {
    std::vector<std::string> added;
    for (const std::string& root : current)
        if (std::find(previous.begin(), previous.end(), root) == previous.end()) added.push_back(root);
    return added;
}

bool isRemoteFileSystem(std::string_view fsType) { return oneOf(kRemote, fsType); }

std::vector<MountedRoot> mountedRoots(const std::vector<MountEntry>& entries) {
    std::vector<MountedRoot> mounts;
    mounts.reserve(entries.size());
    for (const MountEntry& entry : entries) mounts.push_back({asRoot(entry.mountPoint), isRemoteFileSystem(entry.fsType)});
    return mounts;
}

std::vector<MountedRoot> mountedRootsOfDriveTable(std::string_view text) {
    std::vector<MountedRoot> mounts;
    for (const std::string_view line : lines(text)) {
        if (line.empty() || line.starts_with('#')) continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab + 1 == line.size()) continue;
        mounts.push_back({asRoot(line.substr(tab + 1)), line.substr(0, tab) == "remote"});
    }
    return mounts;
}

std::vector<MountedRoot> systemMountedRoots() {
    if (const char* table = std::getenv("LUMBREL_DRIVES"); table && *table) {
        const auto bytes = platform::readFile(table, kMaxDriveTable);
        return bytes ? mountedRootsOfDriveTable(textOf(*bytes)) : std::vector<MountedRoot>{};
    }
    const auto bytes = platform::readFile("/proc/self/mountinfo", kMaxMountTable);
    return bytes ? mountedRoots(parseMountInfo(textOf(*bytes))) : std::vector<MountedRoot>{};
}

bool onRemoteFileSystem(std::string_view path, const std::vector<MountedRoot>& mounts) {
    const std::string folder = asRoot(path);
    const MountedRoot* holder = nullptr;
    for (const MountedRoot& mount : mounts) {
        if (!folder.starts_with(mount.root)) continue;
        if (!holder || mount.root.size() >= holder->root.size()) holder = &mount;
    }
    return holder && holder->remote;
}

std::string asRoot(std::string_view path) {
    std::string root(path);
    if (!root.ends_with('/')) root.push_back('/');
    return root;
}

}  // namespace lumbrel::camera
