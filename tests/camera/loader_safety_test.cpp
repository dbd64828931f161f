// What a load does with damaged cards, swapped cards, leftovers of stopped
// runs and names that do not fit: nothing lost, nothing recorded twice, and
// what was left behind named in the report.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "camera/free_name.h"
#include "loader_fixture.h"

namespace lumbrel::camera {
namespace {

using test::picture;

class LoaderSafetyTest : public test::LoaderTest {
protected:
    // A card file whose reads fail with EIO, as on a damaged card: a link to
    // the test process's own memory file, which reads nothing at offset 0.
    std::string putUnreadable(const std::string& rel) {
        const std::string path = card_ + "/" + rel;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::filesystem::create_symlink("/proc/self/mem", path);
        return path;
    }
    std::vector<std::string> imagePaths() const {
        std::vector<std::string> out;
        for (const auto& image : doc_.images()) out.emplace_back(image->imagePath());
        return out;
    }
};

TEST_F(LoaderSafetyTest, AFileThatCannotBeReadIsLeftOnTheCardAndNamedWhileTheRestIsLoaded) {
    put("DCIM/100ABCDE/ABCD0001.JPG", picture("2001:06:16 09:00:00"));
    const std::string bad = putUnreadable("DCIM/100ABCDE/ABCD0002.JPG");
    settings_.set(app::setting::CopyImage, 1);  // a move: the good picture leaves the card
    prompt_.undated = {UndatedChoice::FileDate};

    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_EQ(report_.loaded, 1u);
    ASSERT_EQ(report_.unreadable.size(), 1u);
    EXPECT_EQ(report_.unreadable[0].first, bad);
    EXPECT_FALSE(report_.unreadable[0].second.empty()) << "the reason is named";
    EXPECT_TRUE(platform::exists(bad)) << "left on the card";
    EXPECT_FALSE(platform::exists(card_ + "/DCIM/100ABCDE/ABCD0001.JPG"));
    EXPECT_TRUE(inLibrary("20010616/ABCD0001.JPG"));
    EXPECT_EQ(doc_.albums().size(), 1u) << "no library is left for the file that could not be read";
    EXPECT_EQ(imagePaths(), std::vector<std::string>{root_ + "/20010616/ABCD0001.JPG"});
}

TEST_F(LoaderSafetyTest, AMoveKeepsTheCardNamesUntilTheCommitAndLeavesACardSwappedThere) {
    const std::string first = put("DCIM/100ABCDE/ABCD0001.JPG", picture("2001:06:16 09:00:00", 1));
    const std::string second = put("DCIM/100ABCDE/ABCD0002.JPG", picture("2001:06:16 10:00:00", 2));
    const auto secondBytes = lumbrel::test::readBytes(second);
    settings_.set(app::setting::CopyImage, 1);
    bool namesKept = false;
    context_.atCommit = [&] {
        // The index names the library copies now; the card has lost nothing yet.
        namesKept = platform::isFile(first) && platform::isFile(second);
        // Another card in the reader under the same path.
        ASSERT_TRUE(platform::deleteFile(second));
        lumbrel::test::writeBytes(second, picture("2001:06:16 10:00:00", 7));
    };

    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_TRUE(namesKept);
    EXPECT_FALSE(platform::exists(first));
    EXPECT_TRUE(platform::isFile(second)) << "not the file that was copied: it stays";
    EXPECT_EQ(report_.keptOnCard, std::vector<std::string>{second});
    EXPECT_EQ(lumbrel::test::readBytes(root_ + "/20010616/ABCD0002.JPG"), secondBytes);
    EXPECT_FALSE(platform::exists(dir_ / "prog/Lumbrel.journal")) << "the journal ends with the run";
}

TEST_F(LoaderSafetyTest, APictureInALibraryFolderButNotInTheIndexIsAdoptedOnce) {
    const auto bytes = picture("2001:06:16 09:00:00");
    put("DCIM/100ABCDE/ABCD0001.JPG", bytes);
    // Left by a run that was stopped before its index was saved.
    std::filesystem::create_directories(root_ + "/20010616");
    lumbrel::test::writeBytes(root_ + "/20010616/ABCD0001.JPG", bytes);

    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_EQ(report_.adopted, 1u);
    EXPECT_EQ(imagePaths(), std::vector<std::string>{root_ + "/20010616/ABCD0001.JPG"});
    EXPECT_FALSE(inLibrary("20010616/ABCD0001_1.JPG")) << "not copied a second time";
    EXPECT_TRUE(inLibrary("20010616/PREVIEW/ABCD0001.JPG"));

    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_EQ(report_.adopted, 0u);
    EXPECT_EQ(report_.samePictures, 1u);
    EXPECT_EQ(doc_.images().size(), 1u);
}

TEST_F(LoaderSafetyTest, FolderModeNeverRecordsTwoImagesOfOnePath) {
    settings_.set(app::setting::Classitication, 1);
    prompt_.dates = {std::string("20240105")};
    put("DCIM/100ABCDE/ABCD0001.JPG", picture("2001:06:16 09:00:00", 1));
    put("DCIM/100ABCDE/ABCD0001.jpg", picture("2001:06:16 09:30:00", 2));

    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    const auto paths = imagePaths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_NE(paths[0], paths[1]);
    for (const std::string& path : paths) EXPECT_TRUE(platform::isFile(path)) << path;
}

TEST_F(LoaderSafetyTest, ANameTooLongForItsNumberedFormGetsAShorterStem) {
    // 255 bytes: the longest name a folder holds.
    const std::string name = "ABCD0001" + std::string(243, 'x') + ".JPG";
    ASSERT_EQ(name.size(), 255u);
    put("DCIM/100ABCDE/" + name, picture("2001:06:16 09:00:00", 1));
    std::filesystem::create_directories(root_ + "/20010616");
    lumbrel::test::writeBytes(root_ + "/20010616/" + name, picture("2001:06:16 08:00:00", 2));  // another picture

    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_EQ(report_.loaded, 1u);
    const std::string numbered = candidateName(name, 1);
    EXPECT_EQ(numbered.size(), 255u);
    EXPECT_TRUE(numbered.ends_with("_1.JPG"));
    EXPECT_TRUE(inLibrary("20010616/" + numbered));
}

TEST(FreeName, ShortenedStemsNeverSplitACharacter) {
    // "é" is two bytes; a cut through it would leave a broken name.
    std::string name;
    while (name.size() < 250) name += "\xC3\xA9";
    name += ".JPG";
    const std::string numbered = candidateName(name, 12);
    EXPECT_LE(numbered.size(), 255u);
    EXPECT_TRUE(numbered.ends_with("_12.JPG"));
    const std::string stem = numbered.substr(0, numbered.size() - 7);
    EXPECT_EQ(stem.size() % 2, 0u) << "whole characters only";
    EXPECT_EQ(candidateName("AB_0001.JPG", 2), "AB_2.JPG") << "short names as before";
}

}  // namespace
}  // namespace lumbrel::camera
