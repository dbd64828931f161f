// The serial link against the simulated camera: identification, the
// commands, bulk transfers and every fault the camera can inject.

#include "camera/camera_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/settings.h"
#include "app/strings.h"
#include "link_fixture.h"
#include "platform/files.h"
#include "platform/profile.h"

using namespace lumbrel;
using camera::LinkError;
using camerasim::SimOptions;

namespace {

class CameraLinkTest : public ::testing::Test, public test::LinkFixture {
protected:
    bool sawCommand(const std::string& command) const {
        const auto commands = const_cast<CameraLinkTest*>(this)->sim().stats().commands;
        return std::find(commands.begin(), commands.end(), command) != commands.end();
    }
    std::vector<std::string> commands() { return sim().stats().commands; }
    bool sleptFor(int ms) const { return std::count(clock.sleeps.begin(), clock.sleeps.end(), ms) > 0; }
};

std::vector<std::string> folderList(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

}  // namespace

TEST_F(CameraLinkTest, IdentifiesAndListsTheCard) {
    startCamera();
    ASSERT_EQ(link().identify(), LinkError::Ok);
    EXPECT_TRUE(link().identified());
    EXPECT_TRUE(link().fastProtocol());
    EXPECT_EQ(link().generation(), 2);
    EXPECT_TRUE(sleptFor(2000));  // the first handshake waits for the camera
    EXPECT_EQ(link().batteryCheck(), LinkError::Ok);
    EXPECT_EQ(link().waitUntilReady(), LinkError::Ok);
    EXPECT_EQ(link().changeDirectory("DCIM"), LinkError::Ok);
    std::vector<std::string> names;
    ASSERT_EQ(link().listFolders(names), LinkError::Ok);
    EXPECT_EQ(names, folderList({"100TEST", "101ABCDE"}));  // MISC is no camera folder
    ASSERT_EQ(link().changeDirectory("100TEST"), LinkError::Ok);
    ASSERT_EQ(link().listFiles(names), LinkError::Ok);
    EXPECT_EQ(names, folderList({"MOVI0003.AVI", "TEST0001.JPG", "TEST0002.jpg"}));
    std::uint32_t size = 0;
    ASSERT_EQ(link().fileSize("TEST0001.JPG", size), LinkError::Ok);
    EXPECT_EQ(size, 5000u);
    EXPECT_EQ(link().endLink(), LinkError::Ok);
    EXPECT_FALSE(link().identified());
    ASSERT_TRUE(sim().waitForCommand("QR"));

    // Identification tells the camera NP 01 and PP 06 00; every list runs at
    // the configured speed (index 8) and the line goes back to 9600 (index 2).
    const std::vector<std::string> expected{"SU", std::string("NP\x01", 3), std::string("PP\x06\x00", 4), "BC", "ZD",
                                            "CDDCIM", "cb8", "ZH", "cb2", "CD100TEST", "cb8", "ZE", "cb2",
                                            "ZQTEST0001.JPG", "QR"};
    EXPECT_EQ(commands(), expected);
    EXPECT_EQ(link().lineBaud(), 9600);
}

TEST_F(CameraLinkTest, DownloadsFilesWhole) {
    startCamera();
    enterFolder("100TEST");
    test::CancelAfter progress(1000);
    for (const char* name : {"TEST0001.JPG", "TEST0002.jpg", "MOVI0003.AVI"}) {
        ASSERT_EQ(link().downloadFile(name, out(), &progress), LinkError::Ok) << name;
        EXPECT_EQ(platform::readFile(out() + "/" + name), cardFile(std::string("100TEST/") + name)) << name;
    }
    // 5000 bytes in blocks of 1544: 30, 61, 92 and 100 percent.
    ASSERT_GE(progress.percents.size(), 4u);
    EXPECT_EQ(std::vector<int>(progress.percents.begin(), progress.percents.begin() + 4),
              (std::vector<int>{30, 61, 92, 100}));
    EXPECT_TRUE(sawCommand("DO"));
}

TEST_F(CameraLinkTest, RefusedCameras) {
    struct Case {
        std::uint8_t r0, r1;
    };
    for (const Case c : {Case{0x00, 0xC8}, Case{0x01, 0xBF}}) {
        SCOPED_TRACE(int(c.r0) * 256 + c.r1);
        SimOptions options;
        options.identity[0] = c.r0;
        options.identity[1] = c.r1;
        startCamera(options);
        EXPECT_EQ(link().identify(), LinkError::Unsupported);
        EXPECT_FALSE(link().identified());
        EXPECT_EQ(camera::linkErrorStringId(LinkError::Unsupported), app::kMsgCameraUnsupported);
        // The commands that need an identified camera do not touch the line.
        const auto before = commands().size();
        std::vector<std::string> names;
        EXPECT_EQ(link().changeDirectory("DCIM"), LinkError::NotIdentified);
        EXPECT_EQ(link().listFolders(names), LinkError::NotIdentified);
        EXPECT_EQ(link().waitUntilReady(), LinkError::NotIdentified);
        EXPECT_EQ(link().downloadFile("TEST0001.JPG", out()), LinkError::Unsupported);
        EXPECT_EQ(commands().size(), before);
    }
}

TEST_F(CameraLinkTest, SpecialModelAndGeneration) {
    SimOptions options;
    options.identity[2] = 0x90;
    options.identity[3] = 0xBA;
    startCamera(options);
    ASSERT_EQ(link().identify(), LinkError::Ok);
    EXPECT_TRUE(link().specialModel());
}

TEST_F(CameraLinkTest, CameraThatNeverAnswers) {
    SimOptions options;
    options.noAnswer = true;
    startCamera(options);
    EXPECT_EQ(link().identify(), LinkError::TimedOut);
    // Two ENQs, the port opened again between them.
    EXPECT_EQ(sim().stats().enqs, 2);
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(camera::linkErrorMessage(LinkError::TimedOut), app::text(app::kMsgNoCameraResponse));
    // Ending the link tries once.
    EXPECT_EQ(link().endLink(), LinkError::TimedOut);
    EXPECT_EQ(sim().stats().enqs, 3);
    EXPECT_EQ(opens, 2);
}

TEST_F(CameraLinkTest, NakToEnq) {
    // Before identification a NAK is a wrong answer: one repetition.
    SimOptions options;
    options.nakEnq = 1;
    startCamera(options);
    EXPECT_EQ(link().identify(), LinkError::Ok);
}

TEST_F(CameraLinkTest, NakToEnqTwiceBeforeIdentificationFails) {
    SimOptions options;
    options.nakEnq = 2;
    startCamera(options);
    EXPECT_EQ(link().identify(), LinkError::NoAck);
    EXPECT_EQ(opens, 1);  // a wrong answer does not reopen the port
}

TEST_F(CameraLinkTest, NakToEnqFromAnIdentifiedCamera) {
    // An identified camera that NAKs is busy: asked again after 100 ms, up to
    // ten times; past that the handshake fails like a wrong answer.
    for (const int naks : {3, 12}) {
        SCOPED_TRACE(naks);
        SimOptions options;
        options.nakEnq = naks;
        options.nakEnqAfter = 3;  // SU, NP, PP
        startCamera(options);
        ASSERT_EQ(link().identify(), LinkError::Ok);
        clock.sleeps.clear();
        EXPECT_EQ(link().batteryCheck(), naks == 3 ? LinkError::Ok : LinkError::NoAck);
        EXPECT_EQ(std::count(clock.sleeps.begin(), clock.sleeps.end(), 100), naks == 3 ? 3 : 10);
        EXPECT_EQ(opens, 1);
        opens = 0;
    }
}

TEST_F(CameraLinkTest, CorruptedAndOversizedBlocksAreFetchedAgain) {
    for (const bool oversize : {false, true}) {
        SCOPED_TRACE(oversize ? "1545-byte block" : "bad checksum");
        SimOptions options;
        if (oversize)
            options.oversizeBlock = true;
        else
            options.corrupt = SimOptions::Corrupt::Once;
        startCamera(options);
        enterFolder("100TEST");
        ASSERT_EQ(link().downloadFile("TEST0001.JPG", out()), LinkError::Ok);
        EXPECT_EQ(platform::readFile(out() + "/TEST0001.JPG"), cardFile("100TEST/TEST0001.JPG"));
        EXPECT_EQ(sim().stats().naks, 1);
    }
}

TEST_F(CameraLinkTest, BlockFailingFourTimesFailsTheDownload) {
    SimOptions options;
    options.corrupt = SimOptions::Corrupt::Always;
    startCamera(options);
    enterFolder("100TEST");
    EXPECT_EQ(link().downloadFile("TEST0001.JPG", out()), LinkError::Checksum);
    EXPECT_EQ(sim().stats().naks, 4);
    EXPECT_FALSE(std::filesystem::exists(out() + "/TEST0001.JPG"));
    EXPECT_TRUE(platform::listDirectory(out())->empty());  // no temporary file either
}

TEST_F(CameraLinkTest, SpeedCommandByte) {
    startCamera();
    ASSERT_EQ(link().identify(), LinkError::Ok);
    EXPECT_EQ(link().setLineSpeed("115200"), LinkError::Ok);
    EXPECT_EQ(link().lineBaud(), 115200);
    EXPECT_EQ(link().setLineSpeed("28800"), LinkError::Ok);
    EXPECT_EQ(link().lineBaud(), 28800);
    // An unlisted speed is sent as the second of the list, and the port follows.
    EXPECT_EQ(link().setLineSpeed("12345"), LinkError::Ok);
    EXPECT_EQ(link().lineBaud(), 4800);
    const auto c = commands();
    EXPECT_EQ(std::vector<std::string>(c.end() - 3, c.end()), folderList({"cb8", "cb5", "cb1"}));
    EXPECT_EQ(std::count(clock.sleeps.begin(), clock.sleeps.end(), 100), 3);  // 100 ms after each
}

TEST_F(CameraLinkTest, FailedSpeedChangeLeavesTheLineAt9600) {
    SimOptions options;
    options.pullCableAfter = 3;  // after SU, NP, PP
    startCamera(options);
    ASSERT_EQ(link().identify(), LinkError::Ok);
    EXPECT_NE(link().setLineSpeed("115200"), LinkError::Ok);
    EXPECT_EQ(link().lineBaud(), 9600);
}

TEST_F(CameraLinkTest, FileAtTheSizeLimitIsNotFetched) {
    SimOptions options;
    options.announcedSize = camera::kMaxCameraFileSize;
    startCamera(options);
    enterFolder("100TEST");
    EXPECT_EQ(link().downloadFile("TEST0001.JPG", out()), LinkError::NoData);
    EXPECT_FALSE(sawCommand("ZGTEST0001.JPG"));
    EXPECT_TRUE(sawCommand("ZQTEST0001.JPG"));
    EXPECT_FALSE(std::filesystem::exists(out() + "/TEST0001.JPG"));
}

TEST_F(CameraLinkTest, CancelDuringListAndFile) {
    for (const bool file : {false, true}) {
        SCOPED_TRACE(file ? "file" : "list");
        SimOptions options;
        options.blockSize = 4;  // several blocks even for a list
        startCamera(options);
        enterFolder("100TEST");
        test::CancelAfter progress(1);
        clock.sleeps.clear();
        const LinkError e = file ? link().downloadFile("TEST0001.JPG", out(), &progress) : [&] {
            std::vector<std::string> names;
            return link().listFiles(names, &progress);
        }();
        EXPECT_EQ(e, LinkError::Cancelled);
        EXPECT_TRUE(camera::linkErrorMessage(e).empty());  // no message
        EXPECT_TRUE(sleptFor(5500));
        EXPECT_GE(sim().stats().cans, 1);
        ASSERT_TRUE(sim().waitForCommand("QR"));
        EXPECT_EQ(commands().back(), "QR");
        EXPECT_FALSE(std::filesystem::exists(out() + "/TEST0001.JPG"));
    }
}

TEST_F(CameraLinkTest, MovieGetsTwentySecondsForItsAnswers) {
    startCamera();
    enterFolder("100TEST");
    const auto longestWait = [&](std::size_t from) {
        int longest = 0;
        for (std::size_t i = from; i < reads.size(); ++i) longest = std::max(longest, reads[i].timeoutMs);
        return longest;
    };
    // A picture: the first block's STX may take 20 s, later blocks 3.8 s.
    std::size_t from = reads.size();
    ASSERT_EQ(link().downloadFile("TEST0001.JPG", out()), LinkError::Ok);
    std::vector<int> stxWaits;
    for (std::size_t i = from; i < reads.size(); ++i)
        if (reads[i].count == 1 && reads[i].timeoutMs == 20000) stxWaits.push_back(int(i));
    EXPECT_FALSE(stxWaits.empty());

    link().setMovie(true);
    from = reads.size();
    ASSERT_EQ(link().downloadFile("MOVI0003.AVI", out()), LinkError::Ok);
    // Every read of the movie may wait 20 s, but for single bytes once six
    // blocks have come (9000 bytes: six blocks and the empty one).
    for (std::size_t i = from; i < reads.size(); ++i)
        EXPECT_TRUE(reads[i].timeoutMs == 20000 || (reads[i].count == 1 && reads[i].timeoutMs == 1544)) << i - from;
    // The download clears the movie flag.
    from = reads.size();
    ASSERT_EQ(link().batteryCheck(), LinkError::Ok);
    EXPECT_EQ(reads[from].timeoutMs, 3800);
    EXPECT_LE(longestWait(from), 20000);
}

TEST_F(CameraLinkTest, PullingTheCable) {
    SimOptions options;
    options.pullCableAfter = 4;  // SU, NP, PP, BC
    startCamera(options);
    ASSERT_EQ(link().identify(), LinkError::Ok);
    ASSERT_EQ(link().batteryCheck(), LinkError::Ok);
    const auto start = std::chrono::steady_clock::now();
    const LinkError e = link().batteryCheck();
    EXPECT_NE(e, LinkError::Ok);
    EXPECT_EQ(camera::linkErrorStringId(e), app::kMsgNoCameraResponse);
    // Seen at once, without waiting out a read time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(CameraLinkTest, BatteryLowAndBusyCamera) {
    SimOptions options;
    options.batteryLow = true;
    options.busyPolls = 3;
    startCamera(options);
    ASSERT_EQ(link().identify(), LinkError::Ok);
    EXPECT_EQ(link().batteryCheck(), LinkError::BatteryLow);
    EXPECT_EQ(camera::linkErrorStringId(LinkError::BatteryLow), app::kMsgBatteryLow);
    EXPECT_EQ(link().waitUntilReady(), LinkError::Ok);
    const auto c = commands();
    EXPECT_EQ(std::count(c.begin(), c.end(), "ZD"), 4);
}

TEST_F(CameraLinkTest, UnsafeNamesAndUnwritableFolders) {
    startCamera();
    enterFolder("100TEST");
    const auto before = commands().size();
    for (const char* name : {"../TEST0001.JPG", "a/b.JPG", "..", ""})
        EXPECT_EQ(link().downloadFile(name, out()), LinkError::NoData) << name;
    EXPECT_EQ(commands().size(), before);
    // A folder that cannot take the file: nothing is left behind.
    EXPECT_EQ(link().downloadFile("TEST0001.JPG", out() + "/missing"), LinkError::NoData);
    EXPECT_TRUE(platform::listDirectory(out())->empty());
}

TEST_F(CameraLinkTest, ConnectionTest) {
    startCamera();
    link().setSpeed("57600");
    EXPECT_EQ(link().testConnection(), LinkError::Ok);
    EXPECT_FALSE(link().isOpen());
    const auto c = commands();
    ASSERT_GE(c.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(c.end() - 3, c.end()),
              (std::vector<std::string>{"cb7", "QR", std::string("NP\x01", 3)}));
    EXPECT_EQ(std::count(c.begin(), c.end(), std::string("NP\x01", 3)), 2);
    EXPECT_EQ(std::count(clock.sleeps.begin(), clock.sleeps.end(), 2000), 3);  // first answer, after QR, at the end
}

TEST_F(CameraLinkTest, PortThatCannotBeOpened) {
    startCamera();
    link().setPortName("/nonexistent/ttyUSB9");
    EXPECT_EQ(link().identify(), LinkError::CannotOpen);
    EXPECT_NE(link().portError().find("/nonexistent/ttyUSB9"), std::string::npos);
    EXPECT_EQ(camera::linkErrorStringId(LinkError::CannotOpen), app::kMsgNoCameraResponse);
    EXPECT_EQ(link().batteryCheck(), LinkError::NotOpen);
}

TEST(CameraLinkSettings, LoadAndSave) {
    test::TempDir dir;
    platform::Profile profile(dir.path() + "/Lumbrel.conf");
    app::Settings settings(profile, dir.path());
    camera::CameraLink link;
    link.loadSettings(settings);
    EXPECT_EQ(link.portName(), "COM1");
    EXPECT_EQ(link.speed(), "115200");
    EXPECT_EQ(link.cameraFolder(), "");
    link.setPortName("/dev/ttyUSB0");
    link.setSpeed("38400");
    EXPECT_TRUE(link.settingsChanged());
    ASSERT_TRUE(link.saveSettings(settings));
    EXPECT_FALSE(link.settingsChanged());
    EXPECT_EQ(settings.get(app::setting::CommPort), "/dev/ttyUSB0");
    EXPECT_EQ(settings.get(app::setting::BaudRate), "38400");
    settings.set(app::setting::SCameraDir, "100ABCDE");
    camera::CameraLink again;
    again.loadSettings(settings);
    EXPECT_EQ(again.portName(), "/dev/ttyUSB0");
    EXPECT_EQ(again.cameraFolder(), "100ABCDE");
}

TEST(CameraLinkRules, CommandBytes) {
    using B = std::vector<std::uint8_t>;
    EXPECT_EQ(camera::commandBytes("BC"), (B{'B', 'C'}));
    EXPECT_EQ(camera::commandBytes("CDDCIM"), (B{'C', 'D', 'D', 'C', 'I', 'M', 0}));
    EXPECT_EQ(camera::commandBytes("ZG").size(), 3u);
    EXPECT_EQ(camera::commandBytes("WL").size(), 10u);  // padded with zero bytes
    EXPECT_EQ(camera::commandBytes("RLabcdefgh").size(), 6u);
    EXPECT_EQ(camera::commandBytes("EY").size(), 5u);
    EXPECT_EQ(camera::commandBytes("Xh").size(), 4u);
    EXPECT_EQ(camera::commandBytes(std::string_view("cb\0", 3)), (B{'c', 'b', 0}));
    EXPECT_TRUE(camera::commandBytes("").empty());
    EXPECT_EQ(camera::speedIndex("115200"), 8);
    EXPECT_EQ(camera::speedIndex("2400"), 0);
    EXPECT_EQ(camera::speedIndex("1152000"), 1);
}

TEST(CameraLinkRules, NameLists) {
    std::vector<std::string> names;
    const auto list = [](std::string_view s) {
        return std::vector<std::uint8_t>(s.begin(), s.end());
    };
    EXPECT_EQ(camera::parseNameList(list(std::string_view("100A\0" "101B\0\0\0\0", 12)), names), LinkError::Ok);
    EXPECT_EQ(names, folderList({"100A", "101B"}));
    EXPECT_EQ(camera::parseNameList(list(std::string_view("100A\0\0" "101B\0", 11)), names), LinkError::EmptyName);
    EXPECT_EQ(camera::parseNameList(list(std::string_view("\0", 1)), names), LinkError::Ok);
    EXPECT_TRUE(names.empty());
    // A last name without its zero byte still counts.
    EXPECT_EQ(camera::parseNameList(list("100A"), names), LinkError::Ok);
    EXPECT_EQ(names, folderList({"100A"}));

    for (const char* kept : {"100ABCDE", "999", "1A0XYZ"}) EXPECT_TRUE(camera::isCameraFolderName(kept)) << kept;
    for (const char* dropped : {"099ABCDE", "MISC", "99", "A00"})
        EXPECT_FALSE(camera::isCameraFolderName(dropped)) << dropped;
    for (const char* kept : {"DSCN0001.JPG", "MOVI9999.avi", "abcd0500.Jpg"})
        EXPECT_TRUE(camera::isCameraFileName(kept)) << kept;
    for (const char* dropped : {"DSCN0000.JPG", "DSCN0001.TIF", "A.JPG", "DSCNX001.JPG"})
        EXPECT_FALSE(camera::isCameraFileName(dropped)) << dropped;
}
