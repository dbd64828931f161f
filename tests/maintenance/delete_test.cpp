#include <gtest/gtest.h>

#include <filesystem>

#include "library/index_file.h"
#include "library/library_folder.h"
#include "maintenance/delete_libraries.h"
#include "maintenance/maintenance_fixture.h"

namespace lumbrel::maintenance::test {
namespace {

namespace fs = std::filesystem;

class DeleteTest : public ::testing::Test, public MaintenanceWorld {
protected:
    std::string trashed(const std::string& name) const { return dir_ / ("data/Trash/files/" + name); }
};

TEST_F(DeleteTest, TwoPassesByKindAndDeleteAllHoldsForItsPassOnly) {
    const auto f = libraries({{"20010615", 1}, {"20010616", 1}, {"20010617", 1}, {"20010618", 1}});
    doc_.findLibrary(f[2])->shortcutFlag = 1;
    doc_.findLibrary(f[3])->shortcutFlag = 1;
    doc_.findLibrary(f[0])->title = "Beach";
    // Selected: ordinary, shortcut, ordinary, shortcut. "Delete all" on the
    // first ordinary one; the shortcut pass asks again, Cancel at its first.
    ask_.answers = {DeleteAnswer::DeleteAll, DeleteAnswer::Cancel};
    const auto r = deleteLibraries(c_, {f[0], f[2], f[1], f[3]});
    EXPECT_EQ(ask_.calls, (std::vector<std::string>{"confirm:154", "155:2001/06/15 Beach", "156:2001/06/17 "}));
    EXPECT_EQ(r.deleted, (std::vector<std::string>{f[0], f[1]}));
    EXPECT_EQ(r.trashed, 2u);
    EXPECT_FALSE(fs::exists(f[0]));
    EXPECT_TRUE(fs::exists(trashed("20010615") + "/ABCD0001.JPG"));
    EXPECT_TRUE(fs::exists(dir_ / "data/Trash/info/20010615.trashinfo"));
    EXPECT_TRUE(fs::exists(f[2]));
    library::CKDCardAlbumDoc saved;
    ASSERT_TRUE(library::openIndexFile(index(), saved).ok());
    EXPECT_EQ(saved.albums().size(), 2u);
    EXPECT_EQ(saved.images().size(), 2u);
    EXPECT_EQ(pages_.calls.back(), "remove 20010615 20010616");
}

TEST_F(DeleteTest, CancelInTheFirstPassStillAsksAboutTheOtherKind) {
    const auto f = libraries({{"20010615", 1}, {"20010616", 1}});
    doc_.findLibrary(f[1])->shortcutFlag = 1;
    ask_.answers = {DeleteAnswer::Cancel, DeleteAnswer::Yes};
    const auto r = deleteLibraries(c_, {f[0], f[1]});
    EXPECT_EQ(r.deleted, std::vector<std::string>{f[1]});
    EXPECT_TRUE(fs::exists(f[0]));
}

TEST_F(DeleteTest, CancelInTheConfirmationClearsTheMarksAndTouchesNothing) {
    const auto f = libraries({{"20010615", 3}});
    resetMarks(doc_);
    EXPECT_TRUE(toggleMark(doc_, f[0], 1));
    const auto before = everything();
    ask_.confirms = {false};
    EXPECT_FALSE(deleteLibraries(c_, f).confirmed);
    EXPECT_FALSE(isMarked(doc_, f[0], 1));
    EXPECT_EQ(doc_.findLibrary(f[0])->deleteMarks.size(), 4u);
    EXPECT_EQ(everything(), before);
}

TEST_F(DeleteTest, MarkedMovieAndReadOnlyPictureAndTheRescanAfterwards) {
    put("DCIM/100TEST/MVI_0009.AVI", lumbrel::test::buildAvi({lumbrel::test::toMotionJpegFrame(lumbrel::test::testJpeg(32, 32))}));
    const auto f = libraries({{"20010616", 3}});
    ASSERT_EQ(f.size(), 1u);
    const auto previews = library::previewList(f[0]);
    ASSERT_EQ(previews.size(), 4u);  // ABCD0001..3 and the movie
    fs::permissions(f[0] + "/ABCD0002.JPG", fs::perms::owner_write, fs::perm_options::remove);
    resetMarks(doc_);
    toggleMark(doc_, f[0], 1);  // ABCD0002, read-only: kept (Cancel)
    toggleMark(doc_, f[0], 3);  // the movie
    ask_.readOnly = {false};
    const auto r = deleteMarkedImages(c_, {{f[0]}, f[0], 3}, DriveRoots{{"/"}});
    EXPECT_EQ(r.deleted, 1u);
    EXPECT_EQ(r.previewIndex, 2u);
    EXPECT_TRUE(fs::exists(f[0] + "/ABCD0002.JPG"));
    EXPECT_FALSE(fs::exists(f[0] + "/MVI_0009.AVI"));
    EXPECT_FALSE(fs::exists(f[0] + "/PREVIEW/MVI_0009.JPG"));
    EXPECT_TRUE(fs::exists(trashed("MVI_0009.AVI")));
    EXPECT_EQ(doc_.findLibrary(f[0])->imageCount, 3);
    EXPECT_EQ(doc_.findLibrary(f[0])->deleteMarks, std::vector<std::uint8_t>(4, 0));
    // Nothing set aside is left in the folder.
    for (const auto& e : fs::recursive_directory_iterator(f[0]))
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}

TEST_F(DeleteTest, DeletingEveryPictureRemovesTheLibrary) {
    const auto f = libraries({{"20010615", 2}, {"20010616", 1}});
    resetMarks(doc_);
    toggleMark(doc_, f[1], 0);
    const auto r = deleteMarkedImages(c_, {{f[0], f[1]}, f[1], 0}, DriveRoots{{"/"}});
    EXPECT_EQ(r.removedLibraries, std::vector<std::string>{f[1]});
    EXPECT_FALSE(fs::exists(f[1]));
    EXPECT_TRUE(fs::exists(trashed("ABCD0003.JPG")));
    EXPECT_EQ(doc_.albums().size(), 1u);
}

TEST_F(DeleteTest, AShortcutGoesNeverItsTarget) {
    const auto f = libraries({{"20010615", 1}});
    // A library folder holding only a link to a picture elsewhere.
    const std::string elsewhere = dir_ / "elsewhere/PIC.JPG";
    lumbrel::test::writeBytes(elsewhere, picture("2001:06:15 10:00:00"));
    fs::rename(f[0] + "/ABCD0001.JPG", dir_ / "elsewhere/ABCD0001.JPG");
    fs::create_symlink(dir_ / "elsewhere/ABCD0001.JPG", f[0] + "/ABCD0001.JPG.LNK");
    resetMarks(doc_);
    toggleMark(doc_, f[0], 0);
    deleteMarkedImages(c_, {{f[0]}, f[0], 0}, DriveRoots{{"/"}});
    EXPECT_TRUE(fs::exists(dir_ / "elsewhere/ABCD0001.JPG"));
    EXPECT_TRUE(fs::is_symlink(trashed("ABCD0001.JPG.LNK")));
}

TEST_F(DeleteTest, WithoutATrashTheFilesAreDeleted) {
    const auto f = libraries({{"20010615", 1}, {"20010616", 1}});
    // A trash that cannot be made: its place is taken by a file.
    lumbrel::test::writeText(dir_ / "data/Trash", "not a folder");
    const auto r = deleteLibraries(c_, {f[0]});
    EXPECT_EQ(r.trashed, 0u);
    EXPECT_FALSE(fs::exists(f[0]));
    for (const auto& e : fs::directory_iterator(dir_ / "lib"))
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}

}  // namespace
}  // namespace lumbrel::maintenance::test
