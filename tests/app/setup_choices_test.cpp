#include "app/setup_choices.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <set>

#include "app/application.h"
#include "app/busy_flag.h"
#include "app/mail_software.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::app {
namespace {

using test::TempDir;
using test::writeText;

class SetupChoices : public ::testing::Test {
protected:
    TempDir dir;
    platform::Profile profile{dir / "cfg/Lumbrel.conf"};
    Settings settings{profile, dir / "home"};
    SetupPlaces places{dir / "home", dir / "autostart"};
    const std::string request = dir / "home/Lumbrel.tmp";
    const std::string entry = dir / "autostart/Lumbrel supervisory.desktop";
};

TEST_F(SetupChoices, EveryRadioWritesItsValueAndTheDefaultsAreThoseShown) {
    // A fresh profile shows the defaults: Classitication 0, InputTitle 1 and
    // every other choice 0.
    for (const SetupChoice& c : kSetupChoices)
        EXPECT_EQ(settings.get(*c.setting), c.setting == &setting::InputTitle ? 1 : 0) << c.text;
    std::set<const IntSetting*> keys;
    for (const SetupChoice& c : kSetupChoices) {
        keys.insert(c.setting);
        EXPECT_TRUE(isSetupChoice(*c.setting));
        ASSERT_TRUE(writeChoice(settings, *c.setting, c.value, places)) << c.text;
        EXPECT_EQ(settings.get(*c.setting), c.value) << c.text;
        EXPECT_TRUE(settings.stored(*c.setting));
    }
    EXPECT_EQ(keys.size(), 9u);  // two buttons per key
    EXPECT_FALSE(isSetupChoice(setting::TemplateBackNo));
    EXPECT_FALSE(isBusy());  // raised only while writing
}

TEST_F(SetupChoices, AutomaticLoadingOnDropsTheRequestAndOffTheAutostartEntry) {
    writeText(request, "/media/card\n");
    writeText(entry, "[Desktop Entry]\n");
    ASSERT_TRUE(writeChoice(settings, setting::AutoTakeIn, 0, places));
    EXPECT_FALSE(platform::exists(request));
    EXPECT_TRUE(platform::exists(entry));

    writeText(request, "/media/card\n");
    ASSERT_TRUE(writeChoice(settings, setting::AutoTakeIn, 1, places));
    EXPECT_FALSE(platform::exists(entry));
    EXPECT_TRUE(platform::exists(request));  // OFF leaves a request to the next start, which ignores it
    EXPECT_EQ(settings.get(setting::AutoTakeIn), 1);

    // Other keys touch neither file.
    writeText(entry, "[Desktop Entry]\n");
    ASSERT_TRUE(writeChoice(settings, setting::ShowDialog, 1, places));
    EXPECT_TRUE(platform::exists(entry));
    EXPECT_TRUE(platform::exists(request));
}

TEST_F(SetupChoices, AFailedWriteIsReported) {
    writeText(dir / "cfg", "a file where the settings folder should be");
    EXPECT_FALSE(writeChoice(settings, setting::PrintButton, 1, places));
    EXPECT_EQ(settings.get(setting::PrintButton), 0);
}

TEST(SettingTable, EverySettingOnceAndFoundIgnoringCase) {
    std::set<std::pair<std::string, std::string>> seen;
    for (const SettingEntry& e : settingTable()) {
        EXPECT_NE(e.integer == nullptr, e.text == nullptr) << e.key();
        EXPECT_TRUE(seen.insert({std::string(e.section()), std::string(e.key())}).second) << e.key();
    }
    EXPECT_EQ(seen.size(), 30u);
    const SettingEntry* found = findSetting("cameraimage", "CLASSITICATION");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->integer, &setting::Classitication);
    EXPECT_EQ(findSetting("Settings", "MailName")->text, &setting::MailName);
    EXPECT_EQ(findSetting("Settings", "AutoTakeIn"), nullptr);  // lives in CameraImage
    EXPECT_EQ(findSetting("Settings", "Nothing"), nullptr);
}

TEST(SettingTable, StoredTellsAMissingKeyFromAnyValue) {
    TempDir dir;
    platform::Profile profile{dir / "p.conf"};
    Settings settings{profile, dir.path()};
    EXPECT_FALSE(settings.stored(setting::MailName));
    EXPECT_EQ(settings.get(setting::MailName), "Email software is not assigned");
    settings.set(setting::MailName, "");
    EXPECT_TRUE(settings.stored(setting::MailName));
    EXPECT_EQ(settings.get(setting::MailName), "");
}

// ---- Mail programs ------------------------------------------------------------

MailLookup lookup(std::map<std::string, std::string> appPaths, std::optional<std::string> handler,
                  std::map<std::string, std::string> entries) {
    return {[appPaths](std::string_view file) -> std::optional<std::string> {
                const auto it = appPaths.find(std::string(file));
                return it == appPaths.end() ? std::nullopt : std::optional(it->second);
            },
            [handler] { return handler; },
            [entries](std::string_view id) -> std::optional<std::string> {
                const auto it = entries.find(std::string(id));
                return it == entries.end() ? std::nullopt : std::optional(it->second);
            }};
}

TEST(MailRows, TheDefaultMailProgramStandsForTheFirstAndAppPathsForTheOthers) {
    TempDir dir;
    writeText(dir / "mail.desktop", "[Desktop Entry]\nExec=mailer %u\nIcon=mailer-icon\n");
    auto rows = mailRows(lookup({{"EUDORA.EXE", "\"/opt/eudora/eudora\""}}, "mail.desktop",
                                {{"mail.desktop", dir / "mail.desktop"}}));
    ASSERT_EQ(rows.size(), 4u);
    const std::vector<std::string> names{"Email software is not assigned", "Outlook Express", "Outlook", "Eudora"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].name, names[i]);
        EXPECT_EQ(rows[i].index, static_cast<int>(i));
    }
    EXPECT_TRUE(rows[0].installed);
    EXPECT_TRUE(rows[1].installed);
    EXPECT_EQ(rows[1].program, dir / "mail.desktop");
    EXPECT_EQ(rows[1].icon, "mailer-icon");
    EXPECT_FALSE(rows[2].installed);
    EXPECT_FALSE(choosable(rows[2]));
    EXPECT_TRUE(rows[3].installed);
    EXPECT_EQ(rows[3].program, "/opt/eudora/eudora");  // quotes removed
    EXPECT_EQ(rows[3].icon, "eudora");

    // A handler whose desktop entry is gone does not count; an [msimn.exe]
    // entry does.
    rows = mailRows(lookup({}, "gone.desktop", {}));
    EXPECT_FALSE(rows[1].installed);
    EXPECT_TRUE(choosable(rows[0]));
    rows = mailRows(lookup({{"msimn.exe", "/usr/bin/mailer"}}, std::nullopt, {}));
    EXPECT_TRUE(rows[1].installed);
    EXPECT_EQ(rows[1].program, "/usr/bin/mailer");
}

TEST(MailRows, TheStoredNameChoosesItsRowExactlyElseRowZero) {
    const auto rows = mailRows(lookup({}, std::nullopt, {}));
    EXPECT_EQ(mailRowOf(rows, "Eudora"), 3u);
    EXPECT_EQ(mailRowOf(rows, "eudora"), 0u);
    EXPECT_EQ(mailRowOf(rows, "Mailer"), 0u);
}

TEST(MailRows, TheSystemLookupAsksXdgMimeAndTheAppPathsFile) {
    TempDir dir;
    writeText(dir / "bin/xdg-mime", "#!/bin/sh\necho thunder.desktop\n");
    ::chmod((dir / "bin/xdg-mime").c_str(), 0755);
    writeText(dir / "data/applications/thunder.desktop", "[Desktop Entry]\nIcon=thunder\n");
    writeText(dir / "AppPaths.conf", "[OUTLOOK.EXE]\nPath=/opt/outlook/outlook\n");
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir / "bin" + ":" + oldPath).c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ::setenv("LUMBREL_APPPATHS", (dir / "AppPaths.conf").c_str(), 1);
    const auto rows = mailRows();
    ::setenv("PATH", oldPath.c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("LUMBREL_APPPATHS");
    EXPECT_TRUE(rows[1].installed);
    EXPECT_EQ(rows[1].icon, "thunder");
    EXPECT_TRUE(rows[2].installed);
    EXPECT_EQ(rows[2].program, "/opt/outlook/outlook");
    EXPECT_FALSE(rows[3].installed);
}

}  // namespace
}  // namespace lumbrel::app
