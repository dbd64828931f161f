#include "platform/profile.h"
#include "platform/app_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace lumbrel::platform {
namespace {

using test::TempDir;

std::string fileText(const std::string& path) {
    const auto b = test::readBytes(path);
    return {b.begin(), b.end()};
}

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Profile, MissingFileReadsDefaults) {
    TempDir dir;
    const Profile profile(dir / "none/Lumbrel.conf");
    EXPECT_EQ(profile.readInt("Window", "Width", 640), 640);
    EXPECT_EQ(profile.readText("Window", "Title", "dflt"), "dflt");
}

TEST(Profile, WritesCreateFolderAndRoundTrip) {
    TempDir dir;
    Profile profile(dir / "a/b/Lumbrel.conf");
    const std::string tricky = "  C:\\Photos\\new\nline\r=x=\\n";
    ASSERT_TRUE(profile.writeText("Paths", "Target", tricky));
    ASSERT_TRUE(profile.writeInt("Window", "Left", -120));
    ASSERT_TRUE(profile.writeText("Paths", "Empty", ""));
    ASSERT_TRUE(profile.writeInt("Camera", "USB/Serial", 123456));

    EXPECT_EQ(profile.readText("Paths", "Target", ""), tricky);
    EXPECT_EQ(profile.readText("Paths", "Empty", "dflt"), "");
    EXPECT_EQ(profile.readInt("Window", "Left", 0), -120);
    EXPECT_EQ(profile.readInt("Camera", "USB/Serial", 0), 123456);
    EXPECT_EQ(fileText(profile.path()),
              "[Paths]\n"
              "Target=  C:\\\\Photos\\\\new\\nline\\r=x=\\\\n\n"
              "Empty=\n"
              "\n"
              "[Window]\n"
              "Left=-120\n"
              "\n"
              "[Camera]\n"
              "USB/Serial=123456\n");
}

TEST(Profile, MatchingIsExact) {
    TempDir dir;
    test::writeText(dir / "p.conf",
                    "top=1\n"
                    "[Window]\n"
                    "width=2\n"
                    "Width =3\n"
                    "Width=4\n"
                    "[window]\n"
                    "Width=5\n");
    const Profile profile(dir / "p.conf");
    EXPECT_EQ(profile.readInt("Window", "Width", 0), 4);
    EXPECT_EQ(profile.readInt("window", "Width", 0), 5);
    EXPECT_EQ(profile.readInt("Window", "width", 0), 2);
    EXPECT_EQ(profile.readInt("Window", "top", 0), 0);  // keys before any section are in none
    EXPECT_EQ(profile.readInt("", "top", 0), 1);
}

TEST(Profile, IntegersThatAreNotWholeNumbersReadAsDefault) {
    TempDir dir;
    test::writeText(dir / "p.conf",
                    "[N]\nok=-7\nplus=+7\nspace= 7\nfrac=7.5\ntext=abc\nempty=\nbig=99999999999\n"
                    "trail=7x\nmin=-2147483648\n");
    const Profile profile(dir / "p.conf");
    EXPECT_EQ(profile.readInt("N", "ok", 1), -7);
    EXPECT_EQ(profile.readInt("N", "min", 1), -2147483647 - 1);
    for (const char* key : {"plus", "space", "frac", "text", "empty", "big", "trail"})
        EXPECT_EQ(profile.readInt("N", key, 42), 42) << key;
}

TEST(Profile, WriteKeepsEverythingElse) {
    TempDir dir;
    const std::string original =
        "; comment\n"
        "orphan=1\n"
        "[A]\n"
        "x=1\n"
        "not a key line\n"
        "y=\\\\keep\n"
        "\n"
        "[B]\n"
        "z=3\n";
    test::writeText(dir / "p.conf", original);
    Profile profile(dir / "p.conf");

    ASSERT_TRUE(profile.writeInt("A", "x", 10));      // changed in place
    ASSERT_TRUE(profile.writeText("A", "new", "v"));  // after the last line of [A], before the blank line
    ASSERT_TRUE(profile.writeInt("C", "w", 4));       // new section at the end
    EXPECT_EQ(fileText(profile.path()),
              "; comment\n"
              "orphan=1\n"
              "[A]\n"
              "x=10\n"
              "not a key line\n"
              "y=\\\\keep\n"
              "new=v\n"
              "\n"
              "[B]\n"
              "z=3\n"
              "\n"
              "[C]\n"
              "w=4\n");
    EXPECT_EQ(profile.readText("A", "y", ""), "\\keep");
    EXPECT_EQ(profile.readInt("B", "z", 0), 3);
}

TEST(Profile, CrLfFileIsReadAndExtended) {
    TempDir dir;
    test::writeText(dir / "p.conf", "[A]\r\nx=1\r\n");
    Profile profile(dir / "p.conf");
    EXPECT_EQ(profile.readInt("A", "x", 0), 1);
    ASSERT_TRUE(profile.writeInt("A", "y", 2));
    EXPECT_EQ(profile.readInt("A", "y", 0), 2);
    EXPECT_EQ(fileText(profile.path()), "[A]\r\nx=1\r\ny=2\n");
}

TEST(Profile, RejectsNamesTheFileCannotHold) {
    TempDir dir;
    Profile profile(dir / "p.conf");
    EXPECT_FALSE(profile.writeInt("A", "a=b", 1));
    EXPECT_FALSE(profile.writeInt("A", "", 1));
    EXPECT_FALSE(profile.writeInt("A", "line\nbreak", 1));
    EXPECT_FALSE(profile.writeInt("A]", "k", 1));
    EXPECT_FALSE(test::readBytes(profile.path()).size());
}

TEST(Profile, FolderThatCannotBeCreatedFailsTheWrite) {
    TempDir dir;
    test::writeText(dir / "file", "x");
    Profile profile(dir / "file/sub/p.conf");
    EXPECT_FALSE(profile.writeInt("A", "k", 1));
}

TEST(Profile, ConfigHomeFollowsEnvironment) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg/conf");
        EXPECT_EQ(configHome(), "/xdg/conf");
        EXPECT_EQ(Profile::defaultPath(), "/xdg/conf/Orrin/Lumbrel.conf");
    }
    ScopedEnv home("HOME", "/home/tester");
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/conf"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", value);
        EXPECT_EQ(configHome(), "/home/tester/.config");
    }
}

}  // namespace
}  // namespace lumbrel::platform

namespace lumbrel::platform {
namespace {

// A program's entry: its Path from the file LUMBREL_APPPATHS names, or from the
// per-user file when none is named; an empty Path is no entry.
TEST(AppPaths, PathOfAProgramsEntry) {
    test::TempDir dir;
    test::writeText(dir / "apps.conf", std::string_view("[Pressa.exe]\nPath=/opt/pressa\n[msimn.exe]\nPath=\n"));
    {
        ScopedEnv named("LUMBREL_APPPATHS", (dir / "apps.conf").c_str());
        EXPECT_EQ(appPath("Pressa.exe"), "/opt/pressa");
        EXPECT_EQ(appPath("msimn.exe"), std::nullopt);
        EXPECT_EQ(appPath("pressa.exe"), std::nullopt);  // names are matched exactly
    }
    ScopedEnv none("LUMBREL_APPPATHS", nullptr);
    ScopedEnv config("XDG_CONFIG_HOME", dir.path().c_str());
    test::writeText(dir / "Orrin/AppPaths.conf", std::string_view("[EUDORA.EXE]\nPath=/usr/lib/mailer\n"));
    EXPECT_EQ(appPath("EUDORA.EXE"), "/usr/lib/mailer");
    EXPECT_EQ(appPath("Pressa.exe"), std::nullopt);
}

}  // namespace
}  // namespace lumbrel::platform
