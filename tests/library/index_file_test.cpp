// The index file on disk: save and open, the comparison with the save-folder
// copy, the conversion of the older layout and the generations.

#include "library/index_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "library/index_bytes.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::library {
namespace {

using test::Bytes;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

TEST(IndexFile, SaveThenOpenGivesTheSameBytes) {
    TempDir dir;
    Bytes b;
    b.u16(1).newClass("CAlbumData").album("T", "/L/Image Library/20010101");
    b.u16(1).newClass("CPhotoData").image("/L/Image Library/20010101/A.JPG", "20010101120000", 42);
    writeBytes(dir / "in.kds", b.v);
    CKDCardAlbumDoc doc;
    ASSERT_TRUE(openIndexFile(dir / "in.kds", doc).ok());
    EXPECT_FALSE(doc.saved());
    ASSERT_TRUE(saveIndexFile(doc, dir / "out.kds"));
    EXPECT_TRUE(doc.saved());
    EXPECT_EQ(readBytes(dir / "out.kds"), b.v);
    // Only the index is left in the folder: no temporary file stays behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(IndexFile, OpenReportsMissingAndDamagedFiles) {
    TempDir dir;
    CKDCardAlbumDoc doc;
    EXPECT_EQ(openIndexFile(dir / "none.kds", doc).error, IndexError::CannotOpen);
    writeBytes(dir / "bad.kds", {1, 0, 0xFF, 0xFF, 0, 0, 3, 0, 'C', 'X', 'Y'});
    const auto r = openIndexFile(dir / "bad.kds", doc);
    EXPECT_EQ(r.error, IndexError::UnknownClass);
    EXPECT_EQ(r.offset, 2u);
}

TEST(IndexFile, OpenStreamsEntriesLargerThanItsBuffer) {
    TempDir dir;
    CKDCardAlbumDoc doc;
    CAlbumData a;
    a.folderPath = "/L/Image Library/20010101";
    a.title = std::string(3 << 20, 'x');  // larger than one read
    doc.addLibrary(a);
    for (int i = 0; i < 50000; ++i)
        doc.addImage(CPhotoData({"/L/Image Library/20010101/" + std::to_string(100000 + i) + ".JPG", "2001", "01", "01", "00", "00", "00"}, i, 0));
    ASSERT_TRUE(saveIndexFile(doc, dir / "big.kds"));
    CKDCardAlbumDoc back;
    ASSERT_TRUE(openIndexFile(dir / "big.kds", back).ok());
    EXPECT_EQ(back.albums()[0]->title.size(), a.title.size());
    ASSERT_EQ(back.images().size(), 50000u);
    EXPECT_EQ(back.images()[49999]->fileSize(), 49999);
}

TEST(IndexFile, SaveFailureKeepsTheOldFile) {
    TempDir dir;
    writeBytes(dir / "Lumbrel.kds", {0, 0, 0, 0});
    CKDCardAlbumDoc doc;
    EXPECT_FALSE(saveIndexFile(doc, dir / "missing-folder/Lumbrel.kds"));
    std::filesystem::create_directory(dir / "Lumbrel.kds.dir");
    EXPECT_FALSE(saveIndexFile(doc, dir / "Lumbrel.kds.dir"));  // a folder is in the way
    EXPECT_EQ(readBytes(dir / "Lumbrel.kds"), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(CompareCopies, ResultCodes) {
    TempDir dir;
    const std::string a = dir / "a.kds", b = dir / "b.kds";
    EXPECT_EQ(compareIndexCopies(a, b), 3);
    writeBytes(a, {1, 2, 3});
    EXPECT_EQ(compareIndexCopies(a, b), 2);
    EXPECT_EQ(compareIndexCopies(b, a), 1);
    writeBytes(b, {1, 2, 3});
    EXPECT_EQ(compareIndexCopies(a, b), 8);
    writeBytes(b, {1, 2, 4});
    EXPECT_EQ(compareIndexCopies(a, b), 0);
    writeBytes(b, {1, 2});
    EXPECT_EQ(compareIndexCopies(a, b), 0);
    // Two empty files are equal.
    writeBytes(a, {});
    writeBytes(b, {});
    EXPECT_EQ(compareIndexCopies(a, b), 8);
    // Copies that exist but cannot be read as files.
    std::filesystem::create_directory(dir / "d1");
    std::filesystem::create_directory(dir / "d2");
    EXPECT_EQ(compareIndexCopies(dir / "d1", dir / "d2"), 6);
}

TEST(CompareCopies, LargeFilesDifferingInTheLastByte) {
    TempDir dir;
    std::vector<std::uint8_t> big(3 << 20, 7);
    writeBytes(dir / "a", big);
    big.back() = 8;
    writeBytes(dir / "b", big);
    EXPECT_EQ(compareIndexCopies(dir / "a", dir / "b"), 0);
    writeBytes(dir / "b", std::vector<std::uint8_t>(3 << 20, 7));
    EXPECT_EQ(compareIndexCopies(dir / "a", dir / "b"), 8);
}

// An index of the older layout: library records without version tag, with two
// more numbers and the mail software after the shortcut flag.
Bytes olderAlbum(Bytes b, std::string_view title, std::string_view folder, std::string_view mail) {
    b.text(title).text(folder).text(std::string(folder) + "/INDEX.HTM").text("Standard,Green/Gray");
    return b.u32(100).u32(2).u32(0).u32(11).u32(22).text(mail);
}

TEST(Conversion, OlderLayoutGetsTagAndDefaults) {
    Bytes old;
    old.u16(2).newClass("CAlbumData");
    old = olderAlbum(old, "First", "/L/ImageLib/970101", "Outlook");
    old.u16(0x8001);
    old = olderAlbum(old, "Second", "/L/ImageLib/970102", "Becky! Internet Mail");
    old.u16(1).newClass("CPhotoData").image("/L/ImageLib/970101/A.JPG", "19970101000000", 9);

    Bytes expected;
    expected.u16(2).newClass("CAlbumData");
    for (auto [title, folder] : {std::pair{"First", "/L/ImageLib/970101"}, std::pair{"Second", "/L/ImageLib/970102"}}) {
        if (std::string_view(title) == "Second") expected.u16(0x8001);
        expected.text("LM200").text(title).text(folder).text(std::string(folder) + "/INDEX.HTM").text("Standard,Green/Gray");
        expected.u32(100).u32(2).u32(0).u32(1).u32(0).text("Email software is not assigned");
    }
    expected.u16(1).newClass("CPhotoData").image("/L/ImageLib/970101/A.JPG", "19970101000000", 9);

    const Conversion c = convertOlderLayout(old.v);
    ASSERT_EQ(c.status, Conversion::Status::Converted);
    ASSERT_EQ(c.bytes.size(), kConversionSize);
    EXPECT_TRUE(std::equal(expected.v.begin(), expected.v.end(), c.bytes.begin()));
    EXPECT_TRUE(std::all_of(c.bytes.begin() + static_cast<long>(expected.v.size()), c.bytes.end(), [](auto x) { return x == 0; }));
    // The converted bytes open as a current index (the zero padding is ignored).
    CKDCardAlbumDoc doc;
    ASSERT_TRUE(readIndex(c.bytes, doc).ok());
    EXPECT_EQ(indexBytes(doc), expected.v);
}

TEST(Conversion, CurrentAndShortFiles) {
    Bytes current;
    current.u16(1).newClass("CAlbumData").album("", "/L/Image Library/20010101").u16(0);
    EXPECT_EQ(convertOlderLayout(current.v).status, Conversion::Status::Current);
    // The empty index is too short to carry a tag: it is padded, and still reads as empty.
    const std::vector<std::uint8_t> empty{0, 0, 0, 0};
    const Conversion c = convertOlderLayout(empty);
    ASSERT_EQ(c.status, Conversion::Status::Converted);
    EXPECT_EQ(c.bytes, std::vector<std::uint8_t>(kConversionSize, 0));
    // An empty file (no data pointer at all) is padded the same way.
    const Conversion none = convertOlderLayout(std::span<const std::uint8_t>());
    ASSERT_EQ(none.status, Conversion::Status::Converted);
    EXPECT_EQ(none.bytes.size(), kConversionSize);
}

TEST(Conversion, RefusesWhatItCannotConvertSafely) {
    Bytes unknownMail;
    unknownMail.u16(1).newClass("CAlbumData");
    unknownMail = olderAlbum(unknownMail, "T", "/L/ImageLib/970101", "Some Other Mailer");
    unknownMail.u16(0);
    EXPECT_EQ(convertOlderLayout(unknownMail.v).status, Conversion::Status::Refused);

    Bytes longTitle;
    longTitle.u16(1).newClass("CAlbumData").u8(0xFF).u16(300).raw(std::string(300, 't'));
    EXPECT_EQ(convertOlderLayout(longTitle.v).status, Conversion::Status::Refused);

    Bytes cut;
    cut.u16(1).newClass("CAlbumData");
    cut = olderAlbum(cut, "T", "/L/ImageLib/970101", "Eudora");
    for (std::size_t n = 19; n + 1 < cut.v.size(); ++n) {
        const Conversion c = convertOlderLayout(std::span(cut.v.data(), n));
        EXPECT_EQ(c.status, Conversion::Status::Refused) << "cut at " << n;
    }

    // Output beyond one million bytes.
    std::vector<std::uint8_t> huge(kConversionSize + 10, 0);
    EXPECT_EQ(convertOlderLayout(huge).status, Conversion::Status::Refused);
}

TEST(Conversion, FileIsRewrittenInPlaceOnlyWhenConverted) {
    TempDir dir;
    EXPECT_EQ(convertOlderIndexFile(dir / "none"), ConvertFileResult::NotOpened);
    writeBytes(dir / "empty.kds", {0, 0, 0, 0});
    EXPECT_EQ(convertOlderIndexFile(dir / "empty.kds"), ConvertFileResult::Converted);
    EXPECT_EQ(readBytes(dir / "empty.kds").size(), kConversionSize);
    Bytes bad;
    bad.u16(1).newClass("CAlbumData");
    bad = olderAlbum(bad, "T", "/L/ImageLib/970101", "Unknown");
    writeBytes(dir / "bad.kds", bad.v);
    EXPECT_EQ(convertOlderIndexFile(dir / "bad.kds"), ConvertFileResult::Refused);
    EXPECT_EQ(readBytes(dir / "bad.kds"), bad.v);
}

// --- Hashes ----------------------------------------------------------------------

TEST(IndexHash, KnownValuesAndFilesReadInPieces) {
    auto of = [](std::string_view s) {
        return indexHash(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
    };
    EXPECT_EQ(of(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(of("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(of("foobar"), 0x85944171f73967e8ull);

    TempDir dir;
    std::vector<std::uint8_t> big((3 << 20) + 17);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 31 + i / 4096);
    writeBytes(dir / "big.kds", big);
    EXPECT_EQ(indexFileHash(dir / "big.kds"), indexHash(big));
    writeBytes(dir / "empty.kds", {});
    EXPECT_EQ(indexFileHash(dir / "empty.kds"), 0xcbf29ce484222325ull);
    EXPECT_EQ(indexFileHash(dir / "none.kds"), std::nullopt);
    std::filesystem::create_directory(dir / "folder.kds");
    EXPECT_EQ(indexFileHash(dir / "folder.kds"), std::nullopt);
}

// --- The index and its save-folder copy -----------------------------------------------

class IndexAndCopy : public ::testing::Test {
protected:
    void TearDown() override { platform::setFailAfter(0); }
    std::string index() const { return dir / "Lumbrel.kds"; }
    std::string copy() const { return dir / "Image Library/Lumbrel.kds"; }
    TempDir dir;
    const std::vector<std::uint8_t> oldBytes{1, 2, 3}, newBytes{4, 5, 6, 7};
};

TEST_F(IndexAndCopy, WritesTheCopyAndTheIndex) {
    std::filesystem::create_directory(dir / "Image Library");
    writeBytes(index(), oldBytes);
    writeBytes(copy(), oldBytes);
    ASSERT_TRUE(writeIndexBytes(newBytes, index(), copy()));
    EXPECT_EQ(readBytes(index()), newBytes);
    EXPECT_EQ(readBytes(copy()), newBytes);

    // No copy path, or a save folder that is the program folder: the index only.
    ASSERT_TRUE(writeIndexBytes(oldBytes, index(), ""));
    EXPECT_EQ(readBytes(index()), oldBytes);
    // Written as the index alone, a failed write leaves the old index in place
    // (treated as a copy, its removal would take the index with it).
    std::filesystem::create_directory_symlink(dir.path(), dir / "link");
    platform::setFailAfter(1);
    EXPECT_FALSE(writeIndexBytes(newBytes, index(), dir / "link/./Lumbrel.kds"));
    platform::setFailAfter(0);
    EXPECT_EQ(readBytes(index()), oldBytes);
    ASSERT_TRUE(writeIndexBytes(newBytes, index(), dir / "link/./Lumbrel.kds"));
    EXPECT_EQ(readBytes(index()), newBytes);

    // A save folder that does not exist is not made.
    ASSERT_TRUE(writeIndexBytes(oldBytes, index(), dir / "gone/Lumbrel.kds"));
    EXPECT_EQ(readBytes(index()), oldBytes);
    EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
}

TEST_F(IndexAndCopy, CopyGoesFirstAndGoesAwayWhenTheIndexFails) {
    std::filesystem::create_directory(dir / "Image Library");
    writeBytes(index(), oldBytes);
    writeBytes(copy(), oldBytes);
    // The second write is the index's: the copy written before it is taken back.
    platform::setFailAfter(2);
    EXPECT_FALSE(writeIndexBytes(newBytes, index(), copy()));
    platform::setFailAfter(0);
    EXPECT_EQ(readBytes(index()), oldBytes);
    EXPECT_FALSE(std::filesystem::exists(copy()));

    // An index folder that is not there, or a folder where the index should be.
    writeBytes(copy(), oldBytes);
    EXPECT_FALSE(writeIndexBytes(newBytes, dir / "missing/Lumbrel.kds", copy()));
    EXPECT_FALSE(std::filesystem::exists(copy()));
    std::filesystem::create_directory(dir / "blocked");
    std::filesystem::create_directory(dir / "blocked/Lumbrel.kds");
    writeBytes(copy(), oldBytes);
    EXPECT_FALSE(writeIndexBytes(newBytes, dir / "blocked/Lumbrel.kds", copy()));
    EXPECT_FALSE(std::filesystem::exists(copy()));
}

TEST_F(IndexAndCopy, CopyThatCannotBeWrittenDoesNotStopTheIndex) {
    std::filesystem::create_directory(dir / "Image Library");
    writeBytes(index(), oldBytes);
    writeBytes(copy(), oldBytes);
    // The first write is the copy's: the stale copy goes, the index is written.
    platform::setFailAfter(1);
    EXPECT_TRUE(writeIndexBytes(newBytes, index(), copy()));
    platform::setFailAfter(0);
    EXPECT_EQ(readBytes(index()), newBytes);
    EXPECT_FALSE(std::filesystem::exists(copy()));

    // A folder in the way of the copy.
    std::filesystem::create_directories(copy() + "/inside");
    EXPECT_TRUE(writeIndexBytes(oldBytes, index(), copy()));
    EXPECT_EQ(readBytes(index()), oldBytes);
    EXPECT_TRUE(std::filesystem::is_directory(copy() + "/inside"));
}

TEST_F(IndexAndCopy, SaveWithCopyWritesTheSerializedDocument) {
    Bytes b;
    b.u16(1).newClass("CAlbumData").album("T", "/L/Image Library/20010101").u16(0);
    writeBytes(dir / "in.kds", b.v);
    CKDCardAlbumDoc doc;
    ASSERT_TRUE(openIndexFile(dir / "in.kds", doc).ok());
    EXPECT_EQ(serializeIndex(doc), b.v);
    EXPECT_TRUE(doc.saved());
    std::filesystem::create_directory(dir / "Image Library");
    ASSERT_TRUE(saveIndexWithCopy(doc, index(), copy()));
    EXPECT_EQ(readBytes(index()), b.v);
    EXPECT_EQ(readBytes(copy()), b.v);
}

// --- Generations -------------------------------------------------------------------

class Generations : public ::testing::Test {
protected:
    std::string gen(int g) const { return dir / generationFileName(g); }
    std::string index() const { return dir / "Lumbrel.kds"; }
    // The generations' contents, one byte each; 0 for a missing one.
    std::vector<int> contents() const {
        std::vector<int> out;
        for (int g = 1; g <= kGenerationCount; ++g) {
            const auto bytes = std::filesystem::exists(gen(g)) ? readBytes(gen(g)) : std::vector<std::uint8_t>{};
            out.push_back(bytes.size() == 1 ? bytes[0] : 0);
        }
        return out;
    }
    void setGenerations(const std::vector<int>& values) {
        for (int g = 1; g <= kGenerationCount; ++g)
            if (values[g - 1] != 0) writeBytes(gen(g), {static_cast<std::uint8_t>(values[g - 1])});
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
    }
    TempDir dir;
};

TEST_F(Generations, IndexEqualToGeneration1ChangesNothing) {
    setGenerations({9, 8, 7, 6, 5});
    writeBytes(index(), {9});
    std::vector<std::filesystem::file_time_type> times;
    for (int g = 1; g <= kGenerationCount; ++g) times.push_back(std::filesystem::last_write_time(gen(g)));
    for (int run = 0; run < 4; ++run) keepGeneration(dir.path());
    EXPECT_EQ(contents(), (std::vector<int>{9, 8, 7, 6, 5}));
    for (int g = 1; g <= kGenerationCount; ++g) EXPECT_EQ(std::filesystem::last_write_time(gen(g)), times[g - 1]) << g;

    // Without an index there is nothing to keep.
    std::filesystem::remove(index());
    keepGeneration(dir.path());
    EXPECT_EQ(contents(), (std::vector<int>{9, 8, 7, 6, 5}));
}

TEST_F(Generations, ChangedIndexesAreKeptNewestFirst) {
    writeBytes(index(), {1});
    keepGeneration(dir.path());
    EXPECT_EQ(contents(), (std::vector<int>{1, 0, 0, 0, 0}));
    writeBytes(index(), {2});
    keepGeneration(dir.path());
    keepGeneration(dir.path());  // the same index again: no second shift
    EXPECT_EQ(contents(), (std::vector<int>{2, 1, 0, 0, 0}));
    EXPECT_EQ(entries(), 3u);  // no temporary file left behind
}

TEST_F(Generations, FullSetDropsTheOldest) {
    setGenerations({1, 2, 3, 4, 5});
    writeBytes(index(), {9});
    keepGeneration(dir.path());
    EXPECT_EQ(contents(), (std::vector<int>{9, 1, 2, 3, 4}));
    EXPECT_EQ(entries(), 6u);
}

TEST_F(Generations, InterruptedShiftResumesWithoutLosingOne) {
    // Killed after moving 2 to 3 (and 3 to 4, 4 to 5), before moving 1 to 2.
    setGenerations({1, 0, 2, 3, 4});
    writeBytes(index(), {9});
    keepGeneration(dir.path());
    EXPECT_EQ(contents(), (std::vector<int>{9, 1, 2, 3, 4}));
    // Killed after every move, before the copy to 1.
    setGenerations({0, 9, 1, 2, 3});
    std::filesystem::remove(gen(1));
    writeBytes(index(), {8});
    keepGeneration(dir.path());
    EXPECT_EQ(contents(), (std::vector<int>{8, 9, 1, 2, 3}));
}

}  // namespace
}  // namespace lumbrel::library
