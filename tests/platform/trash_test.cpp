// The desktop's trash: items are moved (never copied) into files/ with their
// info/NAME.trashinfo, on the home trash's file system and at the top of
// another one; a trash that cannot be made leaves the item where it is.

#include "platform/trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string text(const std::string& path) {
    const auto bytes = test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

class Trash : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        trash = dir / "data/Trash";
    }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

    TempDir dir;
    std::string trash;
};

TEST_F(Trash, HomeTrashTakesFilesAndFoldersWithTheirInfo) {
    EXPECT_EQ(homeTrash(), trash);
    test::writeText(dir / "Pictures/IMG 1#.JPG", "picture one");
    test::writeText(dir / "Pictures/Trip/IMG2.JPG", "picture two");
    ASSERT_EQ(moveToTrash(dir / "Pictures/IMG 1#.JPG"), TrashResult::Trashed);
    EXPECT_FALSE(fs::exists(dir / "Pictures/IMG 1#.JPG"));
    EXPECT_EQ(text(trash + "/files/IMG 1#.JPG"), "picture one");
    const std::string info = text(trash + "/info/IMG 1#.JPG.trashinfo");
    const std::regex form("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(info, match, form)) << info;
    EXPECT_EQ(match[1].str(), dir.path() + "/Pictures/IMG%201%23.JPG");
    EXPECT_EQ(fs::status(trash).permissions() & fs::perms::all, fs::perms::owner_all);

    // A second item of the same name does not replace the first; a folder goes whole.
    test::writeText(dir / "Pictures/IMG 1#.JPG", "another");
    ASSERT_EQ(moveToTrash(dir / "Pictures/IMG 1#.JPG"), TrashResult::Trashed);
    EXPECT_EQ(text(trash + "/files/IMG 1#.JPG"), "picture one");
    EXPECT_EQ(text(trash + "/files/IMG 1#.JPG.2"), "another");
    EXPECT_TRUE(fs::exists(trash + "/info/IMG 1#.JPG.2.trashinfo"));
    ASSERT_EQ(moveToTrash(dir / "Pictures/Trip"), TrashResult::Trashed);
    EXPECT_EQ(text(trash + "/files/Trip/IMG2.JPG"), "picture two");

    EXPECT_EQ(moveToTrash(dir / "Pictures/missing.JPG"), TrashResult::Failed);
    EXPECT_FALSE(fs::exists(trash + "/info/missing.JPG.trashinfo"));
}

TEST_F(Trash, AMoveStoppedBeforeItsItemFollowedIsTakenOverNotDoubled) {
    test::writeText(dir / "Pictures/A.JPG", "a");
    test::writeText(dir / "Pictures/B.JPG", "b");
    // Info files left by stopped moves: one cut short, one complete without
    // its item, and one of another item whose name is taken.
    test::writeText(trash + "/info/A.JPG.trashinfo", "[Trash Info]\nPa");
    fs::create_directories(trash + "/files");
    ASSERT_EQ(moveToTrash(dir / "Pictures/A.JPG"), TrashResult::Trashed);
    EXPECT_EQ(text(trash + "/files/A.JPG"), "a");
    EXPECT_NE(text(trash + "/info/A.JPG.trashinfo").find("DeletionDate="), std::string::npos);

    test::writeText(trash + "/info/B.JPG.trashinfo",
                    "[Trash Info]\nPath=/elsewhere/B.JPG\nDeletionDate=2001-06-16T10:00:00\n");
    ASSERT_EQ(moveToTrash(dir / "Pictures/B.JPG"), TrashResult::Trashed);
    EXPECT_EQ(text(trash + "/info/B.JPG.trashinfo"),
              "[Trash Info]\nPath=/elsewhere/B.JPG\nDeletionDate=2001-06-16T10:00:00\n");
    EXPECT_EQ(text(trash + "/files/B.JPG.2"), "b");
}

// Another file system (/dev/shm is a tmpfs where it exists): the trash at its
// top, named relative to it; a .Trash-UID that is not the user's own folder is
// no trash, and the item stays where it is.
TEST_F(Trash, AnotherFileSystemHasItsTrashAtItsTop) {
    struct stat shm {}, home {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(dir.path().c_str(), &home) != 0 || shm.st_dev == home.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    TempDir other("/dev/shm");
    const std::string top = "/dev/shm";
    const std::string own = top + "/.Trash-" + std::to_string(::getuid());
    const bool hadTrash = fs::exists(own);
    const std::string name = std::string(lastComponent(other.path()));
    test::writeText(other / "card/IMG3.JPG", "picture three");
    ASSERT_EQ(moveToTrash(other / "card/IMG3.JPG"), TrashResult::Trashed);
    EXPECT_EQ(text(own + "/files/IMG3.JPG"), "picture three");
    EXPECT_NE(text(own + "/info/IMG3.JPG.trashinfo").find("\nPath=" + name + "/card/IMG3.JPG\n"), std::string::npos);
    fs::remove(own + "/files/IMG3.JPG");
    fs::remove(own + "/info/IMG3.JPG.trashinfo");
    if (!hadTrash) {
        fs::remove_all(own);
        // A link in its place is refused.
        fs::create_directory_symlink(other.path(), own);
        test::writeText(other / "card/IMG4.JPG", "picture four");
        EXPECT_EQ(moveToTrash(other / "card/IMG4.JPG"), TrashResult::NoTrash);
        EXPECT_EQ(text(other / "card/IMG4.JPG"), "picture four");
        fs::remove(own);
    }
}

}  // namespace
}  // namespace lumbrel::platform
