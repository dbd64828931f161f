#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string>

#include "support/temp_dir.h"

namespace lumbrel::platform {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeText;

std::vector<std::uint8_t> bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Names in a folder other than the given ones (left-over temporary files).
std::vector<std::string> strayNames(const std::string& folder, std::vector<std::string> expected) {
    std::vector<std::string> stray;
    for (const DirEntry& e : listDirectory(folder).value_or(std::vector<DirEntry>{}))
        if (std::find(expected.begin(), expected.end(), e.name) == expected.end()) stray.push_back(e.name);
    return stray;
}

TEST(FilesPath, JoinAndSplit) {
    EXPECT_EQ(joinPath("/a/b", "c.jpg"), "/a/b/c.jpg");
    EXPECT_EQ(joinPath("/a/b/", "c.jpg"), "/a/b/c.jpg");
    EXPECT_EQ(joinPath("/", "c"), "/c");
    EXPECT_EQ(lastComponent("/a/b/c.jpg"), "c.jpg");
    EXPECT_EQ(lastComponent("c.jpg"), "c.jpg");
    EXPECT_EQ(lastComponent("/a/"), "");
    EXPECT_EQ(parentPath("/a/b/c.jpg"), "/a/b");
    EXPECT_EQ(parentPath("c.jpg"), "");
}

TEST(FilesAtomicWrite, CreatesReplacesAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir / "album.dat";
    ASSERT_TRUE(writeFileAtomic(path, std::string_view("first version, longer")));
    EXPECT_EQ(readBytes(path), bytes("first version, longer"));
    EXPECT_EQ(modeOf(path), 0666 & ~[] { mode_t m = ::umask(0); ::umask(m); return m; }());

    ASSERT_TRUE(writeFileAtomic(path, std::string_view("second")));
    EXPECT_EQ(readBytes(path), bytes("second"));
    ASSERT_TRUE(writeFileAtomic(path, std::string_view()));
    EXPECT_EQ(fileSize(path), 0u);
    EXPECT_TRUE(strayNames(dir.path(), {"album.dat"}).empty());
    // Whether it replaces a file is known from the start (a new target is
    // flushed later by callers that can afford it).
    EXPECT_TRUE(AtomicFile(path).replacesFile());
    EXPECT_FALSE(AtomicFile(dir / "new.dat").replacesFile());
    EXPECT_TRUE(strayNames(dir.path(), {"album.dat"}).empty());
}

TEST(FilesAtomicWrite, KeepsPermissionBitsOfTheOldFile) {
    TempDir dir;
    const std::string path = dir / "private.conf";
    writeText(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(writeFileAtomic(path, std::string_view("new")));
    EXPECT_EQ(modeOf(path), 0640u);
}

TEST(FilesAtomicWrite, FailureLeavesOldStateAndCleansUp) {
    TempDir dir;
    // The target is a folder: nothing may replace it.
    ASSERT_TRUE(makeDirectory(dir / "folder"));
    EXPECT_FALSE(writeFileAtomic(dir / "folder", std::string_view("x")));
    EXPECT_TRUE(isDirectory(dir / "folder"));
    // The parent is a file, not a folder.
    writeText(dir / "plain", "keep");
    EXPECT_FALSE(writeFileAtomic(dir / "plain/child", std::string_view("x")));
    EXPECT_EQ(readBytes(dir / "plain"), bytes("keep"));
    EXPECT_TRUE(strayNames(dir.path(), {"folder", "plain"}).empty());
}

TEST(FilesAtomicWrite, ReadOnlyFolderKeepsOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission checks do not apply to root";
    TempDir dir;
    const std::string folder = dir / "ro";
    const std::string path = folder + "/a.txt";
    writeText(path, "old");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_FALSE(writeFileAtomic(path, std::string_view("new")));
    EXPECT_EQ(readBytes(path), bytes("old"));
    EXPECT_TRUE(strayNames(folder, {"a.txt"}).empty());
}

TEST(FilesCopyMove, CopyKeepsContentTimeAndMode) {
    TempDir dir;
    const std::string from = dir / "src.jpg";
    std::vector<std::uint8_t> data(300000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    test::writeBytes(from, data);
    ASSERT_EQ(::chmod(from.c_str(), 0604), 0);
    const std::int64_t when = 1'500'000'000'123'456'789;
    ASSERT_TRUE(setLastWriteTime(from, when));

    writeText(dir / "dst.jpg", "to be replaced");
    ASSERT_TRUE(copyFile(from, dir / "dst.jpg"));
    EXPECT_EQ(readBytes(dir / "dst.jpg"), data);
    EXPECT_EQ(lastWriteTime(dir / "dst.jpg"), when);
    EXPECT_EQ(modeOf(dir / "dst.jpg"), 0604u);
    EXPECT_TRUE(isFile(from));

    // Handed to the disk now, flushed with others later: the same file.
    ASSERT_TRUE(copyFile(from, dir / "later.jpg", false));
    EXPECT_EQ(readBytes(dir / "later.jpg"), data);
    EXPECT_EQ(lastWriteTime(dir / "later.jpg"), when);
    EXPECT_TRUE(flushFiles({dir / "later.jpg", dir / "dst.jpg"}));
    EXPECT_FALSE(flushFiles({dir / "missing"}));
    ASSERT_TRUE(deleteFile(dir / "later.jpg"));

    EXPECT_FALSE(copyFile(dir / "missing", dir / "x"));
    EXPECT_FALSE(copyFile(dir.path(), dir / "x"));  // a folder is not copied
    EXPECT_FALSE(exists(dir / "x"));
    // The rename over a folder fails after the copy is made: the copy must go.
    ASSERT_TRUE(makeDirectory(dir / "sub"));
    EXPECT_FALSE(copyFile(from, dir / "sub"));
    EXPECT_TRUE(isDirectory(dir / "sub"));
    EXPECT_TRUE(strayNames(dir.path(), {"src.jpg", "dst.jpg", "sub"}).empty());
}

TEST(FilesCopyMove, MoveReplacesTarget) {
    TempDir dir;
    writeText(dir / "a", "moved");
    writeText(dir / "b", "old");
    ASSERT_TRUE(moveFile(dir / "a", dir / "b"));
    EXPECT_FALSE(exists(dir / "a"));
    EXPECT_EQ(readBytes(dir / "b"), bytes("moved"));
    EXPECT_FALSE(moveFile(dir / "a", dir / "c"));
}

TEST(FilesCopyMove, MoveAcrossFileSystems) {
    // /dev/shm is a tmpfs on most systems; skip where it shares the temp folder's device.
    TempDir dir;
    struct stat a {}, b {};
    if (::stat("/dev/shm", &b) != 0 || ::access("/dev/shm", W_OK) != 0 || ::stat(dir.path().c_str(), &a) != 0 ||
        a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second writable file system";
    const std::string target = "/dev/shm/lumbrel-move-test-" + std::to_string(::getpid());
    writeText(dir / "a", "across");
    ASSERT_TRUE(setLastWriteTime(dir / "a", 1'000'000'000'000'000'000));
    ASSERT_TRUE(moveFile(dir / "a", target));
    EXPECT_FALSE(exists(dir / "a"));
    EXPECT_EQ(readBytes(target), bytes("across"));
    EXPECT_EQ(lastWriteTime(target), 1'000'000'000'000'000'000);
    ::unlink(target.c_str());
}

TEST(FilesFolders, MakeListAndRemove) {
    TempDir dir;
    EXPECT_TRUE(makeDirectories(dir / "x/y//z/"));
    EXPECT_TRUE(isDirectory(dir / "x/y/z"));
    EXPECT_TRUE(makeDirectory(dir / "x"));  // already there
    writeText(dir / "file", "");
    EXPECT_FALSE(makeDirectory(dir / "file"));
    EXPECT_FALSE(makeDirectories(dir / "file/sub"));

    EXPECT_FALSE(removeDirectory(dir / "x"));  // not empty
    EXPECT_FALSE(deleteFile(dir / "x"));       // a folder is not a file
    EXPECT_TRUE(removeDirectory(dir / "x/y/z"));
    EXPECT_FALSE(exists(dir / "x/y/z"));
    EXPECT_TRUE(deleteFile(dir / "file"));
    EXPECT_FALSE(deleteFile(dir / "file"));
}

TEST(FilesFolders, ListingMarksOnlyRealFolders) {
    TempDir dir;
    ASSERT_TRUE(makeDirectory(dir / "sub"));
    writeText(dir / "photo.jpg", "x");
    ASSERT_EQ(::symlink((dir / "sub").c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);

    const auto entries = listDirectory(dir.path());
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 4u);  // no "." or ".."
    for (const DirEntry& e : *entries) {
        EXPECT_NE(e.name, ".");
        EXPECT_NE(e.name, "..");
        EXPECT_EQ(e.isDirectory, e.name == "sub") << e.name;
    }
    EXPECT_TRUE(isDirectory(dir / "link"));  // isDirectory follows links
    EXPECT_TRUE(exists(dir / "dangling"));
    EXPECT_FALSE(isFile(dir / "dangling"));
    EXPECT_FALSE(listDirectory(dir / "photo.jpg").has_value());
    EXPECT_FALSE(listDirectory(dir / "missing").has_value());
}

TEST(FilesAttributes, ReadOnlyRoundTrip) {
    TempDir dir;
    const std::string path = dir / "f";
    writeText(path, "x");
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    EXPECT_EQ(isReadOnly(path), false);
    ASSERT_TRUE(setReadOnly(path, true));
    EXPECT_EQ(isReadOnly(path), true);
    EXPECT_EQ(modeOf(path), 0444u);
    ASSERT_TRUE(setReadOnly(path, false));
    EXPECT_EQ(isReadOnly(path), false);
    EXPECT_TRUE(modeOf(path) & S_IWUSR);
    EXPECT_FALSE(isReadOnly(dir / "missing").has_value());
    EXPECT_FALSE(setReadOnly(dir / "missing", true));
}

TEST(FilesRead, WholeFilesLimitsAndFilesOfUnknownSize) {
    TempDir dir;
    const std::string path = dir / "big";
    std::string content(200'000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251);
    writeText(path, content);
    EXPECT_EQ(readFile(path), bytes(content));
    EXPECT_EQ(readFile(path, 70'000), bytes(std::string_view(content).substr(0, 70'000)));
    // A file that says it is empty but is not (as those of /proc) is read to its end.
    const auto status = readFile("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_GT(status->size(), 100u);
    EXPECT_EQ(std::string(status->begin(), status->begin() + 5), "Name:");
}

TEST(FilesRead, FileStartsIntoACallersBuffer) {
    TempDir dir;
    const std::string path = dir / "f";
    writeText(path, "0123456789");
    std::array<std::uint8_t, 4> small{};
    EXPECT_EQ(readFileStart(path, small), 4u);
    EXPECT_EQ(std::string(small.begin(), small.end()), "0123");
    std::array<std::uint8_t, 64> large{};
    EXPECT_EQ(readFileStart(path, large), 10u);  // the whole file, no more
    EXPECT_EQ(std::string(large.begin(), large.begin() + 10), "0123456789");

    EXPECT_FALSE(readFileStart(dir / "missing", large).has_value());
    EXPECT_FALSE(readFileStart(dir.path(), large).has_value());  // a folder
    // A pipe nobody writes to reads as empty instead of waiting for a writer.
    const std::string pipe = dir / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(readFileStart(pipe, large).value_or(99), 0u);
}

TEST(FilesAttributes, TimesSizesAndPaths) {
    TempDir dir;
    const std::string path = dir / "f";
    writeText(path, "12345");
    EXPECT_EQ(fileSize(path), 5u);
    EXPECT_FALSE(fileSize(dir / "missing").has_value());
    EXPECT_FALSE(readFile(dir / "missing").has_value());
    EXPECT_FALSE(readFile(dir.path()).has_value());
    EXPECT_EQ(readFile(path), bytes("12345"));

    ASSERT_TRUE(setLastWriteTime(path, -1'500'000'000));  // before 1970, with a fraction
    EXPECT_EQ(lastWriteTime(path), -1'500'000'000);
    EXPECT_FALSE(setLastWriteTime(dir / "missing", 0));

    EXPECT_TRUE(freeSpace(dir.path()).has_value());
    EXPECT_FALSE(freeSpace(dir / "missing").has_value());

    ASSERT_TRUE(makeDirectory(dir / "sub"));
    const auto canonical = canonicalPath(dir / "sub/../f");
    ASSERT_TRUE(canonical.has_value());
    EXPECT_EQ(*canonical, canonicalPath(dir.path()).value() + "/f");
    EXPECT_FALSE(canonicalPath(dir / "missing").has_value());
}

}  // namespace
}  // namespace lumbrel::platform
