#include "web/library_page_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "web/page_stamp.h"

namespace lumbrel::web {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::readBytes;
using lumbrel::test::TempDir;

std::string readText(const std::string& path) {
    const auto bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

// Answers every question the same way and records what was asked.
class FixedPrompt : public app::Prompt {
public:
    explicit FixedPrompt(bool answer) : answer_(answer) {}
    bool askYesNo(int stringId, std::string_view text) override {
        ids.push_back(stringId);
        texts.emplace_back(text);
        return answer_;
    }
    std::vector<int> ids;
    std::vector<std::string> texts;

private:
    bool answer_;
};

// Two libraries in March 2024, one in July 2023, all below the program folder.
class LibraryPageWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        addLibrary("20240305", "Spring", 2);
        addLibrary("20240312", "Kite", 1);
        addLibrary("20230707", "Summer", 1);
    }
    std::string libraryFolder(const std::string& key) const { return dir / ("Image Library/" + key); }
    void addLibrary(const std::string& key, const std::string& title, int images) {
        library::CAlbumData album;
        album.title = title;
        album.folderPath = libraryFolder(key);
        album.indexPagePath = album.folderPath + "/INDEX.HTM";
        doc.addLibrary(album);
        for (int i = 0; i < images; ++i) {
            const std::string path = album.folderPath + "/P" + std::to_string(i) + ".JPG";
            doc.addImage(library::CPhotoData({path, "2024", "03", "05", "", "", ""}, 100, 0));
        }
    }
    std::string html(const std::string& name) const { return dir / ("HTML/" + name); }
    // Changes one byte of a written page, as an editor would.
    void editByHand(const std::string& path) {
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
        std::string text = readText(path);
        text[text.find("Kite")] = 'k';
        lumbrel::test::writeText(path, text);
    }

    TempDir dir;
    library::CKDCardAlbumDoc doc;
    const std::vector<std::string> all{"20240312", "20240305", "20230707"};
};

TEST_F(LibraryPageWriterTest, AddPassBuildsTheSite) {
    LibraryPageWriter writer(dir.path(), doc);
    ASSERT_TRUE(writer.addPass(all));
    EXPECT_TRUE(writer.failedKeys().empty());

    const std::string calendar = readText(html("calendar.htm"));
    const auto march = calendar.find("<A HREF=\"2024/mar.htm\" TARGET=\"start\">March</A>");
    const auto july = calendar.find("<A HREF=\"2023/jul.htm\" TARGET=\"start\">July</A>");
    ASSERT_NE(march, std::string::npos);
    ASSERT_NE(july, std::string::npos);
    EXPECT_LT(march, july);  // newest year first
    EXPECT_EQ(checkFileStamp(html("calendar.htm")), StampCheck::Intact);

    const std::string mar = readText(html("2024/mar.htm"));
    const auto first = mar.find("  <TR><!--20240305-->\r\n");
    const auto second = mar.find("  <TR><!--20240312-->\r\n");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);  // key order, whatever the list order
    EXPECT_NE(mar.find("<A HREF=\"../../Image Library/20240305/INDEX.HTM\" TARGET=\"_blank\">2024/03/05</A>"), std::string::npos);
    EXPECT_NE(mar.find(">2 copies<"), std::string::npos);
    EXPECT_EQ(checkFileStamp(html("2024/mar.htm")), StampCheck::Intact);
    EXPECT_NE(readText(html("2023/jul.htm")).find("<!--20230707-->"), std::string::npos);

    EXPECT_EQ(writer.rememberedKey(), "20230707");
    EXPECT_NE(readText(dir / "library.htm").find("  <FRAME SRC=\"HTML/2023/jul.htm\" NAME=\"start\">\r\n"),
              std::string::npos);
    EXPECT_NE(readText(html("start.htm")).find("Clicking the highlighted month"), std::string::npos);
    EXPECT_EQ(readBytes(html("dummy.gif")).size(), 41u);
}

TEST_F(LibraryPageWriterTest, AddingTwiceFailsAndKeepsOneRow) {
    LibraryPageWriter writer(dir.path(), doc);
    ASSERT_TRUE(writer.addPass({"20240305"}));
    EXPECT_FALSE(writer.addPass({"20240305", "20240312"}));
    EXPECT_EQ(writer.failedKeys(), std::vector<std::string>{"20240305"});
    const std::string mar = readText(html("2024/mar.htm"));
    EXPECT_EQ(mar.find("<!--20240305-->"), mar.rfind("<!--20240305-->"));
    EXPECT_NE(mar.find("<!--20240312-->"), std::string::npos);
}

TEST_F(LibraryPageWriterTest, BadMonthOrUnknownLibraryFailsAndTheRestGoesOn) {
    LibraryPageWriter writer(dir.path(), doc);
    EXPECT_FALSE(writer.addPass({"20241305", "20240305", "20240101"}));
    EXPECT_EQ(writer.failedKeys(), (std::vector<std::string>{"20241305", "20240101"}));
    EXPECT_TRUE(fs::exists(html("2024/mar.htm")));
}

TEST_F(LibraryPageWriterTest, RemovingTheLastLibrariesEmptiesMonthsAndStartPage) {
    LibraryPageWriter writer(dir.path(), doc);
    ASSERT_TRUE(writer.addPass(all));

    ASSERT_TRUE(writer.removePass({"20230707"}));
    EXPECT_FALSE(fs::exists(html("2023/jul.htm")));
    std::string calendar = readText(html("calendar.htm"));
    EXPECT_EQ(calendar.find("2023/"), std::string::npos);  // the year row went with its last link
    EXPECT_NE(calendar.find("2024/mar.htm"), std::string::npos);
    EXPECT_EQ(checkFileStamp(html("calendar.htm")), StampCheck::Intact);

    ASSERT_TRUE(writer.removePass({"20240305"}));
    const std::string mar = readText(html("2024/mar.htm"));
    EXPECT_EQ(mar.find("<!--20240305-->"), std::string::npos);
    EXPECT_NE(mar.find("<!--20240312-->"), std::string::npos);

    // The flows drop the library from the document before its pages.
    doc.deleteContents();
    ASSERT_TRUE(writer.removePass({"20240312"}));
    EXPECT_FALSE(fs::exists(html("2024/mar.htm")));
    EXPECT_EQ(readText(html("calendar.htm")).find("<A HREF"), std::string::npos);
    EXPECT_NE(readText(html("start.htm")).find("No library was found."), std::string::npos);

    EXPECT_FALSE(writer.removePass({"20240312"}));  // no month page any more
}

TEST_F(LibraryPageWriterTest, HandEditedPageAnsweredYesIsSkipped) {
    ASSERT_TRUE(LibraryPageWriter(dir.path(), doc).addPass({"20240312"}));
    editByHand(html("2024/mar.htm"));
    FixedPrompt yes(true);
    LibraryPageWriter writer(dir.path(), doc, &yes);
    EXPECT_FALSE(writer.addPass({"20240305", "20230707"}));
    EXPECT_EQ(writer.failedKeys(), std::vector<std::string>{"20240305"});
    ASSERT_EQ(yes.ids, std::vector<int>{142});
    EXPECT_NE(yes.texts[0].find(html("2024/mar.htm")), std::string::npos);
    EXPECT_EQ(readText(html("2024/mar.htm")).find("<!--20240305-->"), std::string::npos);
    EXPECT_TRUE(fs::exists(html("2023/jul.htm")));  // the next library went on
}

TEST_F(LibraryPageWriterTest, HandEditedPageWithoutPromptIsSkipped) {
    ASSERT_TRUE(LibraryPageWriter(dir.path(), doc).addPass({"20240312"}));
    editByHand(html("2024/mar.htm"));
    EXPECT_FALSE(LibraryPageWriter(dir.path(), doc).removePass({"20240312"}));
    EXPECT_NE(readText(html("2024/mar.htm")).find("<!--20240312-->"), std::string::npos);
}

TEST_F(LibraryPageWriterTest, HandEditedPageAnsweredNoIsEditedAndStamped) {
    ASSERT_TRUE(LibraryPageWriter(dir.path(), doc).addPass({"20240312"}));
    editByHand(html("2024/mar.htm"));
    FixedPrompt no(false);
    LibraryPageWriter writer(dir.path(), doc, &no);
    EXPECT_TRUE(writer.addPass({"20240305"}));
    EXPECT_EQ(no.ids.size(), 1u);
    EXPECT_NE(readText(html("2024/mar.htm")).find("<!--20240305-->"), std::string::npos);
    EXPECT_EQ(checkFileStamp(html("2024/mar.htm")), StampCheck::Intact);
}

TEST_F(LibraryPageWriterTest, UnwritableMonthFailsItsLibrariesOnly) {
    // Something that is no page stands where March's page would go: both
    // March libraries fail, July goes on, and the calendar links July only.
    fs::create_directories(html("2024/mar.htm"));
    LibraryPageWriter writer(dir.path(), doc);
    EXPECT_FALSE(writer.addPass(all));
    EXPECT_EQ(writer.failedKeys(), (std::vector<std::string>{"20240312", "20240305"}));
    const std::string calendar = readText(html("calendar.htm"));
    EXPECT_EQ(calendar.find("2024/mar.htm"), std::string::npos);
    EXPECT_NE(calendar.find("2023/jul.htm"), std::string::npos);
    EXPECT_EQ(writer.rememberedKey(), "20230707");
}

TEST_F(LibraryPageWriterTest, HandEditedCalendarIsAskedAboutOncePerPass) {
    ASSERT_TRUE(LibraryPageWriter(dir.path(), doc).addPass({"20240312"}));
    fs::permissions(html("calendar.htm"), fs::perms::owner_write, fs::perm_options::add);
    lumbrel::test::writeText(html("calendar.htm"), readText(html("calendar.htm")) + " ");
    FixedPrompt yes(true);
    LibraryPageWriter writer(dir.path(), doc, &yes);
    EXPECT_FALSE(writer.addPass({"20240305", "20230707"}));
    EXPECT_EQ(yes.ids, std::vector<int>{142});
    EXPECT_EQ(writer.failedKeys(), (std::vector<std::string>{"20240305", "20230707"}));
    // The rows went in; only the calendar was left alone.
    EXPECT_NE(readText(html("2024/mar.htm")).find("<!--20240305-->"), std::string::npos);
    EXPECT_EQ(readText(html("calendar.htm")).find("2023/jul.htm"), std::string::npos);
}

TEST_F(LibraryPageWriterTest, RetitleReplacesTheTitleCell) {
    LibraryPageWriter writer(dir.path(), doc);
    ASSERT_TRUE(writer.addPass({"20240305"}));
    doc.findLibrary(libraryFolder("20240305"))->title = "Blossom";
    EXPECT_TRUE(writer.retitle({"20240305"}));
    const std::string mar = readText(html("2024/mar.htm"));
    EXPECT_NE(mar.find(">Blossom</A></TD>\r\n"), std::string::npos);
    EXPECT_EQ(mar.find("Spring"), std::string::npos);
    EXPECT_FALSE(writer.retitle({"20230707"}));  // no page for that month
}

TEST_F(LibraryPageWriterTest, NewSiteAndResetFrame) {
    LibraryPageWriter writer(dir.path(), doc);
    ASSERT_TRUE(writer.addPass({"20240305"}));
    ASSERT_TRUE(writer.writeNewSite());
    EXPECT_EQ(readText(html("calendar.htm")).find("<A HREF"), std::string::npos);
    EXPECT_NE(readText(html("start.htm")).find("No library was found."), std::string::npos);
    ASSERT_TRUE(writer.resetFrame());
    EXPECT_NE(readText(dir / "library.htm").find("  <FRAME SRC=\"HTML/start.htm\" NAME=\"start\">\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace lumbrel::web
