// The desktop entry that hands the album pages' mail and print links to
// lumbrel-open-url, with a stand-in xdg-mime that keeps the defaults in a
// file and logs every call.

#include "app/url_handler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::app {
namespace {

using test::TempDir;
using test::writeText;

std::string readText(const std::string& path) {
    const auto bytes = test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

class UrlHandler : public testing::Test {
protected:
    TempDir dir;
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    void SetUp() override {
        // query default TYPE: the id stored for TYPE; default ID TYPE: stores it.
        writeText(dir / "bin/xdg-mime",
                  "#!/bin/sh\necho \"$*\" >> " + dir / "calls\n"
                  "case $1 in\n"
                  "query) f=" + dir.path() + "/default-$(echo $3 | tr / _); [ -f \"$f\" ] && cat \"$f\" ;;\n"
                  "default) echo $2 > " + dir.path() + "/default-$(echo $3 | tr / _) ;;\n"
                  "esac\n");
        ::chmod((dir / "bin/xdg-mime").c_str(), 0755);
        ::setenv("PATH", (dir / "bin:" + oldPath).c_str(), 1);
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", oldPath.c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
    }
    int defaultCalls() const {
        int n = 0;
        const std::string calls = readText(dir / "calls");
        for (std::size_t at = 0; (at = calls.find("default lumbrel", at)) != std::string::npos; ++at) ++n;
        return n;
    }
};

TEST_F(UrlHandler, RegistersOnceAndUnregisters) {
    const std::string entry = dir / "data/applications/lumbrel-url-handler.desktop";
    EXPECT_EQ(urlHandlerEntryPath(), entry);
    ASSERT_TRUE(registerUrlHandler("/opt/lumbrel/lumbrel-open-url", ""));
    EXPECT_EQ(readText(entry),
              "[Desktop Entry]\nType=Application\nName=Lumbrel mail and print buttons\n"
              "Exec=\"/opt/lumbrel/lumbrel-open-url\" %u\nNoDisplay=true\nTerminal=false\n"
              "MimeType=x-scheme-handler/lumbrel-mail;x-scheme-handler/lumbrel-print;\n");
    EXPECT_EQ(readText(dir / "default-x-scheme-handler_lumbrel-mail"), "lumbrel-url-handler.desktop\n");
    EXPECT_EQ(readText(dir / "default-x-scheme-handler_lumbrel-print"), "lumbrel-url-handler.desktop\n");
    EXPECT_EQ(defaultCalls(), 2);

    // Again: nothing to change, nothing made default a second time.
    ASSERT_TRUE(registerUrlHandler("/opt/lumbrel/lumbrel-open-url", ""));
    registerUrlHandlerIfStale("/opt/lumbrel/lumbrel-open-url", "");
    EXPECT_EQ(defaultCalls(), 2);

    // Another program folder: the entry names it.
    registerUrlHandlerIfStale("/opt/lumbrel/lumbrel-open-url", "/home/a/my photos");
    EXPECT_NE(readText(entry).find("Exec=\"/opt/lumbrel/lumbrel-open-url\" \"--home\" \"/home/a/my photos\" %u\n"),
              std::string::npos);

    EXPECT_TRUE(unregisterUrlHandler());
    EXPECT_FALSE(platform::exists(entry));
    EXPECT_TRUE(unregisterUrlHandler());
}

TEST_F(UrlHandler, AMissingXdgMimeIsIgnored) {
    ::setenv("PATH", (dir / "nowhere").c_str(), 1);
    EXPECT_TRUE(registerUrlHandler("/opt/lumbrel/lumbrel-open-url", ""));
    EXPECT_TRUE(platform::isFile(urlHandlerEntryPath()));
    // Neither a data folder nor a program: nothing is written.
    ::unsetenv("XDG_DATA_HOME");
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::unsetenv("HOME");
    EXPECT_EQ(urlHandlerEntryPath(), "");
    EXPECT_FALSE(registerUrlHandler("/opt/lumbrel/lumbrel-open-url", ""));
    ::setenv("HOME", home.c_str(), 1);
    EXPECT_FALSE(registerUrlHandler("", ""));
}

TEST_F(UrlHandler, TheProgramFolderIsNamedOnlyWhenItIsAnotherOne) {
    platform::makeDirectories(dir / "bin");
    platform::makeDirectories(dir / "home");
    EXPECT_EQ(homeArgument(dir / "bin/lumbrel-open-url", dir / "bin"), "");
    EXPECT_EQ(homeArgument(dir / "bin/lumbrel-open-url", dir / "bin/../bin/"), "");
    EXPECT_EQ(homeArgument(dir / "bin/lumbrel-open-url", dir / "home"), dir / "home");
}

}  // namespace
}  // namespace lumbrel::app
