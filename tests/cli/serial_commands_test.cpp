// serial test and serial folders against the simulated camera (real time:
// the link's waits are those of a real camera, some seconds per command).

#include "cli/serial_commands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/strings.h"
#include "camera_sim.h"
#include "library/album_doc.h"
#include "library/index_file.h"
#include "media/avi_builder.h"
#include "media/exif_builder.h"
#include "cli/run_cli.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace lumbrel::cli {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::Outcome;
using lumbrel::test::runCli;
using lumbrel::test::TempDir;

class CliSerial : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
        fs::create_directories(home);
        for (const char* folder : {"100ORRIN", "102ORRIN", "MISC"}) fs::create_directories(card / "DCIM" / folder);
        std::ofstream(card / "DCIM/100ORRIN/ORRN0001.JPG") << "picture";
    }
    void startCamera(camerasim::SimOptions options = {}) {
        options.card = card;
        sim = std::make_unique<camerasim::CameraSim>(options);
        ASSERT_TRUE(sim->start());
    }
    Outcome cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home});
        return runCli(args);
    }
    std::string stored(const char* key) const {
        return platform::Profile(platform::Profile::defaultPath()).readText("Communications", key, "(none)");
    }

    TempDir dir;
    std::string home = dir / "home";
    fs::path card = fs::path(dir.path()) / "card";
    std::unique_ptr<camerasim::CameraSim> sim;
};

TEST_F(CliSerial, FoldersListsTheCameraFolders) {
    startCamera();
    const auto r = cli({"serial", "folders", "--port", sim->devicePath()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\\DCIM\\100ORRIN\n\\DCIM\\102ORRIN\n");
    ASSERT_TRUE(sim->waitForCommand("QR"));
    const auto c = sim->stats().commands;
    const std::vector<std::string> expected{"SU", std::string("NP\x01", 3), std::string("PP\x06\x00", 4), "BC", "ZD",
                                            "CDDCIM", "BC", "cb8", "ZH", "cb2", "QR"};
    EXPECT_EQ(c, expected);
    EXPECT_EQ(stored("CommPort"), "(none)");  // the port given is not kept
}

TEST_F(CliSerial, TestRecognisesTheCameraAndSavesPortAndSpeed) {
    startCamera();
    const auto r = cli({"serial", "test", "--port", sim->devicePath(), "--speed", "57600", "--save"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(app::text(app::kMsgCameraRecognized)) + "\n");
    EXPECT_EQ(stored("CommPort"), sim->devicePath());
    EXPECT_EQ(stored("BaudRate"), "57600");
    const auto c = sim->stats().commands;
    EXPECT_NE(std::find(c.begin(), c.end(), "cb7"), c.end());
    EXPECT_NE(std::find(c.begin(), c.end(), "QR"), c.end());
}

TEST_F(CliSerial, NoCameraOnThePort) {
    const auto r = cli({"serial", "test", "--port", "/nonexistent/ttyUSB7", "--save"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(app::text(app::kMsgNoCameraResponse)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("/nonexistent/ttyUSB7"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(stored("CommPort"), "(none)");  // a port that does not answer is not saved
}

TEST_F(CliSerial, UnsupportedCamera) {
    camerasim::SimOptions options;
    options.identity[0] = 0;
    startCamera(options);
    const auto r = cli({"serial", "folders", "--port", sim->devicePath()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(app::text(app::kMsgCameraUnsupported)), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST_F(CliSerial, WrongUsage) {
    EXPECT_EQ(cli({"serial"}).status, 2);
    EXPECT_EQ(cli({"serial", "test", "--speed", "12345"}).status, 2);
    EXPECT_EQ(cli({"serial", "folders", "--speed", "9600"}).status, 2);
    EXPECT_EQ(cli({"serial", "test", "--port"}).status, 2);
    EXPECT_EQ(cli({"serial", "--help"}).status, 0);
}

std::vector<std::uint8_t> picture(const std::string& date) {
    lumbrel::test::ExifFields f;
    f.dateTimeOriginal = date;
    return lumbrel::test::withSegments(lumbrel::test::testJpeg(64, 48), {lumbrel::test::exifSegment(f)});
}

TEST_F(CliSerial, LoadBringsEveryFolderIntoTheLibraryByDate) {
    lumbrel::test::writeBytes(card / "DCIM/100ORRIN/ORRN0001.JPG", picture("2001:06:16 09:00:00"));
    lumbrel::test::writeBytes(card / "DCIM/102ORRIN/ORRN0002.JPG", picture("2001:06:17 10:00:00"));
    startCamera();
    const auto r = cli({"serial", "load", "--batch", "--port", sim->devicePath(), "--no-open"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Loaded 2 files\n");
    EXPECT_NE(r.err.find("102ORRIN is under transfer.(2/2)"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_regular_file(fs::path(home) / "Image Library/20010616/ORRN0001.JPG"));
    EXPECT_TRUE(fs::is_regular_file(fs::path(home) / "Image Library/20010617/ORRN0002.JPG"));
    EXPECT_FALSE(fs::exists(fs::path(home) / "Received"));
    library::CKDCardAlbumDoc doc;
    ASSERT_TRUE(library::openIndexFile(home + "/Lumbrel.kds", doc).ok());
    EXPECT_EQ(doc.images().size(), 2u);
    EXPECT_TRUE(fs::exists(card / "DCIM/100ORRIN/ORRN0001.JPG"));  // the camera keeps its files
}

TEST_F(CliSerial, LoadOfAFolderTheCameraLacksLoadsNothing) {
    startCamera();
    const auto r = cli({"serial", "load", "--folder", "105ORRIN", "--port", sim->devicePath(), "--no-open"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the camera has no folder 105ORRIN (it has: 100ORRIN 102ORRIN)"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(fs::path(home) / "Image Library"));
    EXPECT_EQ(cli({"serial", "load", "--batch", "--folder", "100ORRIN"}).status, 2);
    EXPECT_EQ(cli({"serial", "load", "--batch", "--move"}).status, 2);
    EXPECT_EQ(cli({"serial", "load"}).status, 2);
    EXPECT_EQ(cli({"serial", "load", "--batch", "--speed", "12345"}).status, 2);
}

}  // namespace
}  // namespace lumbrel::cli
