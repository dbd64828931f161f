// What lies in a library folder: previews, page files, deletion.

#include "library/library_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace lumbrel::library {
namespace {

using test::TempDir;
using test::writeText;

TEST(PreviewList, ImagesMoviesAndLinksInNameOrder) {
    TempDir dir;
    const std::string lib = dir / "20010415";
    for (const char* f : {"C.JPG.LNK", "b.AVI", "A.JPG", "notes.txt", "D.JPG"}) writeText(lib + "/" + f, "x");
    for (const char* f : {"A.JPG", "b.JPG", "C.JPG"}) writeText(lib + "/PREVIEW/" + f, "p");
    // D.JPG has no preview: it is left out.
    EXPECT_EQ(previewList(lib), (std::vector<std::string>{lib + "/PREVIEW/A.JPG", lib + "/PREVIEW/b.JPG", lib + "/PREVIEW/C.JPG"}));
    std::filesystem::remove(lib + "/PREVIEW/b.JPG");
    EXPECT_EQ(previewList(lib), (std::vector<std::string>{lib + "/PREVIEW/A.JPG", lib + "/PREVIEW/C.JPG"}));
}

TEST(PreviewList, LinkWithItsOwnPreview) {
    TempDir dir;
    const std::string lib = dir / "20010415";
    writeText(lib + "/C.JPG.LNK", "x");
    writeText(lib + "/PREVIEW/C.JPG.LNK", "p");
    writeText(lib + "/PREVIEW/C.JPG", "p");
    EXPECT_EQ(previewList(lib), (std::vector<std::string>{lib + "/PREVIEW/C.JPG.LNK"}));
}

TEST(PreviewList, SubfolderLibrariesLookOneLevelDownButNotInHtml) {
    TempDir dir;
    const std::string lib = dir / "20010415_1";
    writeText(lib + "/100ABCDE/B.JPG", "x");
    writeText(lib + "/100ABCDE/PREVIEW/B.JPG", "p");
    writeText(lib + "/Trip/a.jpg", "x");
    writeText(lib + "/Trip/PREVIEW/a.jpg", "p");
    writeText(lib + "/html/X.JPG", "x");
    writeText(lib + "/html/PREVIEW/X.JPG", "p");
    writeText(lib + "/TOP.JPG", "x");
    writeText(lib + "/PREVIEW/TOP.JPG", "p");
    EXPECT_EQ(previewList(lib), (std::vector<std::string>{lib + "/100ABCDE/PREVIEW/B.JPG", lib + "/Trip/PREVIEW/a.jpg"}));
    // A six-character key with "_" is not of the subfolder form.
    const std::string small = dir / "0104_1";
    writeText(small + "/A.JPG", "x");
    writeText(small + "/PREVIEW/A.JPG", "p");
    EXPECT_EQ(previewList(small), (std::vector<std::string>{small + "/PREVIEW/A.JPG"}));
}

TEST(PageFiles, SubfoldersOnlyWithSizes) {
    TempDir dir;
    const std::string lib = dir / "20010415";
    writeText(lib + "/INDEX.HTM", "12345");          // directly in the folder: not counted
    writeText(lib + "/HTML/page1.htm", "123");
    writeText(lib + "/HTML/icons/a.GIF", "12");
    writeText(lib + "/HTML/script.js", "1");
    writeText(lib + "/HTML/photo.JPG", "1234567");  // not a page file
    std::int32_t bytes = 10;
    auto files = pageFiles(lib, &bytes);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{lib + "/HTML/icons/a.GIF", lib + "/HTML/page1.htm", lib + "/HTML/script.js"}));
    EXPECT_EQ(bytes, 16);
    EXPECT_EQ(pageFiles(lib).size(), 3u);
}

TEST(Delete, FilesThenSubfolders) {
    TempDir dir;
    const std::string lib = dir / "20010415";
    writeText(lib + "/A.JPG", "x");
    writeText(lib + "/B.JPG", "x");
    std::filesystem::permissions(lib + "/B.JPG", std::filesystem::perms::owner_read);  // read-only goes too
    writeText(lib + "/PREVIEW/A.JPG", "x");
    writeText(lib + "/HTML/deep/er/page.htm", "x");
    // A link to a folder outside the library is removed as a link, never followed.
    writeText(dir / "outside/keep.JPG", "x");
    std::filesystem::create_directory_symlink(dir / "outside", lib + "/link");

    ASSERT_TRUE(deleteFiles(lib));
    EXPECT_FALSE(std::filesystem::exists(lib + "/A.JPG"));
    EXPECT_FALSE(std::filesystem::exists(lib + "/B.JPG"));
    EXPECT_FALSE(std::filesystem::is_symlink(lib + "/link"));
    EXPECT_TRUE(std::filesystem::exists(lib + "/PREVIEW/A.JPG"));
    ASSERT_TRUE(deleteSubfolders(lib));
    EXPECT_TRUE(std::filesystem::is_empty(lib));
    EXPECT_TRUE(std::filesystem::exists(dir / "outside/keep.JPG"));
    EXPECT_FALSE(deleteFiles(dir / "no such folder"));
}

}  // namespace
}  // namespace lumbrel::library
