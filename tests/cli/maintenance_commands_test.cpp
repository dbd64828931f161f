#include "cli/maintenance_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cli/run_cli.h"
#include "library/album_doc.h"
#include "library/index_file.h"
#include "media/avi_builder.h"
#include "media/exif_builder.h"
#include "support/temp_dir.h"

namespace lumbrel::cli {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::Outcome;
using lumbrel::test::runCli;
using lumbrel::test::TempDir;

std::vector<std::uint8_t> picture(const std::string& date, int seed) {
    lumbrel::test::ExifFields f;
    f.dateTimeOriginal = date;
    return lumbrel::test::withSegments(lumbrel::test::testJpeg(64, 48, 70 + seed), {lumbrel::test::exifSegment(f)});
}

// Two libraries, 20010616 (two pictures) and 20010617 (one), loaded by the CLI.
class CliMaintenance : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::freopen("/dev/null", "r", stdin));  // no terminal
        ::setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        lumbrel::test::writeBytes(dir / "card/DCIM/100AAAAA/ABCD0001.JPG", picture("2001:06:16 09:00:00", 1));
        lumbrel::test::writeBytes(dir / "card/DCIM/100AAAAA/ABCD0002.JPG", picture("2001:06:16 10:00:00", 2));
        lumbrel::test::writeBytes(dir / "card/DCIM/100AAAAA/ABCD0003.JPG", picture("2001:06:17 09:00:00", 3));
        const Outcome load = cli({"load", "--yes", "--no-open", dir / "card/DCIM"});
        ASSERT_EQ(load.status, 0) << load.err;
    }
    Outcome cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home});
        return runCli(args);
    }
    library::CKDCardAlbumDoc index() {
        library::CKDCardAlbumDoc doc;
        library::openIndexFile(home + "/Lumbrel.kds", doc);
        return doc;
    }

    TempDir dir;
    std::string home = dir / "home";
    std::string root = dir / "home/Image Library";
};

TEST_F(CliMaintenance, ListRetitleAndTheQuestionsWithoutATerminal) {
    EXPECT_EQ(cli({"retitle", "20010616", "Tab\there"}).status, 0);
    const Outcome list = cli({"list"});
    EXPECT_EQ(list.out, "2001/06/16\tTab\\there\t2\tType 1,Green/Gray\t" + root + "/20010616\n"
                        "2001/06/17\t\t1\tType 1,Green/Gray\t" + root + "/20010617\n");
    // Without a terminal and without --yes nothing is deleted or moved.
    fs::create_directories(dir / "dest");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"delete", "20010616"}, {"move", "20010616", dir / "dest"}, {"move-root", dir / "dest"},
             {"delete-images", "20010616", "ABCD0001.JPG"}}) {
        const Outcome o = cli(args);
        EXPECT_EQ(o.status, 1) << args[0];
        EXPECT_NE(o.err.find("nothing is deleted or moved"), std::string::npos) << args[0] << ": " << o.err;
    }
    EXPECT_EQ(index().albums().size(), 2u);
    EXPECT_TRUE(fs::exists(root + "/20010616/ABCD0001.JPG"));
    EXPECT_TRUE(fs::is_empty(dir / "dest"));
}

TEST_F(CliMaintenance, LibrariesAreNamedByKeyOrLocationAndAnAmbiguousKeyIsRefused) {
    // A second library with the same key elsewhere.
    fs::create_directories(dir / "dest");
    ASSERT_EQ(cli({"copy", "20010617", dir / "other"}).status, 1);  // no such folder
    fs::create_directories(dir / "other");
    ASSERT_EQ(cli({"copy", "20010617", dir / "other"}).status, 0);
    library::CKDCardAlbumDoc doc = index();
    library::CAlbumData twin = *doc.findLibrary(root + "/20010617");
    twin.folderPath = dir / "other/20010617";
    doc.addLibrary(twin);
    ASSERT_TRUE(library::saveIndexFile(doc, home + "/Lumbrel.kds"));
    ASSERT_TRUE(library::saveIndexFile(doc, root + "/Lumbrel.kds"));

    const Outcome ambiguous = cli({"rebuild", "--yes", "20010617"});
    EXPECT_EQ(ambiguous.status, 1);
    EXPECT_NE(ambiguous.err.find("names 2 libraries"), std::string::npos);
    EXPECT_NE(ambiguous.err.find(dir / "other/20010617"), std::string::npos);
    EXPECT_EQ(cli({"rebuild", "--yes", dir / "other/20010617"}).status, 0);
    EXPECT_EQ(cli({"delete", "nosuch"}).status, 1);
    EXPECT_EQ(cli({"retitle", "20010616"}).status, 2);
}

TEST_F(CliMaintenance, CopyMoveAndMoveRoot) {
    fs::create_directories(dir / "dest");
    const Outcome copy = cli({"copy", "20010616", dir / "dest"});
    ASSERT_EQ(copy.status, 0) << copy.err;
    EXPECT_TRUE(fs::exists(dir / "dest/20010616/ABCD0002.JPG"));
    // Into a library being carried, or the library root itself: refused.
    EXPECT_EQ(cli({"copy", "20010616", root}).status, 1);
    EXPECT_EQ(cli({"move", "--yes", "20010616", root + "/20010616/PREVIEW"}).status, 1);

    const Outcome move = cli({"move", "--yes", "20010616", dir / "moved"});
    EXPECT_EQ(move.status, 1);  // no such folder
    fs::create_directories(dir / "moved");
    ASSERT_EQ(cli({"move", "--yes", "20010616", dir / "moved"}).status, 0);
    EXPECT_TRUE(fs::exists(dir / "moved/20010616/ABCD0001.JPG"));
    EXPECT_FALSE(fs::exists(root + "/20010616"));
    EXPECT_EQ(index().albums().size(), 1u);

    const Outcome rooted = cli({"move-root", "--yes", dir / "new"});
    ASSERT_EQ(rooted.status, 0) << rooted.err;
    EXPECT_NE(rooted.out.find(dir / "new/Image Library"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "new/Image Library/20010617/ABCD0003.JPG"));
    EXPECT_EQ(index().albums()[0]->folderPath, dir / "new/Image Library/20010617");
    EXPECT_FALSE(fs::exists(root));
}

TEST_F(CliMaintenance, DeleteGoesToTheTrash) {
    const Outcome pictures = cli({"delete-images", "--yes", "20010616", "abcd0002.jpg"});
    ASSERT_EQ(pictures.status, 0) << pictures.err;
    EXPECT_TRUE(fs::exists(dir / "data/Trash/files/ABCD0002.JPG"));
    EXPECT_EQ(index().findLibrary(root + "/20010616")->imageCount, 1);
    EXPECT_EQ(cli({"delete-images", "--yes", "20010616", "NOPE.JPG"}).status, 1);

    const Outcome gone = cli({"delete", "--yes", "20010617"});
    ASSERT_EQ(gone.status, 0) << gone.err;
    EXPECT_TRUE(fs::exists(dir / "data/Trash/files/20010617/ABCD0003.JPG"));
    EXPECT_EQ(index().albums().size(), 1u);
}

}  // namespace
}  // namespace lumbrel::cli
