#include "camera/request_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "camera/drive_list.h"
#include "support/temp_dir.h"

namespace lumbrel::camera {
namespace {

using lumbrel::test::TempDir;

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(RequestFile, AppendingReplacesTheTerminator) {
    auto file = appendRequest({}, "/media/a/");
    EXPECT_EQ(file, bytes(std::string_view("/media/a/\r\n\0", 12)));
    file = appendRequest(file, "/media/b/");
    EXPECT_EQ(file, bytes(std::string_view("/media/a/\r\n/media/b/\r\n\0", 23)));
    // A file without a terminator keeps all it has.
    EXPECT_EQ(appendRequest(bytes("/x/\r\n"), "/y/"), bytes(std::string_view("/x/\r\n/y/\r\n\0", 11)));
}

TEST(RequestFile, TheFirstLineNamesTheDrive) {
    EXPECT_EQ(firstRequestedRoot(bytes(std::string_view("/media/a/\r\n/media/b/\r\n\0", 23))), "/media/a/");
    EXPECT_EQ(firstRequestedRoot(bytes("/media/u/MY CARD")), "/media/u/MY CARD/");
    EXPECT_EQ(firstRequestedRoot(bytes(std::string_view("/\0", 2))), "/");
    EXPECT_EQ(firstRequestedRoot(bytes("")), "");
    EXPECT_EQ(firstRequestedRoot(bytes("\r\n/media/a/")), "");
    EXPECT_EQ(firstRequestedRoot(bytes("E:\\\r\n")), "");
}

TEST(RequestFile, ReadingIsBoundedAndAppendingCreatesTheFile) {
    TempDir home;
    const std::string path = home / "Lumbrel.tmp";
    EXPECT_EQ(readRequestedRoot(path), "");
    ASSERT_TRUE(appendRequestFile(path, {"/media/a/", "/media/b/"}));
    ASSERT_TRUE(appendRequestFile(path, {"/media/c/"}));
    EXPECT_EQ(lumbrel::test::readBytes(path),
              bytes(std::string_view("/media/a/\r\n/media/b/\r\n/media/c/\r\n\0", 34)));
    EXPECT_EQ(readRequestedRoot(path), "/media/a/");

    // A first line longer than any path is cut at the read limit.
    lumbrel::test::writeText(path, "/" + std::string(10000, 'x'));
    EXPECT_EQ(readRequestedRoot(path).size(), kMaxRequestRead + 1);
}

TEST(RequestFile, ReadersSurviveAnyBytes) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 300);
    const std::string alphabet(" -:/\\0123\r\n\t\0a", 14);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int n = length(random);
        for (int i = 0; i < n; ++i)
            text.push_back(round % 2 ? static_cast<char>(byte(random)) : alphabet[byte(random) % alphabet.size()]);
        const auto entries = parseMountInfo(text);
        for (const MountEntry& e : entries) EXPECT_TRUE(e.mountPoint.starts_with('/'));
        for (const Drive& d : parseDriveTable(text)) EXPECT_TRUE(d.root.ends_with('/'));
        const std::string root = firstRequestedRoot(bytes(text));
        EXPECT_TRUE(root.empty() || (root.starts_with('/') && root.ends_with('/')));
    }
}

// The watcher program itself, on a fake drive table: every removable drive
// with media is requested, after what the file held already.
TEST(Lmauto, OnceRequestsTheRemovableDrivesOfTheTable) {
    TempDir home;
    const std::string table = home / "drives";
    lumbrel::test::writeText(table,
                             "fixed\t/\n"
                             "removable\t/media/u/CARD\n"
                             "removable-empty\t/media/u/EMPTY/\n"
                             "floppy\t/media/fd/\n"
                             "removable\t/media/u/CAMERA/\n");
    const std::string request = home / "Lumbrel.tmp";
    lumbrel::test::writeText(request, std::string("/media/old/\r\n") + '\0');
    const std::string output = home / "output";
    const std::string command = "LUMBREL_DRIVES='" + table + "' '" LUMBREL_LMAUTO "' --home '" + home.path() +
                                "' --once >'" + output + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(lumbrel::test::readBytes(request),
              bytes(std::string_view("/media/old/\r\n/media/u/CARD/\r\n/media/u/CAMERA/\r\n\0", 48)));
    EXPECT_TRUE(lumbrel::test::readBytes(output).empty()) << "the watcher is quiet";

    const std::string bad = "'" LUMBREL_LMAUTO "' --bogus >'" + output + "' 2>&1";
    EXPECT_NE(std::system(bad.c_str()), 0);
}

}  // namespace
}  // namespace lumbrel::camera
