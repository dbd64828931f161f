#include "maintenance/other_images.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "camera/drive_list.h"
#include "support/temp_dir.h"

namespace lumbrel::maintenance {
namespace {

using lumbrel::test::TempDir;
using lumbrel::test::writeText;

TEST(OtherImagesText, ShortensTheSelectedPathAndTheListEntries) {
    struct Case {
        std::string path, ruleA, ruleB;
    };
    const Case cases[] = {
        {"/home/u/Pictures1", "/home/u/Pictures1", "/home/u/Pictures1"},      // 17 bytes: both whole
        {"/home/u/Pictures12", "/home/u/Pictures12", "/h...u/Pictures12"},    // 18: rule B shortens
        {"/home/user/Pictures/2001/June", "/home/user/Pictures/2001/June", "/h...es/2001/June"},
        {"/home/user/Pictures/2001/June/x", "/h...user/Pictures/2001/June/x", "/h.../2001/June/x"},
        {"/mnt/a/b/c/déjà-vu/photos", "/mnt/a/b/c/déjà-vu/photos", "/m...à-vu/photos"},
        {"C:/Pictures/2001", "C:/Pictures/2001", "C:/Pictures/2001"},
        {"C:/Pictures/2001/06", "C:/Pictures/2001/06", "C:/...ures/2001/06"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(selectedPathText(c.path), c.ruleA) << c.path;
        EXPECT_EQ(listedPathText(c.path), c.ruleB) << c.path;
    }
    // A character is never split by the tail: "é" is two bytes.
    EXPECT_EQ(listedPathText("/media/card/ééééééé"), "/m...éééééé");
}

TEST(OtherImagesRules, DriveRootsOfTheTreeCannotBeAdded) {
    const std::vector<camera::MountedRoot> mounts{{"/", false}, {"/media/u/CARD/", false}};
    EXPECT_EQ(treePath("/", mounts), "/");
    EXPECT_EQ(treePath("/media/u/CARD", mounts), "/media/u/CARD/");
    EXPECT_EQ(treePath("/media/u/CARD/DCIM", mounts), "/media/u/CARD/DCIM");
    EXPECT_EQ(treePath("", mounts), "");
    EXPECT_FALSE(addable(treePath("/", mounts)));
    EXPECT_FALSE(addable(treePath("/media/u/CARD", mounts)));
    EXPECT_FALSE(addable(""));
    EXPECT_TRUE(addable(treePath("/media/u/CARD/DCIM", mounts)));
}

TEST(OtherImagesRules, NetworkFoldersFollowTheMountHoldingThem) {
    const auto mounts = camera::mountedRoots(camera::parseMountInfo(
        "21 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "40 21 0:50 / /srv/share rw - nfs4 server:/export rw\n"
        "41 40 8:17 / /srv/share/local rw - vfat /dev/sdb1 rw\n"
        "42 21 0:51 / /mnt/ssh rw - fuse.sshfs u@host: rw\n"
        "43 21 8:33 / /mnt/ssh rw - ext4 /dev/sdc1 rw\n"));
    EXPECT_TRUE(isNetworkFolder("/srv/share", mounts));
    EXPECT_TRUE(isNetworkFolder("/srv/share/photos", mounts));
    EXPECT_FALSE(isNetworkFolder("/srv/share/local/photos", mounts));  // a local disk mounted inside
    EXPECT_FALSE(isNetworkFolder("/srv/shared", mounts));              // another folder, same beginning
    EXPECT_FALSE(isNetworkFolder("/mnt/ssh/photos", mounts));          // the later mount hides the share
    EXPECT_FALSE(isNetworkFolder("/home/u", mounts));

    const auto table = camera::mountedRootsOfDriveTable("fixed\t/\nremote\t/net/nas\n# remote\t/x\ncdrom\t/cd\n");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_TRUE(isNetworkFolder("/net/nas/2001", table));
    EXPECT_FALSE(isNetworkFolder("/cd/2001", table));
}

TEST(OtherImagesRules, ANetworkFolderReachedThroughALinkIsOnTheNetwork) {
    TempDir dir;
    std::filesystem::create_directories(dir / "share/photos");
    std::filesystem::create_directory_symlink(dir / "share/photos", dir / "link");
    const std::vector<camera::MountedRoot> mounts{{"/", false}, {camera::asRoot(dir / "share"), true}};
    EXPECT_TRUE(isNetworkFolder(dir / "link", mounts));
}

TEST(OtherImagesFolderList, HoldsTenFoldersEachOnceIgnoringCase) {
    TempDir dir;
    std::filesystem::create_directories(dir / "real");
    std::filesystem::create_directory_symlink(dir / "real", dir / "alias");
    OtherFolderList list;
    EXPECT_EQ(list.add("/home/u/Pictures/"), OtherFolderList::Added::Added);
    EXPECT_EQ(list.folders().front(), "/home/u/Pictures");
    EXPECT_EQ(list.add("/HOME/U/pictures"), OtherFolderList::Added::AlreadyListed);
    EXPECT_EQ(list.add(dir / "real"), OtherFolderList::Added::Added);
    EXPECT_EQ(list.add(dir / "alias"), OtherFolderList::Added::AlreadyListed);
    for (int i = 2; i < 10; ++i) EXPECT_EQ(list.add("/f/" + std::to_string(i)), OtherFolderList::Added::Added);
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.add("/f/eleventh"), OtherFolderList::Added::Full);
    EXPECT_EQ(list.add("/f/2"), OtherFolderList::Added::Full);  // full is said before listed
    EXPECT_TRUE(list.remove(0));
    EXPECT_FALSE(list.remove(9));
    EXPECT_EQ(list.folders().front(), dir / "real");
    EXPECT_EQ(list.add("/f/eleventh"), OtherFolderList::Added::Added);
    EXPECT_EQ(list.folders().back(), "/f/eleventh");
}

TEST(OtherImagesFolderList, ImageListTakesJpegAndAviDirectlyInTheFolderByNameIgnoringCase) {
    TempDir dir;
    const std::string folder = dir / "pics";
    for (const char* name : {"b.JPG", "a.avi", "C.jpg", "notes.txt", "xJPG", "d.jpeg", "e.Avi"})
        writeText(folder + "/" + name, "x");
    writeText(folder + "/sub/f.JPG", "x");
    std::filesystem::create_directory(folder + "/g.JPG");  // a folder, not a file
    const std::vector<std::string> expected{folder + "/a.avi", folder + "/b.JPG", folder + "/C.jpg",
                                            folder + "/e.Avi"};
    EXPECT_EQ(folderImageList(folder), expected);
    EXPECT_TRUE(folderImageList(dir / "missing").empty());
}

TEST(OtherImagesChecks, RefuseNetworkMovesAndFoldersWithoutImagesWithTheirMessages) {
    TempDir dir;
    writeText(dir / "share/a/P1.JPG", "x");
    writeText(dir / "local/P2.JPG", "x");
    std::filesystem::create_directories(dir / "empty");
    writeText(dir / "bare/readme.txt", "x");
    const std::vector<camera::MountedRoot> mounts{{"/", false}, {camera::asRoot(dir / "share"), true}};

    EXPECT_FALSE(checkAdd(dir / "share/a", kChoiceCopy, mounts));
    EXPECT_FALSE(checkAdd(dir / "local", kChoiceMove, mounts));
    const auto network = checkAdd(dir / "share/a", kChoiceMove, mounts);
    ASSERT_TRUE(network);
    EXPECT_EQ(network->id, 142);
    EXPECT_EQ(network->caption, "Load other images");
    EXPECT_EQ(network->text,
              "When you select or have selected\na folder on a network,  you need\nto  specify  saving  other  "
              "than\nMove.");
    const auto noImages = checkAdd(dir / "empty", kChoiceCopy, mounts);
    ASSERT_TRUE(noImages);
    EXPECT_EQ(noImages->id, 143);
    EXPECT_EQ(noImages->caption, "Add");
    EXPECT_EQ(noImages->text, selectedPathText(dir / "empty") + "\nCorresponding image file is not\nfound in this folder.");

    // Load: the network move first, then the last folder without images.
    EXPECT_FALSE(checkLoad({dir / "share/a", dir / "local"}, kChoiceCopy, mounts));
    const auto loadNetwork = checkLoad({dir / "local", dir / "empty", dir / "share/a"}, kChoiceMove, mounts);
    ASSERT_TRUE(loadNetwork);
    EXPECT_EQ(loadNetwork->id, 142);
    const auto lost = checkLoad({dir / "empty", dir / "local", dir / "bare"}, kChoiceCopy, mounts);
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->id, 147);
    EXPECT_EQ(lost->caption, "Load other images");
    EXPECT_EQ(lost->folder, dir / "bare");
    EXPECT_EQ(lost->text, selectedPathText(dir / "bare") +
                              "\nCorresponding image file is not\nfound in this folder.\nProcessing will be suspended.");
}

}  // namespace
}  // namespace lumbrel::maintenance
