#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/temp_dir.h"

namespace lumbrel::platform {
namespace {

// A name no other test run on this machine uses at the same time.
std::string uniqueName(const char* tag) {
    return std::string("LumbrelTest!") + tag + "." + std::to_string(::getpid());
}

TEST(SingleInstance, SecondCopyRaisesTheFirst) {
    const std::string name = uniqueName("raise");
    SingleInstance first(name);
    ASSERT_TRUE(first.acquire());
    EXPECT_GE(first.fd(), 0);
    EXPECT_TRUE(first.acquire());  // already owned
    EXPECT_EQ(first.pollRaiseRequests([] {}), 0);

    {
        SingleInstance second(name);
        EXPECT_FALSE(second.acquire());
        EXPECT_EQ(second.fd(), -1);
        EXPECT_EQ(second.pollRaiseRequests([] { FAIL() << "not the owner"; }), 0);
    }

    int raised = 0;
    EXPECT_EQ(first.pollRaiseRequests([&] { ++raised; }), 1);
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(first.pollRaiseRequests([&] { ++raised; }), 0);
    EXPECT_EQ(raised, 1);
}

TEST(SingleInstance, NameIsFreeAgainAfterTheOwnerGoes) {
    const std::string name = uniqueName("free");
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.acquire());
    }
    SingleInstance again(name);
    EXPECT_TRUE(again.acquire());
    SingleInstance other(uniqueName("other"));
    EXPECT_TRUE(other.acquire());
}

TEST(FolderLock, IsExclusiveEvenWithinOneProcess) {
    test::TempDir dir;
    {
        FolderLock first(dir.path());
        ASSERT_TRUE(first.locked());
        FolderLock second(dir.path());
        EXPECT_FALSE(second.locked());
    }
    FolderLock afterRelease(dir.path());
    EXPECT_TRUE(afterRelease.locked());

    FolderLock missing(dir / "missing");
    EXPECT_FALSE(missing.locked());
    test::writeText(dir / "file", "x");
    FolderLock onFile(dir / "file");
    EXPECT_FALSE(onFile.locked());
}

}  // namespace
}  // namespace lumbrel::platform
