#include "cli/settings_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "cli/run_cli.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace lumbrel::cli {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::Outcome;
using lumbrel::test::runCli;
using lumbrel::test::TempDir;
using lumbrel::test::writeText;

class CliSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
        ::setenv("LUMBREL_APPPATHS", (dir / "AppPaths.conf").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", (dir / "bin:" + oldPath_).c_str(), 1);
        fs::create_directories(home);
    }
    void TearDown() override {
        ::unsetenv("LUMBREL_APPPATHS");
        ::unsetenv("XDG_DATA_HOME");
        ::setenv("PATH", oldPath_.c_str(), 1);
    }
    Outcome cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home});
        return runCli(args);
    }
    std::string stored(const char* section, const char* key) const {
        return platform::Profile(platform::Profile::defaultPath()).readText(section, key, "(none)");
    }
    // A stand-in for the desktop's mail program lookup.
    void defaultMailProgram(const std::string& id) {
        writeText(dir / "bin/xdg-mime", "#!/bin/sh\necho " + id + "\n");
        ::chmod((dir / "bin/xdg-mime").c_str(), 0755);
        writeText(dir / "data/applications/" + id, "[Desktop Entry]\nExec=mailer %u\nIcon=mailer\n");
    }

    TempDir dir;
    std::string home = dir / "home";
    std::string oldPath_;
};

TEST_F(CliSettings, ListShowsEveryKeyWithItsTypeAndWhetherItIsStored) {
    writeText(dir / "xdg/Orrin/Lumbrel.conf", "[CameraImage]\nCopyImage=1\n[Settings]\nMailName=Eudora\n");
    const Outcome r = cli({"settings", "list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Settings\tSaveFolder\ttext\t" + home + "/Image Library\tdefault\n"), std::string::npos);
    EXPECT_NE(r.out.find("CameraImage\tCopyImage\tinteger\t1\tstored\n"), std::string::npos);
    EXPECT_NE(r.out.find("Settings\tInputTitle\tinteger\t1\tdefault\n"), std::string::npos);
    EXPECT_NE(r.out.find("Settings\tMailName\ttext\tEudora\tstored\n"), std::string::npos);
    EXPECT_NE(r.out.find("WinPositon\tcolumn4\tinteger\t150\tdefault\n"), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 30);

    EXPECT_EQ(cli({"settings", "get", "cameraimage", "copyimage"}).out, "1\n");
    EXPECT_EQ(cli({"settings", "get", "Communications", "BaudRate"}).out, "115200\n");
}

TEST_F(CliSettings, SetChecksTypesAndValuesAndRefusesUnknownKeys) {
    Outcome r = cli({"settings", "set", "Settings", "PrintButton", "yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "lumbrel-cli: Settings PrintButton takes a whole number, not \"yes\"\n");
    r = cli({"settings", "set", "Settings", "PrintButton", "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "lumbrel-cli: Settings PrintButton takes 0 or 1\n");
    r = cli({"settings", "set", "Settings", "Nothing", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("there is no setting Settings Nothing"), std::string::npos);
    EXPECT_EQ(cli({"settings", "get", "CameraImage", "MailName"}).status, 1);  // another section
    EXPECT_EQ(stored("Settings", "PrintButton"), "(none)");

    r = cli({"settings", "set", "settings", "printbutton", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Settings PrintButton = 1\n");
    EXPECT_EQ(stored("Settings", "PrintButton"), "1");
    ASSERT_EQ(cli({"settings", "set", "WinPositon", "left", "-40"}).status, 0);  // any number off the page
    EXPECT_EQ(stored("WinPositon", "left"), "-40");
    ASSERT_EQ(cli({"settings", "set", "Communications", "CommPort", "/dev/ttyUSB0"}).status, 0);
    EXPECT_EQ(stored("Communications", "CommPort"), "/dev/ttyUSB0");

    // What other commands change with what depends on it is not set alone.
    r = cli({"settings", "set", "Settings", "SaveFolder", dir / "elsewhere"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("move-root"), std::string::npos);
    r = cli({"settings", "set", "Settings", "TemplateBackNo", "3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("template set"), std::string::npos);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"settings"}, {"settings", "get", "Settings"},
                                                 {"settings", "set", "a", "b"}, {"settings", "remove"}})
        EXPECT_EQ(cli(args).status, 2);
}

TEST_F(CliSettings, AutomaticLoadingHasTheSetupPagesSideEffects) {
    writeText(home + "/Lumbrel.tmp", "/media/card\n");
    const std::string entry = dir / "xdg/autostart/Lumbrel supervisory.desktop";
    writeText(entry, "[Desktop Entry]\n");
    ASSERT_EQ(cli({"settings", "set", "CameraImage", "AutoTakeIn", "0"}).status, 0);
    EXPECT_FALSE(platform::exists(home + "/Lumbrel.tmp"));
    EXPECT_TRUE(platform::exists(entry));
    ASSERT_EQ(cli({"settings", "set", "CameraImage", "AutoTakeIn", "1"}).status, 0);
    EXPECT_FALSE(platform::exists(entry));
    EXPECT_EQ(stored("CameraImage", "AutoTakeIn"), "1");
}

TEST_F(CliSettings, MailListTellsWhatIsInstalledAndMailNameTakesOnlyThat) {
    defaultMailProgram("mailer.desktop");
    writeText(dir / "AppPaths.conf", "[EUDORA.EXE]\nPath=\"/opt/eudora/eudora\"\n");
    Outcome r = cli({"mail", "list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\tEmail software is not assigned\tinstalled\t\tchosen\n"
                     "1\tOutlook Express\tinstalled\t" + dir / "data/applications/mailer.desktop" + "\t\n"
                     "2\tOutlook\tnot installed\t\t\n"
                     "3\tEudora\tinstalled\t/opt/eudora/eudora\t\n");

    r = cli({"settings", "set", "Settings", "MailName", "Outlook"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"Outlook\" is not installed"), std::string::npos) << r.err;
    r = cli({"settings", "set", "Settings", "MailName", "Thunder"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is no mail program"), std::string::npos) << r.err;
    EXPECT_EQ(stored("Settings", "MailName"), "(none)");
    ASSERT_EQ(cli({"settings", "set", "Settings", "MailName", "Outlook Express"}).status, 0);
    EXPECT_EQ(stored("Settings", "MailName"), "Outlook Express");
    EXPECT_NE(cli({"mail", "list"}).out.find("Outlook Express\tinstalled\t" + dir / "data/applications/mailer.desktop" +
                                             "\tchosen\n"),
              std::string::npos);
}

// ---- template -----------------------------------------------------------------

class CliTemplate : public CliSettings {
protected:
    void install(const char* builtFile) {
        fs::create_directories(home + "/Plugins");
        fs::copy_file(builtFile, fs::path(home + "/Plugins") / fs::path(builtFile).filename());
    }
};

TEST_F(CliTemplate, ListMergesThePlugInsAndSetWritesTheFiveSettings) {
    install(LUMBREL_FAKE_PLUGIN_A);
    install(LUMBREL_FAKE_PLUGIN_B);
    Outcome r = cli({"template", "list"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string colours = "\tRed/white\tRed/gray\tBlue/white\tBlue/gray\tGray/black\n";
    EXPECT_EQ(r.out, "alpha\tfake_plugin_b.so\n"
                     "Beta\tfake_plugin_a.so" + colours +
                     "BETA\tfake_plugin_b.so\n"
                     "Charlie\tfake_plugin_b.so\n"
                     "delta\tfake_plugin_a.so" + colours +
                     "echo\tfake_plugin_b.so\n");

    r = cli({"template", "set", "delta", "blue/gray"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Template: delta / Background Blue/gray (fake_plugin_a.so, template 1, colour pattern 3)\n");
    EXPECT_EQ(stored("Settings", "TemplateType"), "delta");
    EXPECT_EQ(stored("Settings", "TemplateTypeNo"), "1");
    EXPECT_EQ(stored("Settings", "TemplateBackCol"), "Blue/gray");
    EXPECT_EQ(stored("Settings", "TemplateBackNo"), "3");
    EXPECT_EQ(stored("Settings", "DllPath"), "./Plugins/fake_plugin_a.so");

    // "Beta" and "BETA" differ only in case: the exact one is taken.
    r = cli({"template", "set", "BETA", ""});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(stored("Settings", "DllPath"), "./Plugins/fake_plugin_b.so");
    EXPECT_EQ(stored("Settings", "TemplateTypeNo"), "3");
    EXPECT_EQ(stored("Settings", "TemplateBackCol"), "");
    r = cli({"template", "set", "beta", "Red/white"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("several templates are called beta"), std::string::npos) << r.err;
    ASSERT_EQ(cli({"template", "set", "--plugin", "fake_plugin_a.so", "beta", "Red/white"}).status, 0);
    EXPECT_EQ(stored("Settings", "TemplateType"), "Beta");

    // Refusals leave the choice as it was.
    EXPECT_EQ(cli({"template", "set", "echo", "Red/white"}).status, 1);  // its plug-in has no colours
    EXPECT_EQ(cli({"template", "set", "delta", "Green"}).status, 1);
    EXPECT_EQ(cli({"template", "set", "zulu", ""}).status, 1);
    EXPECT_EQ(stored("Settings", "TemplateType"), "Beta");
    EXPECT_EQ(cli({"template", "set", "delta"}).status, 2);
}

}  // namespace
}  // namespace lumbrel::cli
