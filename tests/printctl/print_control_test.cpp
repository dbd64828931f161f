// The print-launch control: its command line, how the print program reads
// it, the two attempts, and LM_QM.so started for real against a stand-in
// print program that records its working folder and arguments.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files.h"
#include "printctl/LM_QM.h"
#include "printctl/command_line.h"
#include "printctl/print_control.h"
#include "support/loaded_library.h"
#include "support/temp_dir.h"

namespace lumbrel::printctl {
namespace {

using Args = std::vector<std::string>;

TEST(PrintCommandLine, ThePiecesAndTheLoneClosingQuote) {
    EXPECT_EQ(commandLine("/opt/pressa", "/lib/20240305", "P1.JPG"),
              "/opt/pressa/Pressa.exe /i \"/lib/20240305/HTML/INDEX.HTM\" /f \"/lib/20240305/P1.JPG\" /s off\"");
    // The title menu's button: no picture, no /f piece.
    EXPECT_EQ(commandLine("/opt/pressa", "/lib/20240305", ""),
              "/opt/pressa/Pressa.exe /i \"/lib/20240305/HTML/INDEX.HTM\" /s off\"");
    EXPECT_EQ(commandLine("/opt/pressa", "", ""), "/opt/pressa/Pressa.exe /s off\"");
    // A picture without a folder still gets its piece, as the line is built.
    EXPECT_EQ(commandLine("/p", "", "a.jpg"), "/p/Pressa.exe /f \"/a.jpg\" /s off\"");
}

TEST(PrintCommandLine, SplitAsTheMicrosoftRuntimeReadsIt) {
    struct Case { const char* line; Args args; };
    const Case cases[] = {
        {" /s off\"", {"/s", "off"}},  // the lone quote opens a piece that nothing closes
        {" /i \"/my lib/HTML/INDEX.HTM\" /s off\"", {"/i", "/my lib/HTML/INDEX.HTM", "/s", "off"}},
        {"a\tb  c", {"a", "b", "c"}},
        {"\"open to the end", {"open to the end"}},
        {"x\" y", {"x y"}},
        {"\"\" a", {"", "a"}},
        {"a\"\"b", {"ab"}},
        {"\"a\"\"b\"", {"a\"b"}},             // two quotes inside a quoted piece give one
        {"a\\\\\"b c\"", {"a\\b c"}},         // 2n backslashes: n, and the quote opens
        {"a\\\"b c", {"a\"b", "c"}},          // 2n+1: n and a literal quote
        {"a\\b\\\\ c\\", {"a\\b\\\\", "c\\"}},  // backslashes before anything else stay
        {"", {}},
        {"   ", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitArguments(c.line), c.args) << "[" << c.line << "]";
}

struct Launch {
    std::string program;
    Args args;
    std::string folder;
};

TEST(PrintControl, TwoAttemptsFromTheAppPathsFolder) {
    std::vector<Launch> launches;
    int failuresLeft = 1;
    std::optional<std::string> path = "/opt/my pressa";
    PrintServices services{[&](std::string_view file) -> std::optional<std::string> {
                               EXPECT_EQ(file, "Pressa.exe");
                               return path;
                           },
                           [&](const std::string& program, const Args& args, const std::string& folder) {
                               launches.push_back({program, args, folder});
                               return failuresLeft-- <= 0;
                           }};

    // The first start fails, the second is taken.
    EXPECT_EQ(doClick({"/lib/20240401_1/101KDCAM", "KDC_0101.JPG"}, services), PrintOutcome::Started);
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[1].program, "/opt/my pressa/Pressa.exe");
    EXPECT_EQ(launches[1].folder, "/opt/my pressa");
    EXPECT_EQ(launches[1].args, (Args{"/i", "/lib/20240401_1/101KDCAM/HTML/INDEX.HTM", "/f",
                                      "/lib/20240401_1/101KDCAM/KDC_0101.JPG", "/s", "off"}));

    // Two failures: the click ends there.
    launches.clear();
    failuresLeft = 5;
    EXPECT_EQ(doClick({"", ""}, services), PrintOutcome::StartFailed);
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].args, (Args{"/s", "off"}));

    // No entry, or one without a Path: nothing is started.
    launches.clear();
    for (const std::optional<std::string>& none : {std::optional<std::string>(), std::optional<std::string>("")}) {
        path = none;
        EXPECT_EQ(doClick({"/lib", ""}, services), PrintOutcome::NoProgram);
    }
    EXPECT_TRUE(launches.empty());
}

TEST(PrintControl, PropertiesByNameIgnoringCase) {
    PrintProperties p;
    EXPECT_TRUE(setProperty(p, "imagepath", "/lib"));
    EXPECT_TRUE(setProperty(p, "IMAGEFILE", "a.jpg"));
    EXPECT_FALSE(setProperty(p, "Mailer", "x"));
    EXPECT_EQ(property(p, "ImagePath"), "/lib");
    EXPECT_EQ(property(p, "ImageFile"), "a.jpg");
    EXPECT_EQ(property(p, "ImageSize"), std::nullopt);
}

TEST(LmQmLibrary, StartsThePrintProgramInItsFolderAndTellsItsVersion) {
    test::LoadedLibrary lib(LM_QM_SO);
    ASSERT_NE(lib.handle, nullptr) << ::dlerror();
    const auto create = lib.get<LmQmCreateFn>("LmQmCreate");
    const auto destroy = lib.get<LmQmDestroyFn>("LmQmDestroy");
    const auto setProperty = lib.get<LmQmSetPropertyFn>("LmQmSetProperty");
    const auto doClick = lib.get<LmQmDoClickFn>("LmQmDoClick");
    const auto aboutBox = lib.get<LmQmAboutBoxFn>("LmQmAboutBox");
    ASSERT_TRUE(create && destroy && setProperty && doClick && aboutBox);

    test::TempDir dir;
    const std::string folder = dir / "print program";
    // The record is written under another name and renamed, so a reader never
    // sees half of it.
    test::writeText(folder + "/Pressa.exe", "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > " + dir / "rec.part\nmv " +
                                                dir / "rec.part " + dir / "rec\n");
    ::chmod((folder + "/Pressa.exe").c_str(), 0755);
    test::writeText(dir / "AppPaths.conf", "[Pressa.exe]\nPath=" + folder + "\n");
    ::setenv("LUMBREL_APPPATHS", (dir / "AppPaths.conf").c_str(), 1);

    LmQmControl* control = create();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(setProperty(control, "ImagePath", "/lib/20240305"), 1);
    EXPECT_EQ(setProperty(control, "ImageFile", "P 1.JPG"), 1);
    EXPECT_EQ(setProperty(control, "ImageSize", "0"), 0);
    doClick(control);
    ::unsetenv("LUMBREL_APPPATHS");

    testing::internal::CaptureStdout();
    aboutBox(control);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "LM_QM Control, Version 2.0.1E\n");
    destroy(control);

    // The print program runs on its own: wait for its record (it is started
    // at once; the bound only keeps a broken run from hanging the suite).
    for (int i = 0; i < 1000 && !platform::exists(dir / "rec"); ++i) ::usleep(10'000);
    const auto rec = test::readBytes(dir / "rec");
    EXPECT_EQ(std::string(rec.begin(), rec.end()),
              folder + "\n/i\n/lib/20240305/HTML/INDEX.HTM\n/f\n/lib/20240305/P 1.JPG\n/s\noff\n");
}

}  // namespace
}  // namespace lumbrel::printctl
