#include "camera/image_loader.h"

#include <gtest/gtest.h>

#include "app/strings.h"
#include "camera/camera_folders.h"
#include "camera/free_name.h"
#include "camera/loadable_files.h"
#include "camera/loader_fixture.h"
#include "library/index_file.h"
#include "media/imaging.h"

namespace lumbrel::camera {
namespace {

using test::localTime;
using test::LoaderTest;
using test::picture;

TEST(LoadableFiles, NamesFoldersAndFreeNamesFollowTheCameraRules) {
    EXPECT_TRUE(isDcfFolderName("100ABCDE"));
    EXPECT_TRUE(isDcfFolderName("999_X"));
    EXPECT_FALSE(isDcfFolderName("MISC"));
    EXPECT_FALSE(isDcfFolderName("099ABCDE"));
    EXPECT_TRUE(isDcfFileName("abcd0001.jpg"));
    EXPECT_TRUE(isDcfFileName("ABCD9999.AvI"));
    EXPECT_FALSE(isDcfFileName("ABCD0000.JPG"));
    EXPECT_FALSE(isDcfFileName("ABCD0001.TXT"));
    EXPECT_TRUE(isDcimSource("/media/u/CARD/dcim/"));
    EXPECT_FALSE(isDcimSource("/media/u/CARD/PHOTO"));
    EXPECT_EQ(destinationName("abcd0001.jpg"), "abcd0001.JPG");
    EXPECT_EQ(candidateName("ABCD0001.JPG", 1), "ABCD0001_1.JPG");
    EXPECT_EQ(candidateName("AB_0001.jpg", 2), "AB_2.JPG");
    EXPECT_EQ(firstCharacters("\xC3\xA9t\xC3\xA9", 2), "\xC3\xA9t");
}

TEST_F(LoaderTest, DateModeLoadsDcfFilesIntoOneLibraryPerDayAndSavesTheIndex) {
    put("DCIM/100ABCDE/abcd0001.jpg", picture("2001:06:16 09:12:03", 1));
    put("DCIM/100ABCDE/ABCD0002.JPG", picture("2001:06:17 10:00:00", 2));
    put("DCIM/100ABCDE/ABCD0000.JPG", picture("2001:06:16 09:00:00", 3));
    put("DCIM/100ABCDE/NOTES.TXT", {'x'});
    put("DCIM/MISC/ABCD0003.JPG", picture("2001:06:16 10:00:00", 4));
    put("DCIM/ABCD0004.JPG", picture("2001:06:16 11:00:00", 5));
    settings_.set(app::setting::ShowLibrary, 0);
    const auto cardBefore = test::fingerprint(card_);

    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_EQ(report_.loaded, 2u);
    EXPECT_TRUE(inLibrary("20010616/abcd0001.JPG"));
    EXPECT_TRUE(inLibrary("20010616/PREVIEW/abcd0001.JPG"));
    EXPECT_TRUE(inLibrary("20010617/ABCD0002.JPG"));
    EXPECT_EQ(test::fingerprint(root_).size(), 9u)
        << "two libraries with a PREVIEW folder each, two pictures, two previews, the copy of the index";
    EXPECT_EQ(lumbrel::test::readBytes(root_ + "/Lumbrel.kds"), lumbrel::test::readBytes(context_.indexPath))
        << "the copy is written with the index";
    EXPECT_EQ(test::fingerprint(card_), cardBefore) << "a copy leaves the card alone";
    EXPECT_EQ(progress_.caption, app::text(app::kStrLoadCaption));
    EXPECT_EQ(progress_.text, app::text(app::kStrCopying));
    EXPECT_EQ(progress_.total, 2u);

    library::CKDCardAlbumDoc saved;
    ASSERT_TRUE(library::openIndexFile(context_.indexPath, saved).ok());
    ASSERT_EQ(saved.albums().size(), 2u);
    const auto& album = *saved.albums()[0];
    EXPECT_EQ(album.folderPath, root_ + "/20010616");
    EXPECT_EQ(album.indexPagePath, root_ + "/20010616/INDEX.HTM");
    EXPECT_EQ(album.imageCount, 1);
    EXPECT_EQ(album.mailSoftware, app::kNoMailSoftware);
    EXPECT_GT(album.totalSize, 0);
    ASSERT_EQ(saved.images().size(), 2u);
    const auto& image = *saved.images()[0];
    EXPECT_EQ(image.imagePath(), root_ + "/20010616/abcd0001.JPG");
    EXPECT_EQ(std::string(image.hour()) + std::string(image.minute()) + std::string(image.second()), "091203");
    EXPECT_EQ(site_.added, (std::vector<std::string>{"20010617", "20010616"})) << "in loading order";
    EXPECT_EQ(opener_.opened, std::vector<std::string>{dir_ / "prog/library.htm"});

    // The same card again: same names, same recording times, nothing copied.
    const auto libraryBefore = test::fingerprint(root_);
    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_EQ(report_.loaded, 0u);
    EXPECT_EQ(report_.samePictures, 2u);
    EXPECT_EQ(test::fingerprint(root_), libraryBefore);
    EXPECT_EQ(doc_.images().size(), 2u);
}

TEST_F(LoaderTest, NameClashesGetNumberedNamesCutAtTheLastUnderscore) {
    put("DCIM/100AAAAA/ABCD0001.JPG", picture("2002:01:05 08:00:00", 1));
    put("DCIM/101AAAAA/ABCD0001.JPG", picture("2002:01:05 09:00:00", 2));
    put("DCIM/100AAAAA/AB_0001.JPG", picture("2002:01:05 10:00:00", 3));
    put("DCIM/101AAAAA/AB_0001.JPG", picture("2002:01:05 11:00:00", 4));
    put("DCIM/102AAAAA/AB_0001.JPG", picture("2002:01:05 12:00:00", 5));
    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    for (const char* name : {"ABCD0001.JPG", "ABCD0001_1.JPG", "AB_0001.JPG", "AB_1.JPG", "AB_2.JPG"})
        EXPECT_TRUE(inLibrary(std::string("20020105/") + name)) << name;
    EXPECT_EQ(doc_.albums()[0]->imageCount, 5);
}

TEST_F(LoaderTest, AnExistingLibraryIsFoundByItsKeyWhereverItLies) {
    library::CAlbumData elsewhere;
    elsewhere.folderPath = dir_ / "old/20030303";
    elsewhere.imageCount = 4;
    doc_.addLibrary(elsewhere);
    std::filesystem::create_directories(elsewhere.folderPath);
    put("DCIM/100AAAAA/ABCD0001.JPG", picture("2003:03:03 08:00:00"));
    settings_.set(app::setting::TemplateType, "Simple");
    settings_.set(app::setting::TemplateBackCol, "Blue");
    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_TRUE(platform::isFile(elsewhere.folderPath + "/ABCD0001.JPG"));
    EXPECT_EQ(doc_.albums().size(), 1u);
    EXPECT_EQ(doc_.albums()[0]->imageCount, 5);
    EXPECT_EQ(doc_.albums()[0]->templateName, "Simple,Blue");
}

TEST_F(LoaderTest, UndatedPicturesAskHowToSortThemUntilNoneIsLeft) {
    put("DCIM/100AAAAA/ABCD0001.JPG", picture(std::nullopt, 1), localTime(2005, 3, 4));
    put("DCIM/100AAAAA/ABCD0002.JPG", picture(std::nullopt, 2), localTime(1989, 5, 6));
    put("DCIM/100AAAAA/ABCD0003.JPG", picture("2005:03:05 10:00:00", 3));
    prompt_.undated = {UndatedChoice::FileDate, UndatedChoice::ByDate};
    prompt_.dates = {std::string("20200102")};
    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_TRUE(inLibrary("20050304/ABCD0001.JPG")) << "placed by its file date";
    EXPECT_TRUE(inLibrary("20200102/ABCD0002.JPG")) << "1989 is no file date: placed by the date chosen";
    EXPECT_EQ(prompt_.calls, (std::vector<std::string>{"undated", "undated", "date:"}));
}

TEST_F(LoaderTest, CancellingTheUndatedQuestionKeepsWhatIsLoadedOrEndsAnEmptyRun) {
    put("DCIM/100AAAAA/ABCD0001.JPG", picture(std::nullopt), localTime(1985, 1, 1));
    const auto before = state();
    prompt_.undated = {UndatedChoice::FileDate, UndatedChoice::Cancel};
    EXPECT_EQ(load({card_ + "/DCIM"}), LoadResult::Cancelled);
    EXPECT_EQ(state(), before) << "nothing loaded: the run ends as if it had not started";

    put("DCIM/100AAAAA/ABCD0002.JPG", picture("2005:03:05 10:00:00"));
    EXPECT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_EQ(report_.undatedLeft, 1u);
    EXPECT_TRUE(inLibrary("20050305/ABCD0002.JPG"));
}

TEST_F(LoaderTest, MoviesAreDatedByTheirFileAndGetAJpegPreview) {
    const auto frame = lumbrel::test::toMotionJpegFrame(lumbrel::test::testJpeg(320, 240));
    put("DCIM/100AAAAA/MVI_0001.avi", lumbrel::test::buildAvi({frame}), localTime(2004, 7, 8, 23, 30));
    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_TRUE(prompt_.calls.empty()) << "a movie never asks for a date";
    EXPECT_TRUE(inLibrary("20040708/MVI_0001.AVI"));
    EXPECT_TRUE(inLibrary("20040708/PREVIEW/MVI_0001.JPG"));
    EXPECT_EQ(doc_.images()[0]->hour(), "23");
}

TEST_F(LoaderTest, PicturesAreTurnedUprightKeepingTheirTime) {
    const std::int64_t time = localTime(2001, 6, 16, 9);
    put("DCIM/100AAAAA/ABCD0001.JPG", picture("2001:06:16 09:00:00", 0, 6), time);
    put("DCIM/100AAAAA/ABCD0002.JPG", picture("2001:06:16 09:01:00", 0, 6), time);
    platform::setReadOnly(card_ + "/DCIM/100AAAAA/ABCD0002.JPG", true);
    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    const auto turned = media::loadJpegFile(root_ + "/20010616/ABCD0001.JPG");
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->width, 48);
    EXPECT_EQ(platform::lastWriteTime(root_ + "/20010616/ABCD0001.JPG"), time);
    const auto kept = media::loadJpegFile(root_ + "/20010616/ABCD0002.JPG");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->width, 64) << "a read-only picture is left as it is";
}

TEST_F(LoaderTest, FolderModeMakesOneNumberedLibraryPerSourceInSubfolderForm) {
    settings_.set(app::setting::Classitication, 1);
    settings_.set(app::setting::InputTitle, 0);
    put("A/DCIM/100AAAAA/ABCD0001.JPG", picture("2001:06:16 09:00:00", 1));
    put("A/DCIM/MISC/ABCD0002.JPG", picture("2001:06:16 09:00:00", 2));
    put("B/PHOTO/KDCAM.KDS", {'k'});
    put("B/PHOTO/SET/KDC_0001.JPG", picture("2001:06:16 09:00:00", 3));
    put("B/PHOTO/HTML/X.JPG", picture("2001:06:16 09:00:00", 4));
    put("C/DCIM/100AAAAA/ABCD0001.JPG", picture("2001:06:16 09:00:00", 5));
    prompt_.dates = {std::string("20240105"), std::string("20240105"), std::string("20240500")};
    const std::string longTitle = "\xC3\xA9" + std::string(45, 't');
    prompt_.titles = {longTitle, std::nullopt, std::string("")};

    ASSERT_EQ(load({card_ + "/A/DCIM", card_ + "/B/PHOTO", card_ + "/C/DCIM"}), LoadResult::Loaded);
    EXPECT_TRUE(inLibrary("20240105_1/100AAAAA/ABCD0001.JPG"));
    EXPECT_TRUE(inLibrary("20240105_1/100AAAAA/PREVIEW/ABCD0001.JPG"));
    EXPECT_FALSE(platform::exists(root_ + "/20240105_1/MISC"));
    EXPECT_TRUE(inLibrary("20240105_2/SET/KDC_0001.JPG"));
    EXPECT_FALSE(platform::exists(root_ + "/20240105_2/HTML")) << "the camera's pages are no pictures";
    EXPECT_TRUE(inLibrary("20240500_1/100AAAAA/ABCD0001.JPG")) << "Unassigned day";
    EXPECT_EQ(prompt_.calls[0], "date+unassigned:" + toUpper(card_ + "/A/DCIM"));
    const auto* first = doc_.findLibrary(root_ + "/20240105_1");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->title, "\xC3\xA9" + std::string(39, 't')) << "40 characters, not bytes";
    EXPECT_EQ(first->imageCount, 1);
    EXPECT_TRUE(doc_.findLibrary(root_ + "/20240105_2")->title.empty());
}

}  // namespace
}  // namespace lumbrel::camera
