#include "cli/cli.h"
#include "cli/run_cli.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "library/index_file.h"
#include "platform/single_instance.h"
#include "support/temp_dir.h"

namespace lumbrel::cli {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::readBytes;
using lumbrel::test::TempDir;
using lumbrel::test::writeBytes;
using Bytes = std::vector<std::uint8_t>;

using lumbrel::test::Outcome;
using lumbrel::test::runCli;

// Index bytes laid out by hand, field by field.
struct IndexBytes {
    Bytes v;
    IndexBytes& u16(unsigned x) {
        v.push_back(static_cast<std::uint8_t>(x));
        v.push_back(static_cast<std::uint8_t>(x >> 8));
        return *this;
    }
    IndexBytes& i32(std::int32_t x) {
        const auto u = static_cast<std::uint32_t>(x);
        return u16(u & 0xFFFF).u16(u >> 16);
    }
    IndexBytes& raw(std::string_view s) {
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    IndexBytes& text(std::string_view s) {
        if (s.size() < 0xFF) {
            v.push_back(static_cast<std::uint8_t>(s.size()));
        } else {
            v.push_back(0xFF);
            u16(static_cast<unsigned>(s.size()));
        }
        return raw(s);
    }
    IndexBytes& newClass(std::string_view name) {
        return u16(0xFFFF).u16(0).u16(static_cast<unsigned>(name.size())).raw(name);
    }
};

const std::string kLongName(300, 'n');

// Two libraries and two images, each list in reverse path order (as an index
// edited elsewhere may have them), with a tab, a backslash and a long text.
Bytes handBuiltIndex() {
    IndexBytes b;
    b.u16(2).newClass("CAlbumData");
    b.text("LM200").text("Sea\tside").text("/lib/Image Library/20240301");
    b.text("/lib/Image Library/20240301/INDEX.HTM").text("Standard,Green/Gray");
    b.i32(5000).i32(2).i32(0).i32(1).i32(0).text("Outlook");
    b.u16(0x8001);
    b.text("LM200").text("").text("C:\\Old\\20240101").text("C:\\Old\\20240101\\INDEX.HTM").text("");
    b.i32(0).i32(0).i32(1).i32(0).i32(1).text("Email software is not assigned");
    b.u16(2).newClass("CPhotoData");
    b.text("/lib/Image Library/20240301/" + kLongName + ".JPG");
    b.text("2024").text("03").text("01").text("10").text("20").text("30").i32(2048).i32(0);
    b.u16(0x8004);
    b.text("/lib/Image Library/20240101/A.JPG");
    b.text("2024").text("01").text("01").text("09").text("05").text("00").i32(4096).i32(0);
    return b.v;
}

TEST(Cli, WrongUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"bogus"},
        {"info", "extra"},
        {"index", "dump"},
        {"index", "copy", "in"},
        {"index", "list", "file"},
        {"--home"},
        {"--home", "/tmp"},
        {"info", "--home", "/tmp"},
    };
    for (const auto& args : wrong) {
        const Outcome r = runCli(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    const Outcome help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage:"), std::string::npos);
}

TEST(Cli, DumpPrintsTheRecordsInFileOrder) {
    TempDir dir;
    writeBytes(dir / "in.kds", handBuiltIndex());
    const Outcome r = runCli({"index", "dump", dir / "in.kds"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "album\tLM200\tSea\\tside\t/lib/Image Library/20240301\t/lib/Image Library/20240301/INDEX.HTM"
              "\tStandard,Green/Gray\t5000\t2\t0\t1\t0\tOutlook\n"
              "album\tLM200\t\tC:\\\\Old\\\\20240101\tC:\\\\Old\\\\20240101\\\\INDEX.HTM\t\t0\t0\t1\t0\t1"
              "\tEmail software is not assigned\n"
              "image\t/lib/Image Library/20240301/" +
                  kLongName +
                  ".JPG\t2024\t03\t01\t10\t20\t30\t2048\t0\n"
                  "image\t/lib/Image Library/20240101/A.JPG\t2024\t01\t01\t09\t05\t00\t4096\t0\n");
}

TEST(Cli, DumpOfAMissingOrTruncatedFileFails) {
    TempDir dir;
    Bytes cut = handBuiltIndex();
    cut.resize(cut.size() - 3);
    writeBytes(dir / "cut.kds", cut);
    for (const std::string& path : {dir / "missing.kds", dir / "cut.kds"}) {
        const Outcome r = runCli({"index", "dump", path});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    }
}

TEST(Cli, CopyReproducesTheFileByteForByte) {
    TempDir dir;
    const Bytes original = handBuiltIndex();
    writeBytes(dir / "in.kds", original);
    const Outcome r = runCli({"index", "copy", dir / "in.kds", dir / "out.kds"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readBytes(dir / "out.kds"), original);
}

TEST(Cli, CopyOfAnUnreadableFileWritesNothing) {
    TempDir dir;
    Bytes cut = handBuiltIndex();
    cut.resize(cut.size() / 2);
    writeBytes(dir / "cut.kds", cut);
    for (const std::string& in : {dir / "cut.kds", dir / "missing.kds"}) {
        const Outcome r = runCli({"index", "copy", in, dir / "out.kds"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(in), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "out.kds"));
    }

    writeBytes(dir / "in.kds", handBuiltIndex());
    const std::string nowhere = dir / "no/such/folder/out.kds";
    const Outcome r = runCli({"index", "copy", dir / "in.kds", nowhere});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(nowhere), std::string::npos) << r.err;
}

class CliInfo : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", (config / "xdg").c_str(), 1); }
    std::string canonicalHome() const { return fs::canonical(home.path()).string(); }
    TempDir home;
    TempDir config;
};

TEST_F(CliInfo, CountsTheLibrariesAndImagesOfTheIndex) {
    writeBytes(home / "Lumbrel.kds", handBuiltIndex());
    const Outcome r = runCli({"--home", home.path(), "info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Program folder: " + canonicalHome() + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Libraries: 2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Images: 2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Settings file: " + config.path() + "/xdg/"), std::string::npos) << r.out;
}

TEST_F(CliInfo, FreshFolderIsMadeAndHoldsNothing) {
    const std::string fresh = home / "not/there/yet";
    const Outcome r = runCli({"--home", fresh, "info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(fresh));
    EXPECT_NE(r.out.find("Program folder: " + canonicalHome() + "/not/there/yet\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Libraries: 0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Images: 0\n"), std::string::npos) << r.out;
}

TEST_F(CliInfo, RecoveryFromGeneration1IsReported) {
    writeBytes(home / "Lumbrel.kds", {'n', 'o', 'p', 'e'});
    writeBytes(home / "Lumbrel.kd1", handBuiltIndex());
    const Outcome r = runCli({"--home", home.path(), "info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Libraries: 2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("generation 1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Lumbrel.kds"), std::string::npos) << r.err;
}

TEST_F(CliInfo, FolderHeldByAnotherCopyIsRefused) {
    platform::FolderLock held(canonicalHome());
    ASSERT_TRUE(held.locked());
    const Outcome r = runCli({"--home", home.path(), "info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(canonicalHome()), std::string::npos) << r.err;
}

TEST_F(CliInfo, RunsBesideAnOpenWindow) {
    // The command line leaves the window's instance name alone: an open window
    // neither stops it nor is asked to come forward.
    platform::SingleInstance window("KDLumbrel!Main");
    if (!window.acquire()) GTEST_SKIP() << "a Lumbrel window is open on this machine";
    const Outcome r = runCli({"--home", home.path(), "info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(window.pollRaiseRequests({}), 0);
}

}  // namespace
}  // namespace lumbrel::cli
