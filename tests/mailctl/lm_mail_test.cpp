// lm_mail.so as a page host loads it: dlopen, the C functions by name, the
// properties set by their script and PARAM names, a click that reaches the
// mail program through the system's own look-ups (an AppPaths file and PATH).

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "mailctl/lm_mail.h"
#include "media/imaging.h"
#include "platform/files.h"
#include "support/loaded_library.h"
#include "support/temp_dir.h"

namespace {

using lumbrel::test::TempDir;
using lumbrel::test::writeText;

std::string get(LmMailGetPropertyFn getProperty, const LmMailControl* control, const char* name) {
    const int32_t size = getProperty(control, name, nullptr, 0);
    if (size <= 0) return "(none)";
    std::string text(static_cast<std::size_t>(size), '\0');
    EXPECT_EQ(getProperty(control, name, text.data(), size), size);
    text.pop_back();
    return text;
}

TEST(LmMailLibrary, PropertiesByNameAndAClickThroughTheSystemLookups) {
    lumbrel::test::LoadedLibrary lib(LM_MAIL_SO);
    ASSERT_NE(lib.handle, nullptr) << ::dlerror();
    const auto create = lib.get<LmMailCreateFn>("LmMailCreate");
    const auto destroy = lib.get<LmMailDestroyFn>("LmMailDestroy");
    const auto setProperty = lib.get<LmMailSetPropertyFn>("LmMailSetProperty");
    const auto getProperty = lib.get<LmMailGetPropertyFn>("LmMailGetProperty");
    const auto doClick = lib.get<LmMailDoClickFn>("LmMailDoClick");
    ASSERT_TRUE(create && destroy && setProperty && getProperty && doClick);

    TempDir dir;
    const std::string library = dir / "lib";
    lumbrel::media::Image image{1600, 1200, std::vector<std::uint8_t>(1600 * 1200 * 3, 128)};
    ASSERT_TRUE(lumbrel::platform::makeDirectories(library));
    ASSERT_TRUE(lumbrel::media::saveJpeg(image, library + "/P0.JPG"));
    writeText(dir / "bin/xdg-mime", "#!/bin/sh\nexit 1\n");  // no default mail program
    writeText(dir / "bin/xdg-email", "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + dir / "args\n");
    ::chmod((dir / "bin/xdg-mime").c_str(), 0755);
    ::chmod((dir / "bin/xdg-email").c_str(), 0755);
    writeText(dir / "AppPaths.conf", "[EUDORA.EXE]\nPath=/opt/eudora/eudora\n");
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir / "bin:" + oldPath).c_str(), 1);
    ::setenv("LUMBREL_APPPATHS", (dir / "AppPaths.conf").c_str(), 1);

    LmMailControl* control = create();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(get(getProperty, control, "TempSize"), "0");
    EXPECT_EQ(setProperty(control, "imagepath", library.c_str()), 1);
    EXPECT_EQ(setProperty(control, "ImageFile", "P0.JPG"), 1);
    EXPECT_EQ(setProperty(control, "Mailer", "eudora"), 1);
    EXPECT_EQ(setProperty(control, "ImageSize", "1"), 1);
    EXPECT_EQ(setProperty(control, "ImageSize", "big"), 0);
    EXPECT_EQ(setProperty(control, "TempSize", "70000"), 0);
    EXPECT_EQ(setProperty(control, "Colour", "red"), 0);
    EXPECT_EQ(setProperty(control, nullptr, "x"), 0);
    EXPECT_EQ(get(getProperty, control, "MailName"), "eudora");
    EXPECT_EQ(get(getProperty, control, "TEMPSIZE"), "1");
    EXPECT_EQ(get(getProperty, control, "ImagePath"), library);
    EXPECT_EQ(get(getProperty, control, "Colour"), "(none)");
    char tooSmall[2] = {'x', 'y'};
    EXPECT_EQ(getProperty(control, "ImageFile", tooSmall, 2), 7);
    EXPECT_EQ(tooSmall[0], 'x');  // untouched

    doClick(control);
    ::setenv("PATH", oldPath.c_str(), 1);
    ::unsetenv("LUMBREL_APPPATHS");
    destroy(control);

    const auto args = lumbrel::test::readBytes(dir / "args");
    EXPECT_EQ(std::string(args.begin(), args.end()), "--attach\n" + library + "/tmp/P0.JPG\n");
    EXPECT_FALSE(lumbrel::platform::exists(library + "/tmp"));
}

}  // namespace
