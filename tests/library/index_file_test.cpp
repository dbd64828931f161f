// The index file on disk: save and open, the comparison with the save-folder
// copy, the conversion of the older layout and the generations.

#include "library/index_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "library/index_bytes.h"
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

TEST(Generations, ShiftAndCopyToSaveFolder) {
    TempDir dir;
    const std::string save = dir / "Image Library";
    std::filesystem::create_directory(save);
    auto gen = [&](int g) { return dir / generationFileName(g); };
    for (int g = 1; g <= 5; ++g) writeBytes(gen(g), {static_cast<std::uint8_t>(g)});
    writeBytes(dir / "Lumbrel.kds", {0xAA});
    makeGenerations(dir.path(), save);
    EXPECT_EQ(readBytes(gen(1)), std::vector<std::uint8_t>{0xAA});
    EXPECT_EQ(readBytes(gen(2)), std::vector<std::uint8_t>{1});
    EXPECT_EQ(readBytes(gen(3)), std::vector<std::uint8_t>{2});
    EXPECT_EQ(readBytes(gen(4)), std::vector<std::uint8_t>{3});
    EXPECT_EQ(readBytes(gen(5)), std::vector<std::uint8_t>{4});
    EXPECT_EQ(readBytes(save + "/Lumbrel.kds"), std::vector<std::uint8_t>{0xAA});
}

TEST(Generations, MissingFilesAndFoldersAreIgnored) {
    TempDir dir;
    writeBytes(dir / generationFileName(2), {2});
    makeGenerations(dir.path(), dir / "no such folder");  // no index: nothing but the shift
    EXPECT_EQ(readBytes(dir / generationFileName(3)), std::vector<std::uint8_t>{2});
    EXPECT_FALSE(std::filesystem::exists(dir / generationFileName(1)));
    writeBytes(dir / "Lumbrel.kds", {9});
    makeGenerations(dir.path(), dir / "no such folder");
    EXPECT_EQ(readBytes(dir / generationFileName(1)), std::vector<std::uint8_t>{9});
}

}  // namespace
}  // namespace lumbrel::library
