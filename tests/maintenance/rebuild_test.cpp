#include <gtest/gtest.h>

#include <filesystem>

#include "maintenance/maintenance_fixture.h"
#include "maintenance/rebuild.h"
#include "library/index_file.h"

namespace lumbrel::maintenance::test {
namespace {

namespace fs = std::filesystem;

class RebuildTest : public ::testing::Test, public MaintenanceWorld {};

TEST_F(RebuildTest, ALibraryThatLostItsPicturesLeavesDiskAndIndexTheOthersAreRescanned) {
    const auto folders = libraries({{"20010615", 2}, {"20010616", 2}, {"20010617", 3}});
    ASSERT_EQ(folders.size(), 3u);
    for (const auto& e : fs::directory_iterator(folders[1]))
        if (e.is_regular_file()) fs::remove(e.path());
    // A picture put into the third library by hand is found by the rescan.
    fs::copy_file(folders[2] + "/ABCD0005.JPG", folders[2] + "/EXTRA001.JPG");
    doc_.findLibrary(folders[0])->title = "Beach";

    const RebuildResult r = rebuildSelected(c_, folders, DriveRoots{{"/"}});
    ASSERT_TRUE(r.confirmed);
    EXPECT_TRUE(r.saved);
    EXPECT_EQ(r.removed, std::vector<std::string>{folders[1]});
    EXPECT_EQ(r.kept, (std::vector<std::string>{folders[0], folders[2]}));
    EXPECT_FALSE(fs::exists(folders[1]));
    ASSERT_EQ(doc_.albums().size(), 2u);
    EXPECT_EQ(doc_.findLibrary(folders[0])->title, "Beach");
    EXPECT_EQ(doc_.findLibrary(folders[2])->imageCount, 4);
    EXPECT_TRUE(fs::exists(folders[2] + "/PREVIEW/EXTRA001.JPG"));
    // The size is the pictures and their previews.
    std::uint64_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(folders[2]))
        if (e.is_regular_file()) bytes += e.file_size();
    EXPECT_EQ(static_cast<std::uint64_t>(doc_.findLibrary(folders[2])->totalSize), bytes);
    // The saved index says the same; no journal is left.
    library::CKDCardAlbumDoc saved;
    ASSERT_TRUE(library::openIndexFile(index(), saved).ok());
    EXPECT_EQ(saved.albums().size(), 2u);
    EXPECT_EQ(saved.images().size(), 6u);
    EXPECT_FALSE(fs::exists(dir_ / "prog/Lumbrel.journal"));
    EXPECT_EQ(pages_.calls, (std::vector<std::string>{"remove 20010615 20010616 20010617",
                                                      "add 20010615 20010617"}));
}

TEST_F(RebuildTest, UnreachableLibrariesAreLeftAsTheyAre) {
    const auto folders = libraries({{"20010615", 1}, {"20010616", 1}});
    library::CAlbumData gone = *doc_.findLibrary(folders[0]);
    gone.folderPath = dir_ / "unplugged/20010101";  // a medium that is not mounted
    doc_.addLibrary(gone);
    // Only the drive that holds the library root is there.
    const RebuildResult r = rebuildSelected(c_, {gone.folderPath, folders[1]}, DriveRoots{{dir_.path() + "/lib/"}});
    EXPECT_EQ(r.skipped, std::vector<std::string>{gone.folderPath});
    EXPECT_NE(doc_.findLibrary(gone.folderPath), nullptr);
    EXPECT_EQ(doc_.findLibrary(gone.folderPath)->imageCount, 1);
    const RebuildResult none = rebuildSelected(c_, {folders[1]}, DriveRoots{{"/somewhere-else/"}});
    EXPECT_EQ(none.skipped, std::vector<std::string>{folders[1]});
}

TEST_F(RebuildTest, RebuildAllKeepsEachTemplateAndTakesTheCurrentOptions) {
    const auto folders = libraries({{"20010615", 1}, {"20010616", 1}});
    doc_.findLibrary(folders[0])->templateName = "Type 3,Blue/gray";
    doc_.findLibrary(folders[1])->templateName = "odd";
    settings_.set(app::setting::PrintButton, 1);
    settings_.set(app::setting::TempSize, 1);
    settings_.set(app::setting::MailName, "Mailer");
    ask_.confirms = {false};
    EXPECT_FALSE(rebuildAll(c_).confirmed);
    EXPECT_EQ(doc_.findLibrary(folders[0])->printButton, 0);

    const RebuildResult r = rebuildAll(c_, DriveRoots{{"/"}});
    EXPECT_TRUE(r.saved);
    for (const auto& f : folders) {
        const auto* a = doc_.findLibrary(f);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->printButton, 1);
        EXPECT_EQ(a->attachmentSize, 1);
        EXPECT_EQ(a->mailSoftware, "Mailer");
    }
    EXPECT_EQ(doc_.findLibrary(folders[0])->templateName, "Type 3,Blue/gray");
    EXPECT_EQ(doc_.findLibrary(folders[1])->templateName, "odd");
}

TEST_F(RebuildTest, TitlesKeepFortyBytesWithoutSplittingACharacter) {
    const auto folders = libraries({{"20010615", 1}});
    EXPECT_EQ(changeTitle(c_, folders[0], std::string(41, 'a')), TitleResult::Changed);
    EXPECT_EQ(doc_.findLibrary(folders[0])->title, std::string(40, 'a'));
    // 39 bytes and a two-byte character: the character does not fit.
    EXPECT_EQ(changeTitle(c_, folders[0], std::string(39, 'b') + "\xC3\xA9"), TitleResult::Changed);
    EXPECT_EQ(doc_.findLibrary(folders[0])->title, std::string(39, 'b'));
    EXPECT_EQ(changeTitle(c_, folders[0], ""), TitleResult::Changed);
    library::CKDCardAlbumDoc saved;
    ASSERT_TRUE(library::openIndexFile(index(), saved).ok());
    EXPECT_EQ(saved.albums()[0]->title, "");
    EXPECT_EQ(pages_.calls.back(), "retitle 20010615");
    EXPECT_EQ(changeTitle(c_, "/no/such", "x"), TitleResult::NoSuchLibrary);
}

}  // namespace
}  // namespace lumbrel::maintenance::test
