#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "library/index_file.h"
#include "maintenance/carry.h"
#include "maintenance/maintenance_fixture.h"
#include "platform/files.h"

namespace lumbrel::maintenance::test {
namespace {

namespace fs = std::filesystem;

// A folder on another file system than the test's own (a tmpfs), or none.
std::unique_ptr<lumbrel::test::TempDir> otherFileSystem(const std::string& near) {
    struct stat a {}, b {};
    if (::stat("/dev/shm", &b) != 0 || ::stat(near.c_str(), &a) != 0 || a.st_dev == b.st_dev) return nullptr;
    return std::make_unique<lumbrel::test::TempDir>("/dev/shm");
}

class CarryTest : public ::testing::Test, public MaintenanceWorld {};

TEST_F(CarryTest, CopyLeavesTheCollectionAndReplacesNothingForGood) {
    const auto f = libraries({{"20010615", 2}, {"20010616", 1}});
    const auto libraryBefore = fingerprint(root_);
    const auto indexBefore = lumbrel::test::readBytes(this->index());
    // A file of the same name at the destination is replaced.
    lumbrel::test::writeText(dir_ / "dest/20010615/ABCD0001.JPG", "old");
    const CarryResult r = copyLibraries(c_, f, dir_ / "dest/");
    ASSERT_TRUE(r.ok()) << r.failure;
    EXPECT_EQ(r.files, 6u);  // three pictures and their previews
    EXPECT_EQ(bar_.caption, "Copy");
    EXPECT_EQ(bar_.text, "Copying file loaded...");
    EXPECT_EQ(fingerprint(dir_ / "dest/20010615"), fingerprint(f[0]));
    EXPECT_EQ(fingerprint(root_), libraryBefore);
    EXPECT_EQ(lumbrel::test::readBytes(this->index()), indexBefore);
    EXPECT_FALSE(fs::exists(dir_ / "prog/Lumbrel.journal"));
    // Nothing set aside is left behind.
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "dest"))
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}

TEST_F(CarryTest, MoveTakesTheLibrariesOutOfTheCollection) {
    const auto f = libraries({{"20010615", 2}, {"20010616", 1}});
    fs::create_directories(dir_ / "dest");
    const CarryResult r = moveLibraries(c_, {f[0], f[1]}, dir_ / "dest");
    ASSERT_TRUE(r.ok()) << r.failure;
    EXPECT_EQ(r.carried, f);
    EXPECT_FALSE(fs::exists(f[0]));
    EXPECT_TRUE(fs::exists(dir_ / "dest/20010615/ABCD0002.JPG"));
    EXPECT_TRUE(fs::exists(dir_ / "dest/20010616/PREVIEW/ABCD0003.JPG"));
    EXPECT_TRUE(doc_.albums().empty());
    EXPECT_TRUE(doc_.images().empty());
    library::CKDCardAlbumDoc saved;
    ASSERT_TRUE(library::openIndexFile(index(), saved).ok());
    EXPECT_TRUE(saved.albums().empty());
    EXPECT_EQ(pages_.calls.back(), "remove 20010615 20010616");
}

TEST_F(CarryTest, MoveSkipsALibraryAlreadyInTheDestination) {
    const auto f = libraries({{"20010615", 1}});
    const auto before = everything();
    const CarryResult r = moveLibraries(c_, f, root_);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.skipped, f);
    EXPECT_EQ(doc_.albums().size(), 1u);
    EXPECT_EQ(everything(), before);
}

TEST_F(CarryTest, DestinationRules) {
    const auto f = libraries({{"20010615", 1}});
    EXPECT_EQ(checkDestination(CarryKind::Copy, root_, 1, f, root_), DestinationProblem::IsSaveFolder);
    EXPECT_FALSE(destinationSelectable(CarryKind::Copy, root_, root_));
    EXPECT_TRUE(destinationSelectable(CarryKind::Move, root_, root_));
    EXPECT_EQ(checkDestination(CarryKind::Move, f[0] + "/PREVIEW", 1, f, root_), DestinationProblem::InsideCarried);
    EXPECT_EQ(checkDestination(CarryKind::MoveRoot, root_ + "/sub", 1, {root_}, root_),
              DestinationProblem::InsideCarried);
    EXPECT_EQ(checkDestination(CarryKind::Copy, "", 1, f, root_), DestinationProblem::NoPath);
    const std::uint64_t free = freeKilobytes(dir_ / "dest").value();
    EXPECT_EQ(checkDestination(CarryKind::Copy, dir_ / "dest", free, f, root_), DestinationProblem::NoRoom);
    EXPECT_EQ(checkDestination(CarryKind::Copy, dir_ / "dest", 1, f, root_), DestinationProblem::None);
    EXPECT_EQ(destinationPath("/media/card/"), "/media/card");
    EXPECT_EQ(destinationPath("/"), "/");
    EXPECT_EQ(generalPathText("/home/someone/Pictures/Camera/Image Library"), "/ho ... Camera/Image Library");
    EXPECT_EQ(generalPathText(std::string(40, 'x')), "xxx ... " + std::string(20, 'x'));
    EXPECT_EQ(generalPathText(std::string(23, 'y')), std::string(23, 'y'));
    EXPECT_EQ(dialogPathText("/home/someone/Pictures/Camera/2001"), "/h...eone/Pictures/Camera/2001");
}

TEST_F(CarryTest, MovingTheRootCarriesEveryLibraryAndItsSetting) {
    const auto f = libraries({{"20010615", 2}, {"20010616", 1}});
    lumbrel::test::writeText(root_ + "/notes.txt", "mine");
    MoveRootResult r = moveSaveFolder(c_, dir_ / "newplace");
    ASSERT_TRUE(r.carry.ok()) << r.carry.failure;
    const std::string root = dir_ / "newplace/Image Library";
    EXPECT_EQ(r.newRoot, root);
    EXPECT_EQ(settings_.saveFolder(), root);
    EXPECT_FALSE(fs::exists(root_));
    EXPECT_EQ(lumbrel::test::readBytes(root + "/notes.txt").size(), 4u);
    EXPECT_EQ(doc_.albums()[0]->folderPath, root + "/20010615");
    EXPECT_EQ(doc_.albums()[0]->indexPagePath, root + "/20010615/INDEX.HTM");
    EXPECT_EQ(std::string(doc_.images()[0]->imagePath()), root + "/20010615/ABCD0001.JPG");
    // The index and its copy at the new root name the new places.
    for (const std::string& path : {index(), root + "/Lumbrel.kds"}) {
        library::CKDCardAlbumDoc saved;
        ASSERT_TRUE(library::openIndexFile(path, saved).ok()) << path;
        EXPECT_EQ(saved.albums()[1]->folderPath, root + "/20010616");
    }
    EXPECT_EQ(pages_.calls, (std::vector<std::string>{"remove 20010615 20010616", "add 20010615 20010616"}));
    // A folder named "Image Library" is taken as it is.
    const std::string named = dir_ / "named/Image Library";
    fs::create_directories(named);
    EXPECT_EQ(moveSaveFolder(c_, named).newRoot, named);
    EXPECT_TRUE(fs::exists(named + "/20010616/ABCD0003.JPG"));
}

TEST_F(CarryTest, MovingAnEmptyRootOnlyChangesTheSettingAndAdoptsAnIndexThere) {
    const std::string there = dir_ / "there/Image Library";
    fs::create_directories(there + "/20020202");
    library::CKDCardAlbumDoc other;
    library::CAlbumData a;
    a.folderPath = "/old/Image Library/20020202";
    a.totalSize = 10;
    a.imageCount = 1;
    other.addLibrary(a);
    ASSERT_TRUE(library::saveIndexFile(other, there + "/Lumbrel.kds"));
    const MoveRootResult r = moveSaveFolder(c_, dir_ / "there");
    EXPECT_TRUE(r.onlySetting);
    EXPECT_TRUE(r.adoptedIndex);
    EXPECT_EQ(settings_.saveFolder(), there);
    ASSERT_EQ(doc_.albums().size(), 1u);
    EXPECT_EQ(doc_.albums()[0]->folderPath, there + "/20020202");
}

// ---- Failure at every file operation, on one file system and across two ----

enum class Command { Copy, Move, MoveRoot };

struct Case {
    Command command;
    bool otherFs;
};

// The paths whose state differs between a and b.
std::string differences(const std::map<std::string, std::size_t>& a, const std::map<std::string, std::size_t>& b) {
    std::string out;
    for (const auto& [k, v] : a)
        if (!b.count(k) || b.at(k) != v) out += " " + k + (b.count(k) ? " (changed)" : " (new)");
    for (const auto& [k, v] : b)
        if (!a.count(k)) out += " " + k + " (gone)";
    return out;
}

class CarryRollBack : public ::testing::TestWithParam<Case>, public MaintenanceWorld {
protected:
    std::string failure;
    bool run(const std::string& dest) {
        const bool ok = runCommand(dest);
        return ok;
    }
    bool runCommand(const std::string& dest) {
        const std::vector<std::string> all = [&] {
            std::vector<std::string> v;
            for (const auto& a : doc_.albums()) v.push_back(a->folderPath);
            return v;
        }();
        switch (GetParam().command) {
        case Command::Copy: return note(copyLibraries(c_, all, dest));
        case Command::Move: return note(moveLibraries(c_, all, dest));
        case Command::MoveRoot: return note(moveSaveFolder(c_, dest).carry);
        }
        return false;
    }
    bool note(const CarryResult& r) {
        failure = r.failure;
        return r.ok();
    }
};

TEST_P(CarryRollBack, AFailureAnywhereLeavesEverythingAsBefore) {
    libraries({{"20010615", 2}, {"20010616", 2}});
    std::unique_ptr<lumbrel::test::TempDir> other;
    std::string dest = dir_ / "dest";
    if (GetParam().otherFs) {
        other = otherFileSystem(dir_.path());
        if (!other) GTEST_SKIP() << "no second file system";
        otherFs_ = other->path();
        dest = other->path() + "/dest";
    }
    fs::create_directories(dest);
    // What lies at the destination already: a picture a copy replaces, a
    // file beside which a move puts its files, an index the move of the root
    // replaces. A roll-back brings each back.
    switch (GetParam().command) {
    case Command::Copy: lumbrel::test::writeText(dest + "/20010615/ABCD0001.JPG", "someone else's"); break;
    case Command::Move: lumbrel::test::writeText(dest + "/20010615/notes.txt", "someone else's"); break;
    case Command::MoveRoot: lumbrel::test::writeText(dest + "/Image Library/Lumbrel.kds", "older"); break;
    }
    const auto before = everything();
    const auto docBefore = library::serializeIndex(doc_);
    // Stopped by the user half-way.
    bar_.cancelAfter = 2;
    EXPECT_FALSE(run(dest));
    bar_.cancelAfter = 0;
    EXPECT_EQ(differences(everything(), before), "");
    EXPECT_TRUE(ask_.errors.empty());  // a stop is no error
    int failures = 0;
    for (int n = 1; n < 400; ++n) {
        platform::setFailAfter(n);
        const bool ok = run(dest);
        const int steps = platform::fileStepsCounted();
        platform::setFailAfter(0);
        // Went through: no step was left to fail, or the one that failed came
        // after the commit point (tidying up), where the run is finished instead.
        if (ok) {
            EXPECT_NE(differences(everything(), before), "");
            break;
        }
        (void)steps;
        ++failures;
        EXPECT_EQ(differences(everything(), before), "") << "failure at step " << n << " ok " << ok << ": " << failure;
        EXPECT_EQ(library::serializeIndex(doc_), docBefore) << "failure at step " << n;
        EXPECT_FALSE(fs::exists(dir_ / "prog/Lumbrel.journal"));
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GT(failures, 5);
    // Stopped by the user half-way: the same.
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    static const char* const names[] = {"Copy", "Move", "MoveRoot"};
    return std::string(names[static_cast<int>(info.param.command)]) +
           (info.param.otherFs ? "AcrossFileSystems" : "OnOneFileSystem");
}

INSTANTIATE_TEST_SUITE_P(All, CarryRollBack,
                         ::testing::Values(Case{Command::Copy, false}, Case{Command::Move, false},
                                           Case{Command::MoveRoot, false}, Case{Command::Copy, true},
                                           Case{Command::Move, true}, Case{Command::MoveRoot, true}),
                         caseName);

}  // namespace
}  // namespace lumbrel::maintenance::test
