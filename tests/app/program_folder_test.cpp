#include "app/program_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace lumbrel::app {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::TempDir;
using lumbrel::test::writeText;

// Sets or clears LUMBREL_HOME for one test and puts the old value back after.
class HomeVariable {
public:
    HomeVariable() {
        if (const char* v = std::getenv("LUMBREL_HOME")) saved_ = v;
    }
    ~HomeVariable() {
        if (saved_) ::setenv("LUMBREL_HOME", saved_->c_str(), 1);
        else ::unsetenv("LUMBREL_HOME");
    }
    void set(const std::string& value) { ::setenv("LUMBREL_HOME", value.c_str(), 1); }
    void clear() { ::unsetenv("LUMBREL_HOME"); }

private:
    std::optional<std::string> saved_;
};

TEST(FindProgramFolder, GivenHomeIsCreatedAndMadeCanonical) {
    TempDir dir;
    std::string error;
    const auto made = findProgramFolder(dir / "new/home/", error);
    ASSERT_TRUE(made) << error;
    EXPECT_EQ(*made, fs::canonical(dir.path()).string() + "/new/home");
    EXPECT_TRUE(fs::is_directory(*made));

    fs::create_directory(dir / "real");
    fs::create_directory_symlink(dir / "real", dir / "link");
    const auto linked = findProgramFolder(dir / "link/", error);
    ASSERT_TRUE(linked) << error;
    EXPECT_EQ(*linked, fs::canonical(dir / "real").string());
}

TEST(FindProgramFolder, HomeThatIsAFileIsRefused) {
    TempDir dir;
    writeText(dir / "file", "x");
    std::string error;
    EXPECT_FALSE(findProgramFolder(dir / "file", error));
    EXPECT_NE(error.find(dir / "file"), std::string::npos) << error;
}

TEST(FindProgramFolder, EnvironmentThenTheProgramsOwnFolder) {
    HomeVariable variable;
    TempDir fromEnvironment, given;
    std::string error;

    variable.set(fromEnvironment.path());
    auto found = findProgramFolder("", error);
    ASSERT_TRUE(found) << error;
    EXPECT_EQ(*found, fs::canonical(fromEnvironment.path()).string());

    found = findProgramFolder(given.path(), error);  // --home comes first
    ASSERT_TRUE(found) << error;
    EXPECT_EQ(*found, fs::canonical(given.path()).string());

    variable.set("");  // set but empty counts as not set
    found = findProgramFolder("", error);
    ASSERT_TRUE(found) << error;
    EXPECT_EQ(*found, fs::canonical("/proc/self/exe").parent_path().string());

    variable.clear();
    found = findProgramFolder("", error);
    ASSERT_TRUE(found) << error;
    EXPECT_EQ(*found, fs::canonical("/proc/self/exe").parent_path().string());
}

TEST(PluginsFolder, ItsOwnElseTheOneBesideTheProgram) {
    TempDir home;
    const std::string own = home / "Plugins";
    const fs::path beside = fs::canonical("/proc/self/exe").parent_path() / "Plugins";
    // Without a Plugins folder of its own, a program folder uses the one the
    // build or installation put beside the program, when there is one.
    EXPECT_EQ(pluginsFolder(home.path()), fs::is_directory(beside) ? beside.string() : own);
    fs::create_directories(own);
    EXPECT_EQ(pluginsFolder(home.path()), own);
}

}  // namespace
}  // namespace lumbrel::app
