#include "cli/pages_commands.h"
#include "cli/library_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/run_cli.h"
#include "library/album_doc.h"
#include "library/index_file.h"
#include "support/temp_dir.h"

namespace lumbrel::cli {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::TempDir;

using lumbrel::test::Outcome;
using lumbrel::test::runCli;

class CliPages : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", (config / "xdg").c_str(), 1); }
    // An index in the program folder with one library of March 2024 and its image.
    void writeIndex() {
        library::CKDCardAlbumDoc doc;
        library::CAlbumData album;
        album.folderPath = fs::canonical(home.path()).string() + "/Image Library/20240305";
        album.indexPagePath = album.folderPath + "/INDEX.HTM";
        album.title = "Spring";
        album.imageCount = 1;
        doc.addLibrary(album);
        doc.addImage(library::CPhotoData({album.folderPath + "/P0.JPG", "2024", "03", "05", "", "", ""}, 10, 0));
        ASSERT_TRUE(library::saveIndexFile(doc, home / "Lumbrel.kds"));
    }
    TempDir home;
    TempDir config;
};

TEST_F(CliPages, NewSiteOnAFreshHome) {
    const std::string fresh = home / "fresh";
    const Outcome r = runCli({"--home", fresh, "pages", "new-site"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(fresh + "/library.htm"));
    EXPECT_TRUE(fs::exists(fresh + "/HTML/calendar.htm"));
    EXPECT_TRUE(fs::exists(fresh + "/HTML/start.htm"));
}

TEST_F(CliPages, InfoWritesTheSiteOfAFreshFolder) {
    const std::string fresh = home / "fresh";
    ASSERT_EQ(runCli({"--home", fresh, "info"}).status, 0);
    EXPECT_TRUE(fs::exists(fresh + "/library.htm"));
    EXPECT_TRUE(fs::exists(fresh + "/HTML/calendar.htm"));
}

TEST_F(CliPages, RefreshPutsTheLibrariesOfTheIndexOnTheSite) {
    writeIndex();
    const Outcome r = runCli({"--home", home.path(), "pages", "refresh"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Refreshed 1 of 1 libraries"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(home / "HTML/2024/mar.htm"));
    // Again: taken off and put back.
    EXPECT_EQ(runCli({"--home", home.path(), "pages", "refresh", "20240305"}).status, 0);
}

TEST_F(CliPages, RefreshOfAnUnknownLibraryFails) {
    writeIndex();
    const Outcome r = runCli({"--home", home.path(), "pages", "refresh", "20240305", "20991201"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("20991201: cannot be put on the pages"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(home / "HTML/2024/mar.htm"));
}

TEST_F(CliPages, WrongUsage) {
    EXPECT_EQ(runCli({"--home", home.path(), "pages"}).status, 2);
    EXPECT_EQ(runCli({"--home", home.path(), "pages", "rebuild"}).status, 2);
    EXPECT_EQ(runCli({"--home", home.path(), "pages", "new-site", "x"}).status, 2);
}

TEST(TerminalPromptTest, AsksOnlyOnATerminal) {
    std::istringstream in("n\n");
    std::ostringstream err;
    EXPECT_TRUE(TerminalPrompt(in, err, false).askYesNo(142, "page.htm changed"));  // skip
    EXPECT_NE(err.str().find("page.htm changed"), std::string::npos);
    EXPECT_FALSE(TerminalPrompt(in, err, true).askYesNo(142, "q"));
    EXPECT_TRUE(TerminalPrompt(in, err, true).askYesNo(142, "q"));  // end of input
}

}  // namespace
}  // namespace lumbrel::cli
