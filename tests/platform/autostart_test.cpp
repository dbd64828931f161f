#include "platform/autostart.h"

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

TEST(Autostart, FolderAndEntryBytes) {
    TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    const std::string folder = autostartFolder();
    if (saved) ::setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(folder, dir.path() + "/autostart");

    ASSERT_TRUE(writeAutostartEntry(folder, "Lumbrel", "/opt/My Apps/back\\slash \"q\" $x `y` 100%/lumbrel",
                                    "/opt/My Apps"));
    EXPECT_EQ(fileText(folder + "/Lumbrel.desktop"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Lumbrel\n"
              "Comment=\n"
              "Exec=\"/opt/My Apps/back\\\\\\\\slash \\\\\"q\\\\\" \\\\$x \\\\`y\\\\` 100%%/lumbrel\"\n"
              "Path=/opt/My Apps\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");

    // Written again in place, replacing the old entry.
    ASSERT_TRUE(writeAutostartEntry(folder, "Lumbrel", "/usr/bin/lumbrel", "/"));
    EXPECT_NE(fileText(folder + "/Lumbrel.desktop").find("Exec=\"/usr/bin/lumbrel\"\nPath=/\n"),
              std::string::npos);
}

TEST(Autostart, RejectsNamesThatAreNotFileNames) {
    TempDir dir;
    EXPECT_FALSE(writeAutostartEntry(dir.path(), "", "/bin/true", "/"));
    EXPECT_FALSE(writeAutostartEntry(dir.path(), "a/b", "/bin/true", "/"));
    test::writeText(dir / "file", "x");
    EXPECT_FALSE(writeAutostartEntry(dir / "file", "Lumbrel", "/bin/true", "/"));
}

}  // namespace
}  // namespace lumbrel::platform
