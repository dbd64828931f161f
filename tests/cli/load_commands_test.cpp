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
#include "maintenance/other_images.h"
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

TEST_F(CliLoad, LoadOtherCopiesTheFoldersByDateAndMoveEmptiesThem) {
    const std::string a = dir / "pictures/june", b = dir / "pictures/more";
    lumbrel::test::writeBytes(a + "/P1.JPG", picture("2001:06:16 10:00:00"));
    lumbrel::test::writeBytes(b + "/p2.jpg", picture("2001:06:20 10:00:00"));
    lumbrel::test::writeBytes(b + "/sub/P3.JPG", picture("2001:06:21 10:00:00"));  // not entered
    Outcome r = runCli({"--home", home, "load-other", "--no-open", a, b, dir / "pictures/./june/"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Loaded 2 files\n");
    EXPECT_NE(r.err.find("is given twice; it is loaded once"), std::string::npos) << r.err;
    EXPECT_TRUE(platform::isFile(home + "/Image Library/20010616/P1.JPG"));
    EXPECT_TRUE(platform::isFile(home + "/Image Library/20010620/p2.JPG"));
    EXPECT_TRUE(platform::isFile(a + "/P1.JPG"));  // copied: the folder keeps its files

    lumbrel::test::writeBytes(a + "/P4.JPG", picture("2001:06:22 10:00:00"));
    r = runCli({"--home", home, "load-other", "--move", "--no-open", a});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Loaded 1 file; 1 already in the library\n");
    EXPECT_FALSE(platform::exists(a + "/P4.JPG"));
    EXPECT_TRUE(platform::isFile(home + "/Image Library/20010622/P4.JPG"));
    EXPECT_EQ(indexedImages(), 3u);
}

TEST_F(CliLoad, LoadOtherRefusesWhatTheDialogRefusesAndLoadsNothing) {
    const std::string pics = dir / "pics", empty = dir / "empty";
    lumbrel::test::writeBytes(pics + "/P1.JPG", picture("2001:06:16 10:00:00"));
    lumbrel::test::writeText(empty + "/notes.txt", "no pictures");
    Outcome r = runCli({"--home", home, "load-other", pics, empty});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "lumbrel-cli: " + maintenance::selectedPathText(empty) +
                         " Corresponding image file is not found in this folder.\n");

    // A network folder can be copied but not moved.
    const std::string shared = dir / "net/pics";
    lumbrel::test::writeBytes(shared + "/P1.JPG", picture("2001:06:16 10:00:00"));
    lumbrel::test::writeText(dir / "drives", "fixed\t/\nremote\t" + dir / "net" + "\n");
    ::setenv("LUMBREL_DRIVES", (dir / "drives").c_str(), 1);
    r = runCli({"--home", home, "load-other", "--move", pics, shared});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "lumbrel-cli: When you select or have selected a folder on a network,  you need to  specify  "
                     "saving  other  than Move.\n");
    EXPECT_TRUE(platform::isFile(shared + "/P1.JPG"));

    r = runCli({"--home", home, "load-other", dir / "net"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is a drive"), std::string::npos) << r.err;
    r = runCli({"--home", home, "load-other", dir / "missing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not a folder"), std::string::npos) << r.err;

    std::vector<std::string> eleven{"--home", home, "load-other"};
    for (int i = 0; i < 11; ++i) {
        const std::string folder = dir / ("f" + std::to_string(i));
        lumbrel::test::writeBytes(folder + "/P.JPG", picture("2001:06:16 10:00:00"));
        eleven.push_back(folder);
    }
    r = runCli(eleven);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("at most 10 folders"), std::string::npos) << r.err;
    EXPECT_EQ(indexedImages(), 0u);
    EXPECT_FALSE(platform::exists(home + "/Image Library"));
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
