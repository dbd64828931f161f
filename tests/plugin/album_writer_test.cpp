#include "plugin/album_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "plugin/album_items.h"
#include "support/temp_dir.h"

namespace lumbrel::plugin {
namespace {

using test::TempDir;

std::string readText(const std::string& path) {
    const auto bytes = test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

// Dates in the C locale: "02/03/01" and "Saturday, February 3, 2001".
class AlbumWriter : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("LC_ALL");
        ::setenv("LC_TIME", "C", 1);
    }
    AlbumRequest request(const std::string& library, std::vector<std::string> images, int templateIndex = 0) {
        AlbumRequest r;
        r.libraryPath = library;
        r.imagePaths = std::move(images);
        r.templateIndex = templateIndex;
        r.mailName = "Mail Program";
        return r;
    }
    TempDir dir;
};

TEST_F(AlbumWriter, OutOfRangeIndexesWriteNothing) {
    const std::string library = dir / "010203";
    std::filesystem::create_directory(library);
    AlbumRequest r = request(library, {library + "/A.JPG"});
    r.patternIndex = 17;
    EXPECT_FALSE(writeAlbum(r));
    r.patternIndex = 16;
    r.templateIndex = 4;
    EXPECT_FALSE(writeAlbum(r));
    EXPECT_FALSE(exists(library + "/HTML"));
}

TEST_F(AlbumWriter, SingleDateLibrariesAreHeadedWithTheirDate) {
    for (const std::string name : {"010203", "20010203"}) {
        const std::string library = dir / name;
        std::filesystem::create_directory(library);
        // A plain file where the HTML folder belongs is moved aside.
        test::writeText(library + "/HTML", "x");
        test::writeText(library + "/HTML.000", "y");
        ASSERT_TRUE(writeAlbum(request(library, {library + "/A.JPG", library + "/M.AVI", library + "/T.TXT"})));
        EXPECT_EQ(readText(library + "/HTML.001"), "x");
        EXPECT_NE(readText(library + "/HTML/MENU2.HTM").find("<b>02/03/01<br>1  image</b>"), std::string::npos);
        EXPECT_NE(readText(library + "/HTML/MENU3.HTM").find("1 image<br>1 movie"), std::string::npos);
        for (const char* page : {"/HTML/INDEX.HTM", "/HTML/DATA.HTM"})
            EXPECT_NE(readText(library + page).find("<B>Saturday, February 3, 2001</B>"), std::string::npos) << page;
        const std::string frames = readText(library + "/INDEX.HTM");
        EXPECT_NE(frames.find("  <FRAME SRC=\"HTML/INDEX.HTM\" NAME=\"Body\""), std::string::npos);
        for (const char* file : {"APLAY.HTM", "NEXT.HTM", "DISP.HTM", "INDEX1.JS", "ICON/NORMAL.GIF", "ICON/MAIL.GIF"})
            EXPECT_TRUE(exists(library + "/HTML/" + file)) << file;
        EXPECT_FALSE(exists(library + "/HTML/INDEX2.JS"));
        EXPECT_NE(readText(library + "/HTML/INDEX1.JS").find("var LM_COLLECTION = false;"), std::string::npos);
    }
}

TEST_F(AlbumWriter, CollectionListsGroupsInOrderAndStartsWithTheFirstMet) {
    const std::string library = dir / "Summer trip";
    AlbumRequest r = request(library, {library + "/B/1.JPG", library + "/a/2.JPG", library + "/HTML/3.JPG",
                                       library + "/a/4.AVI", library + "/loose.JPG", library + "/b/5.JPG"},
                             2);
    for (const char* group : {"/a", "/b", "/B"}) std::filesystem::create_directories(library + group);
    ASSERT_TRUE(writeAlbum(r));

    const std::string menu = readText(library + "/HTML/MENU2.HTM");
    const std::size_t a = menu.find("<b>A<br>1  image</b>");
    const std::size_t b = menu.find("<b>B<br>2  images</b>");  // "b" joins "B"
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_LT(a, b);
    EXPECT_NE(menu.find("      <a href=\"../a/HTML/INDEX.HTM\" target=\"Body\">\r\n"), std::string::npos);
    EXPECT_EQ(menu.find("DATA.HTM"), std::string::npos);
    EXPECT_NE(readText(library + "/HTML/MENU3.HTM").find("3 images<br>1 movie"), std::string::npos);
    EXPECT_NE(readText(library + "/INDEX.HTM").find("  <FRAME SRC=\"B/HTML/INDEX.HTM\" NAME=\"Body\""),
              std::string::npos);

    // Group pages link the group's items relatively; the library page numbers
    // its items on through the groups.
    const std::string groupA = readText(library + "/a/HTML/INDEX.HTM");
    EXPECT_NE(groupA.find("<a href=\"javascript:avi_wopen(1,0,0)\">\r\n    <IMG SRC=\"../PREVIEW/4.JPG\""),
              std::string::npos);
    EXPECT_TRUE(exists(library + "/B/HTML/DATA.HTM"));
    const std::string all = readText(library + "/HTML/INDEX.HTM");
    EXPECT_NE(all.find("SRC=\"INDEX2.JS\""), std::string::npos);
    EXPECT_LT(all.find("<B>A</B>"), all.find("<B>B</B>"));
    EXPECT_NE(all.find("javascript:wopen(2,0)\">\r\n    <IMG SRC=\"../B/PREVIEW/1.JPG\""), std::string::npos);
    EXPECT_EQ(all.find("3.JPG"), std::string::npos);
    EXPECT_EQ(all.find("loose"), std::string::npos);
    EXPECT_TRUE(exists(library + "/HTML/INDEX2.JS"));
}

TEST_F(AlbumWriter, TemplateThreeWritesNoScripts) {
    const std::string library = dir / "990101";
    std::filesystem::create_directory(library);
    ASSERT_TRUE(writeAlbum(request(library, {library + "/A.JPG"}, 3)));
    for (const char* file : {"APLAY.HTM", "NEXT.HTM", "DISP.HTM", "INDEX1.JS", "INDEX2.JS"})
        EXPECT_FALSE(exists(library + "/HTML/" + file)) << file;
    EXPECT_TRUE(exists(library + "/HTML/ICON/BACKBTN.GIF"));
    EXPECT_NE(readText(library + "/INDEX.HTM").find("<FRAMESET ROWS=\"155,*\">\r\n"), std::string::npos);
    EXPECT_EQ(readText(library + "/HTML/INDEX.HTM").find("javascript:"), std::string::npos);
}

TEST_F(AlbumWriter, ScriptCarriesPrintAndMailSettings) {
    const std::string library = dir / "990101";
    std::filesystem::create_directory(library);
    AlbumRequest r = request(library, {library + "/A.JPG"});
    r.printButton = 1;
    r.mailName = "Email software is not assigned";
    ASSERT_TRUE(writeAlbum(r));
    std::string script = readText(library + "/HTML/INDEX1.JS");
    EXPECT_NE(script.find("var LM_PRINT = false;"), std::string::npos);
    EXPECT_NE(script.find("var LM_MAIL = false;"), std::string::npos);
    EXPECT_EQ(readText(library + "/HTML/MENU1.HTM").find("k_print"), std::string::npos);

    r.printButton = 0;
    r.mailSizeCode = 1;
    r.mailName = "Post \"Office\"";
    ASSERT_TRUE(writeAlbum(r));
    script = readText(library + "/HTML/INDEX1.JS");
    EXPECT_NE(script.find("var LM_PRINT = true;"), std::string::npos);
    EXPECT_NE(script.find("var LM_MAIL = true;"), std::string::npos);
    EXPECT_NE(script.find("var LM_MAIL_SIZE = \"1\";"), std::string::npos);
    EXPECT_NE(script.find("var LM_MAILER = \"Post \\\"Office\\\"\";"), std::string::npos);
}

TEST_F(AlbumWriter, FailureMidwayKeepsTheFilesWrittenBefore) {
    const std::string library = dir / "990101";
    // A folder where the date menu goes cannot be replaced by the page.
    std::filesystem::create_directories(library + "/HTML/MENU3.HTM/x");
    EXPECT_FALSE(writeAlbum(request(library, {library + "/A.JPG"})));
    EXPECT_TRUE(exists(library + "/HTML/MENU1.HTM"));
    EXPECT_TRUE(exists(library + "/HTML/MENU2.HTM"));
    EXPECT_FALSE(exists(library + "/HTML/INDEX.HTM"));
    EXPECT_FALSE(exists(library + "/INDEX.HTM"));
}

TEST(AlbumItems, DatesAndPreviews) {
    EXPECT_EQ(singleDateOf("890101")->year, 2089);
    EXPECT_EQ(singleDateOf("900101")->year, 1990);
    EXPECT_EQ(singleDateOf("19991231")->day, 31);
    EXPECT_FALSE(singleDateOf("1999123"));
    EXPECT_EQ(previewPathOf("/l/d/M.AVI"), "/l/d/PREVIEW/M.JPG");
    EXPECT_EQ(previewPathOf("/l/d/P.JPG"), "/l/d/PREVIEW/P.JPG");
    EXPECT_EQ(previewPathOf("/l/d/P.JPG.LNK"), "/l/d/PREVIEW/P.JPG");
}

}  // namespace
}  // namespace lumbrel::plugin
