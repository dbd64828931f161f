// lumbrel-open-url as the desktop starts it: a program folder whose index
// names the libraries, stand-ins for the mail and the print program found
// through an AppPaths file, and links as the pages write them.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "library/album_doc.h"
#include "library/index_file.h"
#include "media/imaging.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace lumbrel {
namespace {

using test::writeText;

std::string readText(const std::string& path) {
    const auto bytes = test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::string encode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || c == '.' || c == '_' || c == '-') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

class OpenUrlProgram : public testing::Test {
protected:
    test::TempDir dir;
    std::string home = dir / "home";
    std::string library = home + "/Image Library/20240305";
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    void SetUp() override {
        media::Image wide{1600, 1200, std::vector<std::uint8_t>(1600 * 1200 * 3, 60)};
        ASSERT_TRUE(platform::makeDirectories(library));
        ASSERT_TRUE(media::saveJpeg(wide, library + "/P 0.JPG"));
        library::CKDCardAlbumDoc doc;
        library::CAlbumData album;
        album.folderPath = library;
        album.indexPagePath = library + "/INDEX.HTM";
        album.imageCount = 1;
        doc.addLibrary(album);
        ASSERT_TRUE(library::saveIndexFile(doc, home + "/Lumbrel.kds"));

        script(dir / "mail/thunderbird", "printf '%s\\n' \"$@\" > " + dir / "mail.rec\n");
        script(dir / "pressa/Pressa.exe",
               "{ pwd; printf '%s\\n' \"$@\"; } > " + dir / "print.part && mv " + dir / "print.part " + dir / "print.rec\n");
        script(dir / "bin/xdg-mime", "exit 1\n");
        writeText(dir / "AppPaths.conf",
                  "[EUDORA.EXE]\nPath=" + dir / "mail/thunderbird" + "\n[Pressa.exe]\nPath=" + dir / "pressa" + "\n");
        ::setenv("LUMBREL_APPPATHS", (dir / "AppPaths.conf").c_str(), 1);
        ::setenv("PATH", (dir / "bin:" + oldPath).c_str(), 1);
        ::setenv("LUMBREL_MAIL_KEEP_MS", "1500", 1);
    }
    void TearDown() override {
        ::unsetenv("LUMBREL_MAIL_KEEP_MS");
        ::unsetenv("LUMBREL_APPPATHS");
        ::setenv("PATH", oldPath.c_str(), 1);
    }

    static void script(const std::string& path, const std::string& body) {
        writeText(path, "#!/bin/sh\n" + body);
        ::chmod(path.c_str(), 0755);
    }

    std::optional<int> open(const std::string& url) {
        return platform::runProgram(OPEN_URL_PROGRAM, {"--home", home, url});
    }
};

TEST_F(OpenUrlProgram, MailAndPrintLinksReachTheirPrograms) {
    const std::string path = encode(library);
    EXPECT_EQ(open("lumbrel-mail:?ImageFile=P%200.JPG&ImagePath=" + path + "&ImageSize=1&Mailer=eudora"), 0);
    std::string copy = "file://" + library + "/tmp/P 0.JPG";
    for (std::size_t at; (at = copy.find(' ')) != std::string::npos;) copy.replace(at, 1, "%20");
    EXPECT_EQ(readText(dir / "mail.rec"), "-compose\nattachment='" + copy + "'\n");
    // The stand-in returns at once, as a mail program that was running
    // already does: the copy stays for it, then goes by itself.
    EXPECT_TRUE(platform::exists(library + "/tmp/P 0.JPG"));
    for (int i = 0; i < 1000 && platform::exists(library + "/tmp"); ++i) ::usleep(10'000);
    EXPECT_FALSE(platform::exists(library + "/tmp"));

    EXPECT_EQ(open("lumbrel-print:?ImageFile=P%200.JPG&ImagePath=" + path), 0);
    for (int i = 0; i < 1000 && !platform::exists(dir / "print.rec"); ++i) ::usleep(10'000);
    EXPECT_EQ(readText(dir / "print.rec"), dir / "pressa\n/i\n" + library + "/HTML/INDEX.HTM\n/f\n" + library +
                                               "/P 0.JPG\n/s\noff\n");
}

TEST_F(OpenUrlProgram, RefusedLinksStartNothing) {
    writeText(dir / "outside/P0.JPG", "\xff\xd8\xff\xe0");
    for (const std::string& url : std::vector<std::string>{
             "lumbrel-mail:?ImageFile=P0.JPG&ImagePath=" + encode(dir / "outside") + "&Mailer=Eudora",
             "lumbrel-mail:?ImageFile=..%2F..%2F..%2Foutside%2FP0.JPG&ImagePath=" + encode(library) + "&Mailer=Eudora",
             "lumbrel-mail:?ImageFile=P%200.JPG&ImagePath=" + encode(library) + "&ImageSize=x&Mailer=Eudora",
             "lumbrel-print:?ImagePath=" + encode(library) + "&Command=x",
             "http://example.org/",
         })
        EXPECT_EQ(open(url), 1) << url;
    // An index that cannot be read refuses every link.
    writeText(home + "/Lumbrel.kds", "not an index");
    EXPECT_EQ(open("lumbrel-print:?ImagePath=" + encode(library)), 1);
    // Refused before anything starts (the print program would be seen later
    // only; its refusal is the exit status alone).
    EXPECT_FALSE(platform::exists(dir / "mail.rec"));
    EXPECT_EQ(platform::runProgram(OPEN_URL_PROGRAM, {}), 2);
}

}  // namespace
}  // namespace lumbrel
