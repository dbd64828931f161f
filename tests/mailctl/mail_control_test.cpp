// The mail control with a stand-in mail program: a shell script that records
// its arguments and copies the attachment it is given, so a test sees what
// the mail program got at the moment it ran, after the copy is gone.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sys/stat.h>

#include <map>

#include "mailctl/compose_command.h"
#include "mailctl/mail_control.h"
#include "mailctl/shrunk_copy.h"
#include "media/imaging.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace lumbrel::mailctl {
namespace {

using test::TempDir;
using test::writeText;

std::string readText(const std::string& path) {
    const auto bytes = test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

void writeScript(const std::string& path, const std::string& body) {
    writeText(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
}

void writePicture(const std::string& path, int width, int height) {
    media::Image image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3, 90)};
    ASSERT_TRUE(media::saveJpeg(image, path, 85));
}

// A library folder with pictures, stand-ins for xdg-email and for a
// Thunderbird installed through AppPaths, and the services that find them.
struct MailFixture {
    TempDir dir;
    std::string library = dir / "Image Library/20240305";
    std::map<std::string, std::string> appPaths;
    std::optional<std::string> mailtoHandler;
    std::map<std::string, std::string> entries;
    int runs = 0;

    MailFixture() {
        platform::makeDirectories(library);
        // Each records its arguments and copies its attachment (or notes it missing).
        writeScript(dir / "bin/xdg-email",
                    "printf '%s\\n' \"$0\" \"$@\" > " + dir / "args\n"
                    "cp \"$2\" " + dir / "received" + " || echo missing > " + dir / "args\n");
        writeScript(dir / "bin/thunderbird",
                    "printf '%s\\n' \"$0\" \"$@\" > " + dir / "args\n"
                    "f=$(printf %s \"$2\" | sed \"s|^attachment='file://||; s|'\\$||; s|%20| |g\")\n"
                    "cp \"$f\" " + dir / "received" + " || echo missing > " + dir / "args\n");
        writeScript(dir / "bad/thunderbird", "exit 3\n");
    }

    MailServices services() {
        MailServices s;
        s.lookup = {[this](std::string_view file) -> std::optional<std::string> {
                        const auto it = appPaths.find(std::string(file));
                        return it == appPaths.end() ? std::nullopt : std::optional(it->second);
                    },
                    [this] { return mailtoHandler; },
                    [this](std::string_view id) -> std::optional<std::string> {
                        const auto it = entries.find(std::string(id));
                        return it == entries.end() ? std::nullopt : std::optional(it->second);
                    }};
        s.run = [this](const std::string& program, const std::vector<std::string>& args) {
            ++runs;
            return platform::runProgram(program == "xdg-email" ? dir / "bin/xdg-email" : program, args);
        };
        return s;
    }

    MailResult click(const std::string& file, const std::string& mailName, int sizeCode = 0) {
        return doClick({library, file, mailName, static_cast<std::int16_t>(sizeCode)}, services());
    }

    std::vector<std::string> args() const {
        std::vector<std::string> lines;
        std::string text = readText(dir / "args");
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            lines.push_back(text.substr(at, end - at));
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    }
    std::pair<int, int> receivedSize() const {
        const auto image = media::loadJpegFile(dir / "received");
        return image ? std::pair{image->width, image->height} : std::pair{0, 0};
    }
};

TEST(FitRule, BoxesAndTheFourToThreeBoundary) {
    EXPECT_EQ(boxOf(0), std::pair(640, 480));
    EXPECT_EQ(boxOf(1), std::pair(320, 240));
    EXPECT_EQ(boxOf(-1), std::pair(320, 240));
    struct Case { int w, h, code; std::optional<std::pair<int, int>> size; };
    const Case cases[] = {
        {1600, 1200, 0, std::pair(640, 480)}, {1600, 1200, 1, std::pair(320, 240)},
        {1200, 1600, 0, std::pair(360, 480)}, {640, 480, 0, std::nullopt},
        {320, 240, 1, std::nullopt},          {2000, 500, 0, std::pair(640, 160)},
        // Just wider than 4:3: the width binds, so the result stays inside the box.
        {641, 480, 0, std::pair(640, 479)},   {640, 481, 0, std::pair(638, 480)},
        {10000, 1, 0, std::pair(640, 1)},     {0, 100, 0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fittedSize(c.w, c.h, boxOf(c.code)), c.size) << c.w << " x " << c.h << " code " << c.code;
}

TEST(MailControl, LargePicturesGoShrunkAndTheCopyIsGoneAfterwards) {
    MailFixture f;
    f.appPaths["EUDORA.EXE"] = f.dir / "bin/thunderbird";
    writePicture(f.library + "/WIDE.JPG", 1600, 1200);
    writePicture(f.library + "/TALL.JPG", 1200, 1600);
    struct Case { const char* file; int code; std::pair<int, int> size; };
    for (const Case& c : {Case{"WIDE.JPG", 0, {640, 480}}, Case{"WIDE.JPG", 1, {320, 240}},
                          Case{"TALL.JPG", 0, {360, 480}}}) {
        const MailResult result = f.click(c.file, "Eudora", c.code);
        EXPECT_EQ(result.outcome, MailOutcome::Composed) << c.file;
        EXPECT_TRUE(result.shrunk);
        EXPECT_EQ(result.attached, f.library + "/tmp/" + c.file);
        const auto args = f.args();
        ASSERT_EQ(args.size(), 3u) << readText(f.dir / "args");
        EXPECT_EQ(args[0], f.dir / "bin/thunderbird");
        EXPECT_EQ(args[1], "-compose");
        EXPECT_EQ(args[2], "attachment='file://" + f.library.substr(0, f.library.find(' ')) + "%20Library/20240305/tmp/" +
                               c.file + "'");
        EXPECT_EQ(f.receivedSize(), c.size) << c.file << " code " << c.code;
        EXPECT_FALSE(platform::exists(f.library + "/tmp")) << "the copy and its folder stay behind";
    }
}

// A compose command that returns at once has handed the message to a mail
// program that was running already: the copy stays for it, and goes when the
// deferred removal runs. One that takes longer has had its mail program read
// the copy: it goes at once.
TEST(MailControl, AHandedOverCopyStaysUntilItsRemovalRuns) {
    MailFixture f;
    f.appPaths["EUDORA.EXE"] = f.dir / "bin/thunderbird";
    writePicture(f.library + "/WIDE.JPG", 1600, 1200);
    MailServices services = f.services();
    services.handOver = std::chrono::hours(1);
    std::function<void()> removal;
    services.removeLater = [&](std::function<void()> later) {
        removal = std::move(later);
        return true;
    };
    const MailResult result = doClick({f.library, "WIDE.JPG", "Eudora", 0}, services);
    EXPECT_EQ(result.outcome, MailOutcome::Composed);
    EXPECT_TRUE(result.removalDeferred);
    EXPECT_TRUE(platform::isFile(f.library + "/tmp/WIDE.JPG"));
    ASSERT_TRUE(removal);
    removal();
    EXPECT_FALSE(platform::exists(f.library + "/tmp"));

    // No way to run it later: removed at once, as when the command takes long.
    services.removeLater = [](std::function<void()>) { return false; };
    EXPECT_FALSE(doClick({f.library, "WIDE.JPG", "Eudora", 0}, services).removalDeferred);
    EXPECT_FALSE(platform::exists(f.library + "/tmp"));
    services.handOver = std::chrono::milliseconds(0);
    services.removeLater = [&](std::function<void()>) { return true; };
    EXPECT_FALSE(doClick({f.library, "WIDE.JPG", "Eudora", 0}, services).removalDeferred);
    EXPECT_FALSE(platform::exists(f.library + "/tmp"));
}

TEST(MailControl, ASmallPictureOrAMovieGoesAsItIs) {
    MailFixture f;
    f.mailtoHandler = "mailer.desktop";
    f.entries["mailer.desktop"] = f.dir / "mailer.desktop";
    writeText(f.dir / "mailer.desktop", "[Desktop Entry]\nExec=mailer %u\n");
    writePicture(f.library + "/SMALL.JPG", 640, 480);
    writeText(f.library + "/M0.AVI", "RIFF\x10\0\0\0AVI LIST");

    for (const std::string file : {"SMALL.JPG", "M0.AVI"}) {
        // The row's name in lower case still chooses it; a program this code
        // does not know gets the desktop's xdg-email.
        const MailResult result = f.click(file, "outlook express");
        EXPECT_EQ(result.outcome, MailOutcome::Composed) << file;
        EXPECT_FALSE(result.shrunk);
        EXPECT_EQ(f.args(), (std::vector<std::string>{f.dir / "bin/xdg-email", "--attach", f.library + "/" + file}));
        EXPECT_EQ(test::readBytes(f.dir / "received"), test::readBytes(f.library + "/" + file));
        EXPECT_FALSE(platform::exists(f.library + "/tmp"));
    }
}

TEST(MailControl, NothingHappensWithoutAnInstalledProgramOfTheTable) {
    MailFixture f;
    f.appPaths["OUTLOOK.EXE"] = "";  // an entry without a program is no installation
    writePicture(f.library + "/WIDE.JPG", 1600, 1200);
    for (const std::string name : {"", "Email software is not assigned", "email software is not assigned", "Pegasus"})
        EXPECT_EQ(f.click("WIDE.JPG", name).outcome, MailOutcome::NoMailProgram) << name;
    f.appPaths.clear();
    for (const std::string name : {"Outlook", "EUDORA", "Outlook Express"})
        EXPECT_EQ(f.click("WIDE.JPG", name).outcome, MailOutcome::NotInstalled) << name;
    EXPECT_EQ(f.runs, 0);
    EXPECT_FALSE(platform::exists(f.library + "/tmp"));
}

TEST(MailControl, AUsersOwnTmpFolderAndFilesAreLeftAlone) {
    MailFixture f;
    f.appPaths["OUTLOOK.EXE"] = "\"" + f.dir / "bin/thunderbird" + "\"";
    writePicture(f.library + "/WIDE.JPG", 1600, 1200);
    writeText(f.library + "/tmp/notes.txt", "mine");

    // tmp holds other files: the copy goes in beside them, and only the copy goes.
    MailResult result = f.click("WIDE.JPG", "Outlook");
    EXPECT_EQ(result.attached, f.library + "/tmp/WIDE.JPG");
    EXPECT_EQ(f.receivedSize(), std::pair(640, 480));
    EXPECT_EQ(readText(f.library + "/tmp/notes.txt"), "mine");
    EXPECT_FALSE(platform::exists(f.library + "/tmp/WIDE.JPG"));

    // tmp holds a file of the picture's name: it is not overwritten; the copy
    // goes into a private folder that is removed afterwards.
    writeText(f.library + "/tmp/WIDE.JPG", "my own file");
    result = f.click("WIDE.JPG", "Outlook");
    EXPECT_TRUE(result.shrunk);
    EXPECT_NE(platform::parentPath(result.attached), f.library + "/tmp");
    EXPECT_EQ(f.receivedSize(), std::pair(640, 480));
    EXPECT_EQ(readText(f.library + "/tmp/WIDE.JPG"), "my own file");
    EXPECT_FALSE(platform::exists(std::string(platform::parentPath(result.attached))));

    // tmp is a file: the private folder again.
    platform::deleteTree(f.library + "/tmp");
    writeText(f.library + "/tmp", "a file");
    result = f.click("WIDE.JPG", "Outlook");
    EXPECT_TRUE(result.shrunk);
    EXPECT_EQ(readText(f.library + "/tmp"), "a file");
    EXPECT_FALSE(platform::exists(std::string(platform::parentPath(result.attached))));
}

TEST(MailControl, AFailingMailProgramStillLeavesNoCopy) {
    MailFixture f;
    writePicture(f.library + "/WIDE.JPG", 1600, 1200);
    for (const std::string& program : {f.dir / "bad/thunderbird", f.dir / "gone/thunderbird"}) {
        f.appPaths["EUDORA.EXE"] = program;
        EXPECT_EQ(f.click("WIDE.JPG", "Eudora").outcome, MailOutcome::ComposeFailed) << program;
        EXPECT_FALSE(platform::exists(f.library + "/tmp"));
    }
    // A picture that cannot be decoded is attached as it is.
    writeText(f.library + "/BROKEN.JPG", "\xff\xd8\xff not really");
    f.appPaths["EUDORA.EXE"] = "/opt/eudora/eudora";
    const MailResult result = f.click("BROKEN.JPG", "Eudora");
    EXPECT_EQ(result.outcome, MailOutcome::Composed);
    EXPECT_FALSE(result.shrunk);
    EXPECT_EQ(result.attached, f.library + "/BROKEN.JPG");
}

TEST(ComposeCommand, KnownClientsGetTheirOwnCommand) {
    TempDir dir;
    const std::string file = "/lib/a b,'c\".JPG";
    const auto row = [](std::string program) { return app::MailRow{3, "Eudora", true, std::move(program), {}}; };
    EXPECT_EQ(composeCommand(row("/usr/bin/thunderbird"), file),
              (ComposeCommand{"/usr/bin/thunderbird", {"-compose", "attachment='file:///lib/a%20b%2C%27c%22.JPG'"}}));
    EXPECT_EQ(composeCommand(row("/opt/claws/claws-mail"), file),
              (ComposeCommand{"/opt/claws/claws-mail", {"--attach", file}}));
    EXPECT_EQ(composeCommand(row("/opt/other/mailer"), file), (ComposeCommand{"xdg-email", {"--attach", file}}));

    // The default mail program's desktop entry: its Exec line names the program.
    writeText(dir / "tb.desktop", "[Desktop Entry]\nExec=\"/usr/lib/thunder bird/thunderbird\" %u\n");
    writeText(dir / "evo.desktop", "[Desktop Entry]\nExec=evolution %U\n");
    EXPECT_EQ(composeCommand(row(dir / "tb.desktop"), file).program, "/usr/lib/thunder bird/thunderbird");
    EXPECT_EQ(composeCommand(row(dir / "evo.desktop"), file).program, "xdg-email");
    EXPECT_EQ(execProgram("  env A=1 thunderbird"), "env");
    EXPECT_EQ(execProgram("\"a \\\"b\\\"\" c"), "a \"b\"");
    EXPECT_EQ(execProgram(""), "");
}

}  // namespace
}  // namespace lumbrel::mailctl
