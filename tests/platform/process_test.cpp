#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::platform {
namespace {

using test::TempDir;

// Waits up to five seconds for a file to appear with the given content.
bool waitForContent(const std::string& path, const std::string& content) {
    for (int i = 0; i < 100; ++i) {
        const auto b = test::readBytes(path);
        if (std::string(b.begin(), b.end()) == content) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string writeScript(const TempDir& dir, const std::string& name, const std::string& body) {
    const std::string path = dir / name;
    test::writeText(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
}

TEST(Process, RunningProgramPathIsThisTest) {
    const std::string path = runningProgramPath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_TRUE(isFile(path));
    EXPECT_NE(path.find("platform_tests"), std::string::npos);
}

TEST(Process, StartsDetachedWithArgumentsAndNoStreams) {
    TempDir dir;
    const std::string marker = dir / "marker";
    // Writes its arguments, and whether stdin is /dev/null, then the marker.
    const std::string script = writeScript(
        dir, "run.sh",
        "out=\"$1\"; shift\n"
        "{ printf '%s|' \"$@\"; [ \"$(readlink /proc/self/fd/0)\" = /dev/null ] && echo null; } > \"$out.tmp\"\n"
        "mv \"$out.tmp\" \"$out\"\n");
    ASSERT_TRUE(startDetached(script, {marker, "two words", "$HOME", ""}));
    EXPECT_TRUE(waitForContent(marker, "two words|$HOME||null\n"));

    // No child is left for this process to reap: the detached program was
    // adopted elsewhere and the intermediate child was waited for.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

TEST(Process, FailsForProgramsThatCannotRun) {
    TempDir dir;
    EXPECT_FALSE(startDetached(dir / "missing"));
    EXPECT_FALSE(startDetached(""));
    EXPECT_FALSE(startDetached(dir.path()));  // a folder
    test::writeText(dir / "plain", "#!/bin/sh\n");
    ::chmod((dir / "plain").c_str(), 0644);
    EXPECT_FALSE(startDetached(dir / "plain"));  // no execute bit: refused even for root
    // Executable but not a format the system can run: exec itself fails.
    test::writeText(dir / "junk", "\x01\x02 not a program");
    ::chmod((dir / "junk").c_str(), 0755);
    EXPECT_FALSE(startDetached(dir / "junk"));
    // An interpreter line pointing nowhere fails in exec as well.
    const std::string bad = dir / "bad.sh";
    test::writeText(bad, "#!/nonexistent/interpreter\n");
    ::chmod(bad.c_str(), 0755);
    EXPECT_FALSE(startDetached(bad));
}

}  // namespace
}  // namespace lumbrel::platform

namespace lumbrel::platform {
namespace {

TEST(ProgramOutput, GivesWhatAProgramPrintsWithinItsLimitAndTime) {
    test::TempDir dir;
    const std::string echo = writeScript(dir, "echo.sh", "printf '%s|' \"$@\"; echo >&2 noise\n");
    EXPECT_EQ(programOutput(echo, {"a b", "c"}), "a b|c|");
    // Looked up in PATH when the name has no "/".
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir.path() + ":" + oldPath).c_str(), 1);
    EXPECT_EQ(programOutput("echo.sh", {"x"}), "x|");
    ::setenv("PATH", oldPath.c_str(), 1);

    // The limit cuts what is kept, not the program.
    const std::string many = writeScript(dir, "many.sh", "i=0; while [ $i -lt 2000 ]; do echo 0123456789; i=$((i+1)); done\n");
    const auto cut = programOutput(many, {}, 100);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->size(), 100u);

    EXPECT_FALSE(programOutput(writeScript(dir, "fail.sh", "echo partial; exit 3\n"), {}));
    EXPECT_FALSE(programOutput(dir / "missing", {}));
    EXPECT_FALSE(programOutput("", {}));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(programOutput(writeScript(dir, "hang.sh", "exec sleep 30\n"), {}, 1024, std::chrono::milliseconds(200)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));  // killed, not waited for
}

}  // namespace
}  // namespace lumbrel::platform

namespace lumbrel::platform {
namespace {

TEST(Process, StartsDetachedInTheGivenFolder) {
    TempDir dir;
    const std::string script = writeScript(dir, "where.sh", "pwd > \"$1.tmp\"; mv \"$1.tmp\" \"$1\"\n");
    test::writeText(dir / "work dir/keep", "");
    ASSERT_TRUE(startDetached(script, {dir / "marker"}, dir / "work dir"));
    EXPECT_TRUE(waitForContent(dir / "marker", dir / "work dir\n"));
    EXPECT_FALSE(startDetached(script, {dir / "marker"}, dir / "missing"));
}

TEST(RunProgram, WaitsForTheEndAndGivesTheStatus) {
    TempDir dir;
    // The program is still at work when it is first asked to run: the call
    // returns only once the file it writes last is there.
    const std::string script = writeScript(dir, "slow.sh", "sleep 0.2; printf '%s|' \"$@\" > \"$1\"; exit 4\n");
    EXPECT_EQ(runProgram(script, {dir / "out", "a b"}), 4);
    const auto bytes = test::readBytes(dir / "out");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), dir / "out|a b|");
    EXPECT_EQ(runProgram(writeScript(dir, "killed.sh", "kill -9 $$\n"), {}), 128 + 9);
    EXPECT_EQ(runProgram("sh", {"-c", "exit 0"}), 0);  // looked up in PATH
    EXPECT_EQ(runProgram(dir / "missing", {}), std::nullopt);
    EXPECT_EQ(runProgram("", {}), std::nullopt);
}

}  // namespace
}  // namespace lumbrel::platform
