// Serial transfers against a scripted camera: what is asked of the camera and
// shown to the user, where the received files land, how they are dated, and
// that a failure or Cancel leaves library and program folder as they were.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/strings.h"
#include "camera/loadable_files.h"
#include "camera/recording_time.h"
#include "camera/serial_date.h"
#include "camera/serial_transfer.h"
#include "loader_fixture.h"
#include "media/avi_builder.h"

namespace lumbrel::camera::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

/// A camera whose DCIM holds folders of files; fails the n-th call of an
/// operation with a code when told to.
class FakeCamera : public SerialCamera {
public:
    int identify() override { return op("identify"); }
    int batteryCheck() override { return op("BC"); }
    int waitReady() override { return op("ZD"); }
    int changeDirectory(const std::string& name) override {
        if (const int code = op("CD " + name)) return code;
        current = name;
        return 0;
    }
    int listFolders(std::vector<std::string>& out, TransferProgress*) override {
        if (const int code = op("ZH")) return code;
        for (const auto& [name, files] : folders) out.push_back(name);
        return 0;
    }
    int listFiles(std::vector<std::string>& out, TransferProgress*) override {
        if (const int code = op("ZE")) return code;
        for (const auto& [name, bytes] : folders[current]) out.push_back(name);
        return 0;
    }
    int download(const std::string& name, const std::string& folder, TransferProgress& progress) override {
        if (const int code = op("ZG " + current + "/" + name)) return code;
        progress.percent(50);
        if (progress.cancelled()) return cancel();
        lumbrel::test::writeBytes(folder + "/" + name, folders[current][name]);
        progress.percent(100);
        return 0;
    }
    void endLink() override { calls.push_back("QR"); }

    int op(const std::string& call) {
        calls.push_back(call);
        if (failAt && failAt->first == call && --failCountdown == 0)
            return failAt->second == 13 ? cancel() : failAt->second;
        return 0;
    }
    /// A cancelled bulk reply ends the link itself, as the link does.
    int cancel() {
        endLink();
        return 13;
    }
    void failOn(const std::string& call, int code, int nth = 1) {
        failAt = {call, code};
        failCountdown = nth;
    }

    std::map<std::string, std::map<std::string, Bytes>> folders;
    std::string current;
    std::vector<std::string> calls;
    std::optional<std::pair<std::string, int>> failAt;
    int failCountdown = 0;
};

class RecordingTransferProgress : public TransferProgress {
public:
    void open(std::string_view caption_, std::string_view text_) override {
        caption = caption_;
        text = text_;
        ++opened;
    }
    void status(std::string_view line) override { lines.emplace_back(line); }
    void percent(int value) override { lastPercent = value; }
    bool cancelled() override { return cancelOnLine != 0 && lines.size() >= cancelOnLine; }
    void close() override { ++closed; }

    std::string caption, text;
    std::vector<std::string> lines;
    int lastPercent = -1, opened = 0, closed = 0;
    std::size_t cancelOnLine = 0;
};

Bytes movie() { return lumbrel::test::buildAvi({lumbrel::test::toMotionJpegFrame(lumbrel::test::testJpeg(32, 16))}); }

class SerialTransferTest : public LoaderTest {
protected:
    SerialTransferTest() {
        camera_.folders["100ORRIN"] = {{"ORRN0001.JPG", picture("2001:06:16 10:00:00", 1)},
                                       {"ORRN0002.JPG", picture("2001:06:17 11:00:00", 2)},
                                       {"06160003.AVI", movie()}};
        camera_.folders["101ORRIN"] = {{"ORRN0004.JPG", picture("2001:06:17 12:00:00", 3)},
                                       {"ORRN0005.JPG", picture(std::nullopt, 4)},
                                       {"ORRN0006.JPG", picture("2001:06:18 09:30:00", 5)},
                                       {"ORRN0007.JPG", picture("2001:06:18 09:31:00", 6)}};
    }

    LoadResult batch() {
        SerialTransfer transfer(serial_);
        const LoadResult result = transfer.loadAll();
        linkError_ = transfer.linkError();
        return result;
    }
    LoadResult oneFolder(const std::string& name) {
        std::vector<std::string> found;
        EXPECT_EQ(SerialTransfer::queryFolders(camera_, found), 0);
        SerialTransfer transfer(serial_);
        const LoadResult result = transfer.loadFolder(name);
        linkError_ = transfer.linkError();
        return result;
    }
    std::string received() const { return dir_ / "prog/Received"; }

    FakeCamera camera_;
    RecordingTransferProgress shown_;
    SerialTransferContext serial_{context_, camera_, shown_, Day{2001, 7, 1}};
    int linkError_ = 0;
};

TEST(SerialDate, MovieYearFollowsTheDayAfterToday) {
    struct Case {
        const char* name;
        Day today;
        Day expected;
    };
    const Case cases[] = {
        {"12090001.AVI", {2026, 12, 9}, {2026, 12, 9}},   // today
        {"12100001.AVI", {2026, 12, 9}, {2026, 12, 10}},  // tomorrow: a camera clock a little ahead
        {"12110001.AVI", {2026, 12, 9}, {2025, 12, 11}},  // later in the year: last year's
        {"01010001.AVI", {2026, 12, 9}, {2026, 1, 1}},
        {"12310001.AVI", {2026, 12, 31}, {2026, 12, 31}},  // New Year's Eve on the day
        {"12310001.AVI", {2026, 12, 30}, {2026, 12, 31}},  // and the day before
        {"12310001.AVI", {2027, 1, 2}, {2026, 12, 31}},    // received after New Year: last year's
        {"12300001.AVI", {2026, 12, 31}, {2026, 12, 30}},  // the limit on the 31st is past December
        {"02010001.AVI", {2026, 1, 31}, {2026, 2, 1}},     // last of the month: next month counts
        {"02280001.AVI", {2026, 1, 31}, {2026, 2, 28}},
        {"03010001.AVI", {2026, 1, 31}, {2025, 3, 1}},
        {"02290001.AVI", {2025, 3, 1}, {2024, 2, 29}},     // 29 February of last year's leap year
        {"02290001.AVI", {2024, 3, 5}, {2024, 2, 29}},
        {"02290001.AVI", {2024, 1, 10}, {2024, 1, 10}},    // last year had no 29 February: today
        {"02300001.AVI", {2026, 12, 9}, {2026, 12, 9}},    // no such day
        {"13010001.AVI", {2026, 12, 9}, {2026, 12, 9}},
        {"AB120001.AVI", {2026, 12, 9}, {2026, 12, 9}},
        {"12", {2026, 12, 9}, {2026, 12, 9}},
    };
    for (const auto& c : cases) EXPECT_EQ(movieDate(c.name, c.today), c.expected) << c.name << " on " << keyOf(c.today);
}

TEST(SerialDate, ReceivedFilesAreKeyedByTheirEmbeddedDateTheirNameOrToday) {
    lumbrel::test::TempDir dir;
    const std::string dated = dir / "ORRN0001.JPG", undated = dir / "ORRN0002.JPG", clip = dir / "06160003.AVI";
    lumbrel::test::writeBytes(dated, picture("2001:06:16 10:20:30"));
    lumbrel::test::writeBytes(undated, picture(std::nullopt));
    lumbrel::test::writeBytes(clip, movie());
    const Day today{2001, 7, 1};
    EXPECT_EQ(receivedDate(dated, "ORRN0001.JPG", today).key, "20010616");
    EXPECT_EQ(receivedDate(dated, "ORRN0001.JPG", today).time, "20010616102030");
    EXPECT_EQ(receivedDate(undated, "ORRN0002.JPG", today).key, "20010701");
    EXPECT_EQ(receivedDate(undated, "ORRN0002.JPG", today).time, std::nullopt);
    EXPECT_EQ(receivedDate(clip, "06160003.AVI", today).time, "20010616010000");

    ASSERT_TRUE(setLocalFileTime(clip, "20010616010000"));
    EXPECT_EQ(fileTimeText(clip), "20010616010000");
    EXPECT_FALSE(setLocalFileTime(clip, "2001061601000x"));
    EXPECT_FALSE(setLocalFileTime(clip, "200106160100"));
}

TEST_F(SerialTransferTest, BatchCountsAcrossFoldersAndPlacesEachFileByItsDate) {
    ASSERT_EQ(batch(), LoadResult::Loaded);
    EXPECT_EQ(shown_.caption, "Batch");
    EXPECT_EQ(shown_.text, "Data is being transferred from the camera...");
    ASSERT_EQ(shown_.lines.size(), 7u);
    EXPECT_EQ(shown_.lines.front(), "100ORRIN is under transfer.(1/7)");
    EXPECT_EQ(shown_.lines[3], "101ORRIN is under transfer.(4/7)");
    EXPECT_EQ(shown_.lines.back(), "101ORRIN is under transfer.(7/7)");
    EXPECT_EQ(shown_.opened, 1);
    EXPECT_EQ(shown_.closed, 1);

    EXPECT_TRUE(inLibrary("20010616/ORRN0001.JPG"));
    EXPECT_TRUE(inLibrary("20010617/ORRN0002.JPG"));
    EXPECT_TRUE(inLibrary("20010617/ORRN0004.JPG"));
    EXPECT_TRUE(inLibrary("20010616/06160003.AVI"));  // dated by its name, this year
    // No date inside: the day it came in (its file keeps the time it was received).
    EXPECT_TRUE(inLibrary(keyOf(localToday()) + "/ORRN0005.JPG"));
    EXPECT_TRUE(inLibrary("20010618/ORRN0007.JPG"));
    EXPECT_EQ(doc_.albums().size(), 4u);
    EXPECT_TRUE(prompt_.messages.empty());
    EXPECT_EQ(std::count(prompt_.calls.begin(), prompt_.calls.end(), "undated"), 0);
    EXPECT_FALSE(platform::exists(received()));

    // The camera was asked in the order the transfer needs, the link ended once.
    const std::vector<std::string> head = {"identify", "BC", "ZD", "CD DCIM", "BC", "ZH",
                                           "BC", "CD 100ORRIN", "ZE", "BC", "CD 101ORRIN", "ZE", "ZD",
                                           "BC", "CD 100ORRIN", "BC", "ZG 100ORRIN/06160003.AVI"};
    ASSERT_GE(camera_.calls.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(camera_.calls.begin(), camera_.calls.begin() + head.size()), head);
    EXPECT_EQ(std::count(camera_.calls.begin(), camera_.calls.end(), "QR"), 1);
    EXPECT_EQ(camera_.calls.back(), "QR");
    EXPECT_EQ(std::count(camera_.calls.begin(), camera_.calls.end(), "ZD"), 4);  // ready, lists, two folders
}

TEST_F(SerialTransferTest, LinkErrorsAndCancelTakeEverythingBack) {
    struct Case {
        const char* call;
        int code;
        int nth;
        int message;  // 0: none
    };
    const Case cases[] = {
        {"ZG 101ORRIN/ORRN0006.JPG", 17, 1, app::kMsgNoCameraResponse},
        {"BC", 18, 5, app::kMsgBatteryLow},
        {"identify", 28, 1, app::kMsgCameraUnsupported},
        {"ZE", 16, 2, app::kMsgNoCameraResponse},
        {"ZG 100ORRIN/ORRN0002.JPG", 13, 1, 0},  // cancelled inside the link
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        const auto before = state();
        camera_.calls.clear();
        prompt_.messages.clear();
        camera_.failOn(c.call, c.code, c.nth);
        EXPECT_EQ(batch(), c.code == 13 ? LoadResult::Cancelled : LoadResult::Failed);
        EXPECT_EQ(linkError_, c.code);
        EXPECT_EQ(state(), before);
        EXPECT_TRUE(doc_.albums().empty());
        EXPECT_EQ(prompt_.messages, c.message ? std::vector<int>{c.message} : std::vector<int>{});
        EXPECT_EQ(camera_.calls.back(), "QR");
        EXPECT_EQ(std::count(camera_.calls.begin(), camera_.calls.end(), "QR"), 1);
        EXPECT_EQ(shown_.opened, shown_.closed);
    }
    camera_.failAt.reset();
    shown_.cancelOnLine = 5;  // Cancel pressed while the fifth file comes in
    const auto before = state();
    EXPECT_EQ(batch(), LoadResult::Cancelled);
    EXPECT_EQ(linkError_, 13);
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(SerialTransferTest, OneFolderInFolderModeMakesOneTitledLibrary) {
    settings_.set(app::setting::Classitication, 1);
    settings_.set(app::setting::InputTitle, 0);
    prompt_.dates = {std::string("20010620")};
    prompt_.titles = {std::string("Summer")};
    ASSERT_EQ(oneFolder("101ORRIN"), LoadResult::Loaded);
    EXPECT_EQ(shown_.caption, "Specified folder");
    EXPECT_EQ(shown_.lines, (std::vector<std::string>{"101ORRIN(1/4)", "101ORRIN(2/4)", "101ORRIN(3/4)",
                                                      "101ORRIN(4/4)"}));
    // The date is asked before anything comes in, without "Unassigned"; the
    // title dialog names the camera folder.
    EXPECT_EQ(prompt_.calls, (std::vector<std::string>{"date:", "title:DCIM\\101ORRIN"}));
    ASSERT_EQ(doc_.albums().size(), 1u);
    const auto& album = *doc_.albums().front();
    EXPECT_EQ(album.title, "Summer");
    EXPECT_TRUE(platform::isFile(album.folderPath + "/101ORRIN/ORRN0004.JPG"));
    EXPECT_TRUE(platform::isFile(album.folderPath + "/101ORRIN/ORRN0005.JPG"));
    // A picture without its own date is recorded on the load date at 01:00:00.
    const library::CPhotoData* undated = nullptr;
    for (const auto& image : doc_.images())
        if (image->imagePath().ends_with("ORRN0005.JPG")) undated = image.get();
    ASSERT_TRUE(undated);
    EXPECT_EQ(std::string(undated->year()) + std::string(undated->month()) + std::string(undated->day()) +
                  std::string(undated->hour()),
              "2001062001");
    EXPECT_FALSE(platform::exists(received()));
}

TEST_F(SerialTransferTest, EmptyCameraAndEmptyFolderLoadNothing) {
    camera_.folders["102EMPTY"] = {};
    EXPECT_EQ(oneFolder("102EMPTY"), LoadResult::NothingToLoad);
    EXPECT_EQ(prompt_.messages, std::vector<int>{app::kMsgFolderWithoutImages});
    EXPECT_EQ(camera_.calls.back(), "QR");
    EXPECT_EQ(shown_.opened, 0);

    camera_.folders = {{"100EMPTY", {}}};
    prompt_.messages.clear();
    EXPECT_EQ(batch(), LoadResult::NothingToLoad);
    EXPECT_EQ(prompt_.messages, std::vector<int>{app::kMsgNoImagesFound});
    EXPECT_TRUE(doc_.albums().empty());
}

TEST_F(SerialTransferTest, CancelledLoadDateStopsBeforeTheCameraIsAsked) {
    settings_.set(app::setting::Classitication, 1);
    EXPECT_EQ(batch(), LoadResult::Cancelled);
    EXPECT_TRUE(camera_.calls.empty());
    EXPECT_EQ(prompt_.calls, std::vector<std::string>{"date+unassigned:"});
}

TEST_F(SerialTransferTest, FolderQueryEndsTheLinkOnAnError) {
    std::vector<std::string> found;
    ASSERT_EQ(SerialTransfer::queryFolders(camera_, found), 0);
    EXPECT_EQ(found, (std::vector<std::string>{"100ORRIN", "101ORRIN"}));
    EXPECT_EQ(camera_.calls, (std::vector<std::string>{"identify", "BC", "ZD", "CD DCIM", "BC", "ZH"}));

    camera_.calls.clear();
    camera_.failOn("ZD", 2);
    int steps = 0;
    EXPECT_EQ(SerialTransfer::queryFolders(camera_, found, [&] { ++steps; }), 2);
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(camera_.calls.back(), "QR");
}

TEST_F(SerialTransferTest, LeftoversOfAStoppedTransferAreRemovedFirst) {
    lumbrel::test::writeBytes(received() + "/DCIM/100ORRIN/ORRN0009.JPG", picture("2001:06:30 10:00:00"));
    ASSERT_EQ(batch(), LoadResult::Loaded);
    EXPECT_FALSE(inLibrary("20010630/ORRN0009.JPG"));
}

}  // namespace
}  // namespace lumbrel::camera::test
