// Which links are acted on: only pictures and movies of the image library.

#include <gtest/gtest.h>
#include <unistd.h>

#include "openurl/url_guard.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::openurl {
namespace {

using test::writeText;

constexpr std::string_view kJpeg = "\xff\xd8\xff\xe0 a picture";
constexpr std::string_view kAvi{"RIFF\x10\0\0\0AVI LIST", 16};

struct Library {
    test::TempDir dir;
    std::string root = dir / "Image Library";
    std::string single = root + "/20240305";
    std::string collection = root + "/20240401_1";
    std::vector<std::string> folders;

    Library() {
        writeText(single + "/P0.JPG", kJpeg);
        writeText(single + "/-P1.JPG", kJpeg);
        writeText(single + "/NOTES.TXT", "text");
        writeText(single + "/FAKE.JPG", "not a picture");
        writeText(collection + "/101KDCAM/KDC_0101.JPG", kJpeg);
        writeText(collection + "/101KDCAM/KDC_0103.AVI", kAvi);
        writeText(root + "/20240305x/P0.JPG", kJpeg);  // not a library, though its name begins like one
        writeText(dir / "outside/SECRET.JPG", kJpeg);
        EXPECT_EQ(::symlink((dir / "outside/SECRET.JPG").c_str(), (single + "/LINK.JPG").c_str()), 0);
        EXPECT_EQ(::symlink((dir / "outside").c_str(), (single + "/away").c_str()), 0);
        EXPECT_EQ(::symlink(single.c_str(), (dir / "linked").c_str()), 0);
        folders = canonicalFolders({single, collection, dir / "gone"});
    }

    std::optional<CheckedTarget> check(ControlKind kind, std::string path, std::string file, std::string& why) const {
        ControlUrl link{kind, {{"ImagePath", std::move(path)}, {"ImageFile", std::move(file)}}};
        return checkTarget(link, folders, why);
    }
};

TEST(UrlGuard, PicturesAndMoviesOfTheLibraryAreTaken) {
    Library lib;
    ASSERT_EQ(lib.folders.size(), 2u);  // the missing library is left out
    std::string why;
    auto target = lib.check(ControlKind::Mail, lib.single, "P0.JPG", why);
    ASSERT_TRUE(target) << why;
    EXPECT_EQ(target->imagePath, *platform::canonicalPath(lib.single));
    EXPECT_EQ(target->imageFile, "P0.JPG");
    // A group folder of a collection, a movie, and the print button's link
    // without a picture.
    EXPECT_TRUE(lib.check(ControlKind::Mail, lib.collection + "/101KDCAM", "KDC_0101.JPG", why)) << why;
    EXPECT_TRUE(lib.check(ControlKind::Print, lib.collection + "/101KDCAM", "KDC_0103.AVI", why)) << why;
    EXPECT_TRUE(lib.check(ControlKind::Print, lib.collection, "101KDCAM/KDC_0101.JPG", why)) << why;
    EXPECT_TRUE(lib.check(ControlKind::Print, lib.single, "", why)) << why;
    // A link to the library folder is resolved to it.
    target = lib.check(ControlKind::Mail, lib.dir / "linked", "P0.JPG", why);
    ASSERT_TRUE(target) << why;
    EXPECT_EQ(target->imagePath, *platform::canonicalPath(lib.single));
}

TEST(UrlGuard, EverythingElseIsRefused) {
    Library lib;
    struct Case { ControlKind kind; std::string path, file; const char* what; };
    const Case cases[] = {
        {ControlKind::Print, lib.dir / "outside", "SECRET.JPG", "outside the library"},
        {ControlKind::Print, lib.root, "", "the image library root is no library"},
        {ControlKind::Print, lib.root + "/20240305x", "P0.JPG", "a folder whose name only begins like a library's"},
        {ControlKind::Print, "/", "", "the root"},
        {ControlKind::Mail, lib.single + "/../20240305", "P0.JPG", "\"..\" in the folder"},
        {ControlKind::Mail, lib.single, "../20240305/P0.JPG", "\"..\" in the file"},
        {ControlKind::Mail, lib.single, "LINK.JPG", "a link leading out"},
        {ControlKind::Mail, lib.single + "/away", "SECRET.JPG", "a folder link leading out"},
        {ControlKind::Mail, lib.single, "away/SECRET.JPG", "a folder link in the file leading out"},
        {ControlKind::Mail, lib.single, "-P1.JPG", "an option-like file name"},
        {ControlKind::Mail, lib.single, "P9.JPG", "a missing file"},
        {ControlKind::Mail, lib.single, "NOTES.TXT", "neither picture nor movie"},
        {ControlKind::Mail, lib.single, "FAKE.JPG", "a picture's name over other bytes"},
        {ControlKind::Mail, lib.single, "", "mail without a picture"},
        {ControlKind::Mail, lib.single, lib.single + "/P0.JPG", "an absolute file"},
        {ControlKind::Mail, "Image Library/20240305", "P0.JPG", "a relative folder"},
        {ControlKind::Print, "", "", "no folder"},
        {ControlKind::Mail, lib.single + "/P0.JPG", "", "a file as the folder"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(lib.check(c.kind, c.path, c.file, why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
}

}  // namespace
}  // namespace lumbrel::openurl
