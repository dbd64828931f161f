#include "cli/album_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/run_cli.h"
#include "library/album_doc.h"
#include "library/index_file.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace lumbrel::cli {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::Outcome;
using lumbrel::test::runCli;
using lumbrel::test::TempDir;

class CliAlbum : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (config / "xdg").c_str(), 1);
        library::CKDCardAlbumDoc doc;
        library::CAlbumData album;
        album.folderPath = libraryPath;
        album.indexPagePath = libraryPath + "/INDEX.HTM";
        album.imageCount = 1;
        doc.addLibrary(album);
        doc.addImage(library::CPhotoData({libraryPath + "/P0.JPG", "2024", "03", "05", "", "", ""}, 10, 0));
        ASSERT_TRUE(library::saveIndexFile(doc, home / "Lumbrel.kds"));
        fs::create_directories(libraryPath);
    }
    void installPlugin(const char* builtFile) {
        fs::create_directories(home / "Plugins");
        fs::copy_file(builtFile, fs::path(home / "Plugins") / fs::path(builtFile).filename());
    }
    Outcome album(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home.path(), "album"});
        return runCli(args);
    }
    platform::Profile settings() const { return platform::Profile(platform::Profile::defaultPath()); }

    TempDir home;
    TempDir config;
    const std::string libraryPath = fs::canonical(home.path()).string() + "/Image Library/20240305";
};

TEST_F(CliAlbum, WrongUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--template", "1"}, {"20240305", "--template"}, {"20240305", "--pattern", "x"},
          {"20240305", "--pattern", "-1"}, {"20240305", "--colour", "1"}, {"20240305", "20240306"}}) {
        const Outcome r = album(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage: lumbrel-cli [--home DIR] album KEY"), std::string::npos);
    }
    EXPECT_EQ(album({"--help"}).status, 0);
}

TEST_F(CliAlbum, UnknownLibrary) {
    installPlugin(LUMBREL_FAKE_PLUGIN_A);
    const Outcome r = album({"20991201"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no library with key 20991201"), std::string::npos) << r.err;
}

TEST_F(CliAlbum, NoPlugIn) {
    fs::create_directories(home / "Plugins");  // its own, empty: the built plug-in is not used
    const Outcome r = album({"20240305"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no template plug-in in " + home / "Plugins"), std::string::npos) << r.err;
}

TEST_F(CliAlbum, WritesThroughTheTemplateChosenAtStartUp) {
    installPlugin(LUMBREL_FAKE_PLUGIN_A);
    platform::Profile profile = settings();
    profile.writeInt("Settings", "PrintButton", 1);
    profile.writeText("Settings", "MailName", "Mailer");

    // Start-up chose the plug-in's first template ("Beta", 0) with pattern 7,
    // which this plug-in does not offer: it refuses.
    Outcome r = album({"20240305"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the plug-in could not write the album pages of 20240305"), std::string::npos) << r.err;
    EXPECT_EQ(profile.readText("Settings", "DllPath", ""), "./Plugins/fake_plugin_a.so");
    EXPECT_EQ(profile.readText("Settings", "TemplateType", ""), "Beta");

    r = album({"20240305", "--pattern", "4", "--template", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Wrote the album pages of 20240305"), std::string::npos) << r.out;
    std::ifstream in(libraryPath + "/make_html_call.txt");
    std::stringstream call;
    call << in.rdbuf();
    EXPECT_EQ(call.str(), libraryPath + "\n1\n" + libraryPath + "/P0.JPG\n1 4 1 0\nMailer\n");
}

TEST_F(CliAlbum, StartUpTakesTheDeliveredPlugIn) {
    installPlugin(LUMBREL_TEST_PLUGIN);
    settings().writeText("Settings", "DllPath", "./Plugins/gone.so");
    ASSERT_EQ(runCli({"--home", home.path(), "info"}).status, 0);
    const platform::Profile profile = settings();
    EXPECT_EQ(profile.readText("Settings", "DllPath", ""), "./Plugins/KdPlugin.so");
    EXPECT_EQ(profile.readText("Settings", "TemplateType", ""), "Type 1");
    EXPECT_EQ(profile.readInt("Settings", "TemplateTypeNo", -5), 0);
    EXPECT_EQ(profile.readText("Settings", "TemplateBackCol", ""), "Green/Gray");
    EXPECT_EQ(profile.readInt("Settings", "TemplateBackNo", -5), 7);
}

}  // namespace
}  // namespace lumbrel::cli
