#include "camera/drive_list.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace lumbrel::camera {
namespace {

// Devices as a test describes them: block device names by mount source, the
// removable ones, and the mount points that hold media.
class FakeFacts : public DeviceFacts {
public:
    std::string blockDevice(const MountEntry& entry) override {
        const auto it = devices.find(entry.source);
        return it == devices.end() ? std::string{} : it->second;
    }
    bool isRemovable(const std::string& device) override { return removable.contains(device); }
    bool hasMedia(const std::string& mountPoint) override {
        asked.push_back(mountPoint);
        return withMedia.contains(mountPoint);
    }
    std::map<std::string, std::string> devices;
    std::set<std::string> removable, withMedia;
    std::vector<std::string> asked;
};

MountEntry mount(std::string point, std::string type, std::string source) {
    return {8, 1, std::move(point), std::move(type), std::move(source)};
}

TEST(MountInfo, ParsesFieldsAroundOptionalFieldsAndDecodesEscapes) {
    const auto entries = parseMountInfo(
        "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "40 27 8:17 / /media/u/MY\\040CARD rw master:2 shared:7 - vfat /dev/sdb1 rw\r\n"
        "41 27 0:50 / /mnt/a\\134b\\011c rw - nfs4 server:/export\\040x rw\n");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].mountPoint, "/");
    EXPECT_EQ(entries[0].fsType, "ext4");
    EXPECT_EQ(entries[0].major, 254u);
    EXPECT_EQ(entries[1].mountPoint, "/media/u/MY CARD");
    EXPECT_EQ(entries[1].source, "/dev/sdb1");
    EXPECT_EQ(entries[1].minor, 17u);
    EXPECT_EQ(entries[2].mountPoint, "/mnt/a\\b\tc");
    EXPECT_EQ(entries[2].source, "server:/export x");
}

TEST(MountInfo, SkipsMalformedLinesAndKeepsTheRest) {
    const auto entries = parseMountInfo(
        "\n"
        "garbage\n"
        "1 2 3:4 / /no-separator rw ext4 /dev/x rw\n"
        "1 2 x:4 / /bad-device rw - ext4 /dev/x rw\n"
        "1 2 3:4 / relative rw - ext4 /dev/x rw\n"
        "1 2 3:4 / /cut-short rw - ext4\n"
        "1 2 3:4 / /trailing\\04 rw - ext4 /dev/x rw\n"
        "5 6 7:8 / /ok rw - ext4 /dev/sda1 rw");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].mountPoint, "/trailing\\04");  // an escape cut short stays as written
    EXPECT_EQ(entries[1].mountPoint, "/ok");
}

TEST(DriveRules, ClassifiesByFileSystemAndDevice) {
    FakeFacts facts;
    facts.devices = {{"/dev/sda1", "sda1"}, {"/dev/sdb1", "sdb1"}, {"/dev/fd0", "fd0"},
                     {"/dev/sr0", "sr0"},   {"/dev/loop3", "loop3"}};
    facts.removable = {"sdb1", "fd0"};
    EXPECT_EQ(classify(mount("/", "ext4", "/dev/sda1"), facts), DriveType::Fixed);
    EXPECT_EQ(classify(mount("/media/card", "vfat", "/dev/sdb1"), facts), DriveType::Removable);
    EXPECT_EQ(classify(mount("/media/floppy", "vfat", "/dev/fd0"), facts), DriveType::Floppy);
    EXPECT_EQ(classify(mount("/media/cd", "udf", "/dev/sr0"), facts), DriveType::CdRom);
    EXPECT_EQ(classify(mount("/media/iso", "iso9660", "/dev/loop3"), facts), DriveType::CdRom);
    EXPECT_EQ(classify(mount("/net", "nfs4", "server:/x"), facts), DriveType::Remote);
    EXPECT_EQ(classify(mount("/net2", "fuse.sshfs", "u@h:"), facts), DriveType::Remote);
    EXPECT_EQ(classify(mount("/net3", "cifs", "//srv/share"), facts), DriveType::Remote);
    EXPECT_EQ(classify(mount("/sys/fs/cgroup/cpu", "cgroup", "cgroup"), facts), DriveType::Other);
    EXPECT_EQ(classify(mount("/tmp", "tmpfs", "tmpfs"), facts), DriveType::Other);
    // A pseudo file system type wins even over a source that looks like a disk.
    EXPECT_EQ(classify(mount("/snap/x", "squashfs", "/dev/loop3"), facts), DriveType::Other);
    // A disk file system without a local block device is not a drive.
    EXPECT_EQ(classify(mount("/mystery", "ext4", "rootfs"), facts), DriveType::Other);
}

TEST(DriveRules, SelectsFixedAndRemovableWithMediaInMountOrder) {
    FakeFacts facts;
    facts.devices = {{"/dev/sda1", "sda1"}, {"/dev/sda2", "sda2"}, {"/dev/sdb1", "sdb1"},
                     {"/dev/sdc1", "sdc1"}, {"/dev/fd0", "fd0"}};
    facts.removable = {"sdb1", "sdc1", "fd0"};
    facts.withMedia = {"/media/u/CARD/", "/media/floppy/"};
    const std::vector<MountEntry> entries = {
        mount("/", "ext4", "/dev/sda1"),
        mount("/proc", "proc", "proc"),
        mount("/media/u/CARD", "vfat", "/dev/sdb1"),
        mount("/media/u/EMPTY", "vfat", "/dev/sdc1"),
        mount("/media/floppy", "vfat", "/dev/fd0"),
        mount("/home", "ext4", "/dev/sda2"),
        mount("/srv/share", "nfs", "nas:/share"),
    };
    const auto drives = selectDrives(entries, facts);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].root, "/");
    EXPECT_EQ(drives[1].root, "/media/u/CARD/");
    EXPECT_EQ(drives[1].type, DriveType::Removable);
    EXPECT_EQ(drives[2].root, "/home/");
    EXPECT_EQ(drives[2].type, DriveType::Fixed);
    // Media is asked of removable drives only; a floppy is never touched.
    EXPECT_EQ(facts.asked, (std::vector<std::string>{"/media/u/CARD/", "/media/u/EMPTY/"}));
    EXPECT_EQ(removableRoots(drives), std::vector<std::string>{"/media/u/CARD/"});
}

TEST(DriveRules, ALaterMountHidesTheEarlierOne) {
    FakeFacts facts;
    facts.devices = {{"/dev/sda1", "sda1"}};
    const auto drives = selectDrives({mount("/data", "ext4", "/dev/sda1"), mount("/home", "ext4", "/dev/sda1"),
                                      mount("/data", "tmpfs", "tmpfs")},
                                     facts);
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].root, "/home/");
}

TEST(DriveTable, ReadsTypesAndRootsAndIgnoresTheRest) {
    const auto drives = parseDriveTable(
        "# test drives\n"
        "fixed\t/\n"
        "removable\t/media/u/CARD\r\n"
        "removable-empty\t/media/u/EMPTY/\n"
        "floppy\t/media/fd/\n"
        "cdrom\t/media/cd/\n"
        "remote\t/net/\n"
        "pseudo\t/proc/\n"
        "strange\t/x/\n"
        "no tab here\n"
        "fixed\t\n"
        "removable\t/media/u/SECOND/");
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].root, "/");
    EXPECT_EQ(drives[0].type, DriveType::Fixed);
    EXPECT_EQ(drives[1].root, "/media/u/CARD/");
    EXPECT_EQ(drives[2].root, "/media/u/SECOND/");
    EXPECT_EQ(drives[2].type, DriveType::Removable);
}

TEST(DriveTable, NewRootsKeepTheCurrentOrder) {
    EXPECT_EQ(newRoots({"/a/", "/c/"}, {"/d/", "/a/", "/b/"}), (std::vector<std::string>{"/d/", "/b/"}));
    EXPECT_TRUE(newRoots({"/a/"}, {}).empty());
}

}  // namespace
}  // namespace lumbrel::camera
