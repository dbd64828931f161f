#include "platform/desktop_entry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "support/temp_dir.h"

namespace lumbrel::platform {
namespace {

using test::TempDir;
using test::writeText;

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DesktopEntry, FoundInTheUsersDataFolderFirstThenTheSystemsWithVendorSubfolders) {
    TempDir dir;
    ScopedEnv home("XDG_DATA_HOME", dir / "home");
    ScopedEnv dirs("XDG_DATA_DIRS", dir / "usr" + ":relative:" + dir / "opt");
    writeText(dir / "home/applications/mail.desktop", "[Desktop Entry]\nName=Mine\nIcon=mine\n");
    writeText(dir / "usr/applications/mail.desktop", "[Desktop Entry]\nIcon=system\n");
    writeText(dir / "opt/applications/acme/reader.desktop", "[Other]\nIcon=wrong\n[Desktop Entry]\nIcon=acme-reader\n");

    EXPECT_EQ(findDesktopEntry("mail.desktop"), dir / "home/applications/mail.desktop");
    const auto vendor = findDesktopEntry("acme-reader.desktop");
    ASSERT_TRUE(vendor);
    EXPECT_EQ(*vendor, dir / "opt/applications/acme/reader.desktop");
    EXPECT_EQ(desktopEntryValue(*vendor, "Icon"), "acme-reader");
    EXPECT_EQ(desktopEntryValue(*vendor, "Exec"), "");

    EXPECT_FALSE(findDesktopEntry("missing.desktop"));
    EXPECT_FALSE(findDesktopEntry("../home/applications/mail.desktop"));  // not a plain name
    EXPECT_FALSE(findDesktopEntry("mail"));
    EXPECT_FALSE(findDesktopEntry(""));
}

TEST(DesktopEntry, DefaultHandlerComesFromXdgMime) {
    TempDir dir;
    const std::string fake = dir / "bin/xdg-mime";
    writeText(fake, "#!/bin/sh\n[ \"$*\" = 'query default x-scheme-handler/mailto' ] && echo org.example.Mail.desktop\n");
    ::chmod(fake.c_str(), 0755);
    ScopedEnv path("PATH", dir / "bin" + ":/usr/bin:/bin");
    EXPECT_EQ(defaultSchemeHandler("mailto"), "org.example.Mail.desktop");
    EXPECT_FALSE(defaultSchemeHandler("news"));  // the stand-in fails: no handler

    writeText(fake, "#!/bin/sh\n");  // prints nothing: none registered
    EXPECT_FALSE(defaultSchemeHandler("mailto"));
}

}  // namespace
}  // namespace lumbrel::platform

namespace lumbrel::platform {
namespace {

TEST(DesktopEntry, ExecValuesQuoteEveryArgumentAndEscapeTheValue) {
    EXPECT_EQ(execValue({"/opt/my app/run", "--home", "50% $HOME \"x\" `y`"}, "%u"),
              "\"/opt/my app/run\" \"--home\" \"50%% \\\\$HOME \\\\\"x\\\\\" \\\\`y\\\\`\" %u");
    EXPECT_EQ(execValue({"a\\b"}), "\"a\\\\\\\\b\"");  // the backslash escaped for Exec, then for the value
    EXPECT_EQ(desktopEntryString(" lead\ttab\nline"), "\\slead\\ttab\\nline");
    TempDir dir;
    {
        ScopedEnv data("XDG_DATA_HOME", dir / "data");
        EXPECT_EQ(dataHome(), dir / "data");
    }
    ScopedEnv data("XDG_DATA_HOME", "relative");
    ScopedEnv home("HOME", dir.path());
    EXPECT_EQ(dataHome(), dir / ".local/share");
}

}  // namespace
}  // namespace lumbrel::platform
