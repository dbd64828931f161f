#include "camera/camera_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace lumbrel::camera {
namespace {

using test::TempDir;

void makeFolder(const std::string& path) { std::filesystem::create_directories(path); }

TEST(CameraFolders, FindsDcimInAnyCaseAndMarkedFoldersOnly) {
    TempDir drive;
    const std::string root = drive.path() + "/";
    makeFolder(drive / "dcim");
    makeFolder(drive / "PHOTOS");
    test::writeText(drive / "PHOTOS/KDCAM.KDS", "");
    makeFolder(drive / "Other");
    test::writeText(drive / "Other/readme.txt", "");
    makeFolder(drive / "Lower");
    test::writeText(drive / "Lower/kdcam.kds", "");       // FAT cards do not keep the letter case
    makeFolder(drive / "NESTED/DCIM");                      // only folders directly under the root
    std::vector<std::string> folders;
    EXPECT_TRUE(scanDrive(root, folders));
    EXPECT_EQ(folders, (std::vector<std::string>{root + "dcim", root + "Lower", root + "PHOTOS"}));
}

TEST(CameraFolders, AFileNamedDcimOrAnUnreadableRootAddsNothing) {
    TempDir drive;
    test::writeText(drive / "DCIM", "not a folder");
    test::writeText(drive / "KDCAM.KDS", "");  // a marker in the root itself marks nothing
    std::vector<std::string> folders;
    EXPECT_FALSE(scanDrive(drive.path() + "/", folders));
    EXPECT_FALSE(scanDrive(drive.path() + "/missing/", folders));
    EXPECT_TRUE(folders.empty());
}

TEST(CameraFolders, TwoDrivesGiveOneSortedList) {
    TempDir parent;
    const std::string e = parent / "E/";
    const std::string d = parent / "d/";
    makeFolder(e + "DCIM");
    makeFolder(d + "DCIM");
    makeFolder(d + "Photos");
    test::writeText(d + "Photos/KDCAM.KDS", "");
    std::vector<std::string> folders;
    scanDrive(e, folders);
    EXPECT_TRUE(scanDrive(d, folders));
    EXPECT_EQ(folders, (std::vector<std::string>{d + "DCIM", d + "Photos", e + "DCIM"}));
}

TEST(CameraFolders, SortedInsertionIgnoresCaseAndKeepsArrivalOrderOfEquals) {
    std::vector<std::string> folders;
    insertSorted(folders, "/m/b/DCIM");
    insertSorted(folders, "/m/A/DCIM");
    insertSorted(folders, "/m/B/dcim");  // equal to the first ignoring case: goes after it
    insertSorted(folders, "/m/\xC3\x89/DCIM");  // E with acute sorts after ASCII letters
    insertSorted(folders, "/m/a/x");
    EXPECT_EQ(folders,
              (std::vector<std::string>{"/m/A/DCIM", "/m/a/x", "/m/b/DCIM", "/m/B/dcim", "/m/\xC3\x89/DCIM"}));
}

TEST(CameraFolders, UpperCaseKeepsMultiByteCharactersWhole) {
    EXPECT_EQ(toUpper("/media/u/card/dcim"), "/MEDIA/U/CARD/DCIM");
    // e acute, y diaeresis, l with caron, greek final sigma, cyrillic ya and io
    EXPECT_EQ(toUpper("\xC3\xA9\xC3\xBF\xC4\xBE\xCF\x82\xD1\x8F\xD1\x91"),
              "\xC3\x89\xC5\xB8\xC4\xBD\xCE\xA3\xD0\xAF\xD0\x81");
    // Division sign, three-byte characters and invalid bytes pass through.
    EXPECT_EQ(toUpper("\xC3\xB7\xE3\x81\x82\xFF\xC3"), "\xC3\xB7\xE3\x81\x82\xFF\xC3");
}

TEST(CameraFolders, DisplayTextShortensLongPathsWithoutSplittingCharacters) {
    EXPECT_EQ(folderDisplayText("/media/CARD/DCIM"), "/media/CARD/DCIM");    // 16 bytes
    EXPECT_EQ(folderDisplayText("/media/u/CARD/DCIM"), "/media/u/CARD/DCIM");  // 18 bytes: whole
    EXPECT_EQ(folderDisplayText("/media/us/CARD/DCIM"), "/m.../us/CARD/DCIM");  // 19 bytes
    EXPECT_EQ(folderDisplayText("/run/media/user/CARD/DCIM"), "/r...ser/CARD/DCIM");
    // The 13th byte from the end is inside e acute: the tail takes the whole character.
    EXPECT_EQ(folderDisplayText("/run/media/user/\xC3\xA9" "AB/CARD/DCIM"), "/r...\xC3\xA9" "AB/CARD/DCIM");
    // The prefix does not end inside a character either.
    EXPECT_EQ(folderDisplayText("/\xC3\xA9media/user/CARD/DCIM"), "/...ser/CARD/DCIM");
    EXPECT_EQ(folderDisplayText("relative/folder/CARD/DCIM"), "rel...der/CARD/DCIM");
}

}  // namespace
}  // namespace lumbrel::camera
