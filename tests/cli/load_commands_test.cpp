#include "cli/load_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "cli/run_cli.h"
#include "library/album_doc.h"
#include "library/index_file.h"
#include "media/avi_builder.h"
#include "media/exif_builder.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::cli {
namespace {

using lumbrel::test::Outcome;
using lumbrel::test::runCli;
using lumbrel::test::TempDir;

std::vector<std::uint8_t> picture(const std::string& date) {
    lumbrel::test::ExifFields f;
    f.dateTimeOriginal = date;
    return lumbrel::test::withSegments(lumbrel::test::testJpeg(64, 48), {lumbrel::test::exifSegment(f)});
}

class CliLoad : public ::testing::Test {
protected:
    void SetUp() override {
        // No terminal: every question gets its answer from the options or its safe default.
        ASSERT_TRUE(std::freopen("/dev/null", "r", stdin));
        ::setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
        lumbrel::test::writeText(opener, "#!/bin/sh\necho \"$1\" >> " + opened + "\n");
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        ::setenv("LUMBREL_OPENER", opener.c_str(), 1);
        lumbrel::test::writeBytes(card + "/DCIM/100AAAAA/ABCD0001.JPG", picture("2001:06:16 09:00:00"));
        lumbrel::test::writeBytes(card + "/DCIM/100AAAAA/abcd0002.jpg", picture("2001:06:17 09:00:00"));
    }
    void TearDown() override {
        ::unsetenv("LUMBREL_OPENER");
        ::unsetenv("LUMBREL_DRIVES");
    }
    void settings(const std::string& ini) { lumbrel::test::writeText(dir / "xdg/Orrin/Lumbrel.conf", ini); }
    // What the opener stand-in was given, once it has run (it is started detached).
    std::string openedPage(int waitMs) {
        for (int i = 0; i < waitMs / 20 && !platform::exists(opened); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto bytes = lumbrel::test::readBytes(opened);
        return std::string(bytes.begin(), bytes.end());
    }
    std::size_t indexedImages() {
        library::CKDCardAlbumDoc doc;
        library::openIndexFile(home + "/Lumbrel.kds", doc);
        return doc.images().size();
    }

    TempDir dir;
    std::string home = dir / "home", card = dir / "card";
    std::string opener = dir / "opener.sh", opened = dir / "opened.txt";
};

TEST_F(CliLoad, LoadCopiesIntoTheLibraryAndOpensItsPagesUnlessToldNot) {
    Outcome r = runCli({"--home", home, "load", "--no-open", card + "/DCIM"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Loaded 2 files\n");
    EXPECT_TRUE(platform::isFile(home + "/Image Library/20010617/abcd0002.JPG"));
    EXPECT_TRUE(platform::isFile(card + "/DCIM/100AAAAA/abcd0002.jpg"));
    EXPECT_EQ(indexedImages(), 2u);
    EXPECT_EQ(openedPage(300), "");

    lumbrel::test::writeBytes(card + "/DCIM/101AAAAA/ABCD0003.JPG", picture("2001:06:18 09:00:00"));
    r = runCli({"--home", home, "load", card + "/DCIM"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Loaded 1 file; 2 already in the library\n");
    EXPECT_EQ(openedPage(5000), home + "/library.htm\n");
}

TEST_F(CliLoad, MoveEmptiesTheCardAndNothingLeftIsMessage256) {
    Outcome r = runCli({"--home", home, "load", "--move", "--no-open", card + "/DCIM"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(platform::exists(card + "/DCIM/100AAAAA"));
    EXPECT_EQ(indexedImages(), 2u);
    r = runCli({"--home", home, "load", "--no-open", card + "/DCIM"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("[256] Could not find images to load."), std::string::npos) << r.err;
}

TEST_F(CliLoad, FilesThatCannotBeReadAreNamedWithStatus1AndTheRestIsLoaded) {
    // Reads of the process's own memory file fail with EIO at offset 0, as on a damaged card.
    std::filesystem::create_symlink("/proc/self/mem", card + "/DCIM/100AAAAA/ABCD0003.JPG");
    Outcome r = runCli({"--home", home, "load", "--move", "--no-open", "--undated", "file-date", card + "/DCIM"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Loaded 2 files\n");
    EXPECT_NE(r.err.find("1 files could not be read and were left on the card: " + card +
                         "/DCIM/100AAAAA/ABCD0003.JPG (Input/output error)"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(indexedImages(), 2u);
    EXPECT_TRUE(platform::exists(card + "/DCIM/100AAAAA/ABCD0003.JPG"));
    EXPECT_FALSE(platform::exists(home + "/Lumbrel.journal"));
}

TEST_F(CliLoad, CameraWithoutATerminalStartsOnlyWithYesOrWithoutConfirmation) {
    lumbrel::test::writeText(dir / "drives", "removable\t" + card + "\n");
    ::setenv("LUMBREL_DRIVES", (dir / "drives").c_str(), 1);
    Outcome r = runCli({"--home", home, "camera", "--no-open"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--yes"), std::string::npos) << r.err;
    EXPECT_EQ(indexedImages(), 0u);

    r = runCli({"--home", home, "camera", "--yes", "--no-open"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(indexedImages(), 2u);

    settings("[CameraImage]\nShowDialog=1\nClassitication=1\n[Settings]\nInputTitle=0\nShowLibrary=1\n");
    r = runCli({"--home", home, "camera", "--date", "20240500", "--title", "Holiday"});
    ASSERT_EQ(r.status, 0) << r.err;
    library::CKDCardAlbumDoc doc;
    ASSERT_TRUE(library::openIndexFile(home + "/Lumbrel.kds", doc).ok());
    const auto* album = doc.findLibrary(home + "/Image Library/20240500_1");
    ASSERT_TRUE(album);
    EXPECT_EQ(album->title, "Holiday");
    EXPECT_TRUE(platform::isFile(home + "/Image Library/20240500_1/100AAAAA/ABCD0001.JPG"));
}

TEST_F(CliLoad, AutoLoadsThePendingRequestAndRemovesIt) {
    settings("[CameraImage]\nShowDialog=1\n[Settings]\nShowLibrary=1\n");
    std::filesystem::create_directories(home);
    lumbrel::test::writeText(home + "/Lumbrel.tmp", card + "/\r\n" + std::string(1, '\0'));
    // Another command leaves the request to the program.
    ASSERT_EQ(runCli({"--home", home, "info"}).status, 0);
    EXPECT_TRUE(platform::exists(home + "/Lumbrel.tmp"));
    Outcome r = runCli({"--home", home, "auto"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Loaded 2 files\n");
    EXPECT_FALSE(platform::exists(home + "/Lumbrel.tmp"));
    r = runCli({"--home", home, "auto"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "No automatic-load request is pending\n");
}

TEST_F(CliLoad, WrongUsageIsStatus2) {
    EXPECT_EQ(runCli({"--home", home, "load"}).status, 2);
    EXPECT_EQ(runCli({"--home", home, "load", "--date", "20241332", card}).status, 2);
    EXPECT_EQ(runCli({"--home", home, "camera", "--undated", "later"}).status, 2);
    EXPECT_EQ(runCli({"--home", home, "camera", "--frobnicate"}).status, 2);
    EXPECT_EQ(runCli({"--home", home, "auto", "extra"}).status, 2);
}

}  // namespace
}  // namespace lumbrel::cli
