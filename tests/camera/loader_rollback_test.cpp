// A load is all or nothing: suspended or failed at any file step, it leaves
// the card, the library and the program folder as they were; and a move never
// leaves a picture in neither place.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "app/strings.h"
#include "camera/image_loader.h"
#include "camera/loader_fixture.h"

namespace lumbrel::camera {
namespace {

using test::localTime;
using test::LoaderTest;
using test::LoaderWorld;
using test::picture;

// Two days, a clash, a movie, an undated picture, a rotation, a file not
// loaded, and a library of the index that the run adds to.
void makeCard(LoaderWorld& w) {
    w.put("DCIM/100AAAAA/ABCD0001.JPG", picture("2001:06:16 09:00:00", 1));
    w.put("DCIM/100AAAAA/ABCD0002.JPG", picture("2001:06:17 09:00:00", 2, 6));
    w.put("DCIM/101AAAAA/ABCD0001.JPG", picture("2001:06:16 10:00:00", 3));
    w.put("DCIM/101AAAAA/ABCD0003.JPG", picture(std::nullopt, 4), localTime(2001, 6, 18));
    w.put("DCIM/101AAAAA/NOTES.TXT", {'n'});
    w.put("DCIM/101AAAAA/MVI_0004.AVI",
          lumbrel::test::buildAvi({lumbrel::test::toMotionJpegFrame(lumbrel::test::testJpeg(32, 32))}));
    lumbrel::test::writeBytes(w.root_ + "/20010616/OLD_0001.JPG", picture("2000:01:01 00:00:00"));
    library::CAlbumData existing;
    existing.folderPath = w.root_ + "/20010616";
    existing.imageCount = 1;
    existing.totalSize = 100;
    existing.templateName = "Old,Grey";
    w.doc_.addLibrary(existing);
    w.prompt_.undated = {UndatedChoice::FileDate};
    w.prompt_.dates = {std::string("20240105")};
}

// Every picture that was on the card is still there or complete in the library.
void expectNoPictureLost(const LoaderWorld& w, const std::map<std::string, std::string>& cardBefore) {
    const auto library = test::fingerprint(w.root_);
    for (const auto& [rel, content] : cardBefore) {
        if (content == "dir" || platform::exists(w.card_ + "/" + rel)) continue;
        bool found = false;
        for (const auto& [libRel, libContent] : library)
            found = found || (platform::lastComponent(libRel) == platform::lastComponent(rel) &&
                              libRel.find("PREVIEW") == std::string::npos);
        EXPECT_TRUE(found) << rel << " is neither on the card nor in the library";
    }
}

// Restores the failure hook for the tests that follow.
struct FailureHookOff {
    ~FailureHookOff() { platform::setFailAfter(0); }
};

TEST_F(LoaderTest, SuspendTakesEveryChangeBack) {
    makeCard(*this);
    const auto before = state();
    const auto albumBefore = *doc_.albums()[0];
    progress_.cancelAfter = 3;
    EXPECT_EQ(load({card_ + "/DCIM"}), LoadResult::Cancelled);
    EXPECT_TRUE(prompt_.messages.empty()) << "a cancel says nothing";
    EXPECT_EQ(state(), before);
    ASSERT_EQ(doc_.albums().size(), 1u);
    EXPECT_TRUE(doc_.albums()[0]->sameFields(albumBefore));
    EXPECT_TRUE(doc_.images().empty());
}

// Bit 0: folder mode; bit 1: move.
class RollbackAtEveryStep : public ::testing::TestWithParam<int> {};

// Fails the n-th file step of a fresh run, for every n until a run completes
// without reaching it.
TEST_P(RollbackAtEveryStep, LeavesCardLibraryAndProgramFolderAsTheyWere) {
    FailureHookOff off;
    int failures = 0;
    for (int n = 1; n < 200; ++n) {
        LoaderWorld w;
        makeCard(w);
        w.settings_.set(app::setting::Classitication, GetParam() & 1);
        w.settings_.set(app::setting::CopyImage, (GetParam() & 2) ? 1 : 0);
        const auto before = w.state();
        platform::setFailAfter(n);
        const LoadResult result = w.load({w.card_ + "/DCIM"});
        const bool reached = platform::fileStepsCounted() >= n;
        platform::setFailAfter(0);
        if (!reached) {
            EXPECT_EQ(result, LoadResult::Loaded);
            break;
        }
        if (result != LoadResult::Failed) continue;  // a preview or page that could not be written
        ++failures;
        EXPECT_EQ(w.prompt_.messages.back(), app::kMsgWriteError);
        EXPECT_EQ(w.state(), before) << "after a failure at file step " << n;
    }
    EXPECT_GT(failures, 5);
}

INSTANTIATE_TEST_SUITE_P(Modes, RollbackAtEveryStep, ::testing::Values(0, 1, 2, 3));

// The card on another file system, when /dev/shm is one: a move copies, and
// the sources go only once the index naming their new places is saved.
class MoveAcrossFileSystems : public test::LoaderTest {
protected:
    void SetUp() override {
        struct stat here {}, shm {};
        if (::stat("/dev/shm", &shm) != 0 || ::stat(dir_.path().c_str(), &here) != 0 ||
            here.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0)
            GTEST_SKIP() << "no second writable file system";
        std::string pattern = "/dev/shm/lumbrel-card-XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        shmCard_ = card_ = pattern;
        settings_.set(app::setting::CopyImage, 1);
    }
    void TearDown() override {
        if (!shmCard_.empty()) std::filesystem::remove_all(shmCard_);
    }
    std::string shmCard_;
};

TEST_F(MoveAcrossFileSystems, MovesCleanTheCardAndFailuresNeverLoseAPicture) {
    makeCard(*this);
    const auto cardBefore = test::fingerprint(card_);
    ASSERT_EQ(load({card_ + "/DCIM"}), LoadResult::Loaded);
    EXPECT_FALSE(platform::exists(card_ + "/DCIM/100AAAAA")) << "emptied by the move";
    EXPECT_TRUE(platform::isFile(card_ + "/DCIM/101AAAAA/NOTES.TXT")) << "a file not loaded stays";
    EXPECT_TRUE(inLibrary("20010618/ABCD0003.JPG"));
    expectNoPictureLost(*this, cardBefore);

    FailureHookOff off;
    for (int n = 1; n < 200; ++n) {
        std::filesystem::remove_all(card_);
        std::filesystem::remove_all(root_);
        std::filesystem::remove_all(dir_ / "prog");
        std::filesystem::create_directories(dir_ / "prog");
        doc_ = library::CKDCardAlbumDoc{};
        makeCard(*this);
        const auto before = state();
        platform::setFailAfter(n);
        const LoadResult result = load({card_ + "/DCIM"});
        const bool reached = platform::fileStepsCounted() >= n;
        platform::setFailAfter(0);
        if (result == LoadResult::Failed) {
            EXPECT_EQ(state(), before) << "step " << n;
        }
        expectNoPictureLost(*this, before);
        if (!reached) break;
    }
}

}  // namespace
}  // namespace lumbrel::camera
