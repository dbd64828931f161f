// The index byte layout, checked against bytes built by hand from the layout,
// and every way a damaged file must be refused.

#include "library/index_format.h"

#include <gtest/gtest.h>

#include <string>

#include "library/index_bytes.h"

namespace lumbrel::library {
namespace {

using test::Bytes;

CAlbumData makeAlbum(const std::string& folder, const std::string& title = "") {
    CAlbumData a;
    a.title = title;
    a.folderPath = folder;
    a.indexPagePath = folder + "/INDEX.HTM";
    a.templateName = "Standard,Green/Gray";
    a.mailSoftware = "Email software is not assigned";
    a.imageCount = 1;
    return a;
}

CPhotoData makeImage(const std::string& path, std::string_view date14, std::int32_t size) {
    CPhotoData p({path, "", "", "", "", "", ""}, size, 0);
    p.setRecordingDate(date14);
    return p;
}

TEST(IndexWrite, EmptyIndexIsFourZeroBytes) {
    CKDCardAlbumDoc doc;
    EXPECT_EQ(indexBytes(doc), (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_TRUE(doc.saved());
}

TEST(IndexWrite, OneLibraryOneImageByteForByte) {
    CKDCardAlbumDoc doc;
    doc.addLibrary(makeAlbum("/p/Image Library/20010415", "Spring"));
    doc.addImage(makeImage("/p/Image Library/20010415/ABCD0001.JPG", "20010415103000", 123456));

    Bytes expected;
    expected.u16(1).newClass("CAlbumData").album("Spring", "/p/Image Library/20010415");
    expected.u16(1).newClass("CPhotoData").image("/p/Image Library/20010415/ABCD0001.JPG", "20010415103000", 123456);
    const auto bytes = indexBytes(doc);
    EXPECT_EQ(bytes, expected.v);
    // The version tag of the first library sits at offset 18: length 5, "LM200".
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(bytes[18], 5);
    EXPECT_EQ(std::string(bytes.begin() + 19, bytes.begin() + 24), "LM200");
}

TEST(IndexWrite, LaterRecordsCarryClassTagsCountedOverTheWholeFile) {
    // Three libraries: class 1, objects 2..4; the image class is 5 (N + 2), its
    // objects 6 and 7, so the second image begins with 0x8005.
    CKDCardAlbumDoc doc;
    for (const char* key : {"20010401", "20010402", "20010403"}) doc.addLibrary(makeAlbum(std::string("/L/Image Library/") + key));
    doc.addImage(makeImage("/L/Image Library/20010401/A.JPG", "20010401000000", 1));
    doc.addImage(makeImage("/L/Image Library/20010401/B.JPG", "20010401000000", 2));

    Bytes expected;
    expected.u16(3).newClass("CAlbumData").album("", "/L/Image Library/20010401");
    expected.u16(0x8001).album("", "/L/Image Library/20010402");
    expected.u16(0x8001).album("", "/L/Image Library/20010403");
    expected.u16(2).newClass("CPhotoData").image("/L/Image Library/20010401/A.JPG", "20010401000000", 1);
    expected.u16(0x8005).image("/L/Image Library/20010401/B.JPG", "20010401000000", 2);
    EXPECT_EQ(indexBytes(doc), expected.v);
}

TEST(IndexWrite, VersionTagIsAlwaysWrittenAndStored) {
    CKDCardAlbumDoc doc;
    CAlbumData a = makeAlbum("/L/Image Library/20010401");
    a.versionTag = "OLD";
    doc.addLibrary(a);
    const auto bytes = indexBytes(doc);
    EXPECT_EQ(std::string(bytes.begin() + 19, bytes.begin() + 24), "LM200");
    EXPECT_EQ(doc.albums()[0]->versionTag, "LM200");
}

TEST(IndexWrite, TextLengthForms) {
    struct Case {
        std::size_t length;
        std::vector<std::uint8_t> prefix;
    };
    const Case cases[] = {
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        CKDCardAlbumDoc doc;
        doc.addLibrary(makeAlbum("/L/Image Library/20010401", std::string(c.length, 'T')));
        const auto bytes = indexBytes(doc);
        // The title follows the version tag: offset 18 + 6.
        const std::vector<std::uint8_t> prefix(bytes.begin() + 24, bytes.begin() + 24 + static_cast<long>(c.prefix.size()));
        EXPECT_EQ(prefix, c.prefix) << "length " << c.length;
        CKDCardAlbumDoc back;
        ASSERT_TRUE(readIndex(bytes, back).ok()) << "length " << c.length;
        EXPECT_EQ(back.albums()[0]->title.size(), c.length);
    }
}

TEST(IndexWrite, LargeCountsAndBigClassTags) {
    // 0xFFFF libraries: the count becomes FF FF + 32-bit count, and the image
    // class number 0x10001 no longer fits a 16-bit tag: 7FFF + 80010001.
    CKDCardAlbumDoc::AlbumList albums;
    for (int i = 0; i < 0xFFFF; ++i) albums.push_back(std::make_unique<CAlbumData>(makeAlbum("/L/Image Library/" + std::to_string(10000000 + i))));
    CKDCardAlbumDoc::ImageList images;
    for (int i = 0; i < 2; ++i) images.push_back(std::make_unique<CPhotoData>(makeImage("/L/Image Library/10000000/" + std::to_string(i) + ".JPG", "20010401000000", i)));
    CKDCardAlbumDoc doc;
    doc.adoptLists(std::move(albums), std::move(images));
    const auto bytes = indexBytes(doc);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 6), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));

    Bytes tail;  // the second image entry, at the very end
    tail.u16(0x7FFF).u32(0x80010001).image("/L/Image Library/10000000/1.JPG", "20010401000000", 1);
    ASSERT_GT(bytes.size(), tail.v.size());
    EXPECT_TRUE(std::equal(tail.v.begin(), tail.v.end(), bytes.end() - static_cast<long>(tail.v.size())));

    CKDCardAlbumDoc back;
    ASSERT_TRUE(readIndex(bytes, back).ok());
    EXPECT_EQ(back.albums().size(), 0xFFFFu);
    EXPECT_EQ(indexBytes(back), bytes);
}

TEST(IndexRead, RoundTripKeepsEveryFieldAndFileOrder) {
    Bytes b;
    // Two libraries out of path order: reading keeps file order.
    b.u16(2).newClass("CAlbumData").album("Zoo", "/L/Image Library/20020101", 999, 2);
    b.u16(0x8001).album("Älbum ünïcode", "/L/Image Library/20010101", -5, 7);
    b.u16(1).newClass("CPhotoData").image("/L/Image Library/20020101/X.AVI", "20020101235959", -1);
    CKDCardAlbumDoc doc;
    ASSERT_TRUE(readIndex(b.v, doc).ok());
    ASSERT_EQ(doc.albums().size(), 2u);
    EXPECT_EQ(doc.albums()[0]->title, "Zoo");
    EXPECT_EQ(doc.albums()[0]->totalSize, 999);
    EXPECT_EQ(doc.albums()[1]->title, "Älbum ünïcode");
    EXPECT_EQ(doc.albums()[1]->totalSize, -5);
    EXPECT_EQ(doc.albums()[1]->imageCount, 7);
    EXPECT_EQ(doc.albums()[1]->versionTag, "LM200");
    ASSERT_EQ(doc.images().size(), 1u);
    const CPhotoData& p = *doc.images()[0];
    EXPECT_EQ(p.imagePath(), "/L/Image Library/20020101/X.AVI");
    EXPECT_EQ(p.year(), "2002");
    EXPECT_EQ(p.second(), "59");
    EXPECT_EQ(p.fileSize(), -1);
    EXPECT_EQ(indexBytes(doc), b.v);
    // An out-of-order list still answers look-ups and inserts like an ordered scan would.
    EXPECT_NE(doc.findLibrary("/l/image library/20010101"), nullptr);
}

TEST(IndexRead, BytesAfterTheListsAreIgnored) {
    Bytes b;
    b.u16(0).u16(0).raw("trailing garbage");
    CKDCardAlbumDoc doc;
    EXPECT_TRUE(readIndex(b.v, doc).ok());
}

TEST(IndexRead, EveryCutShortFileIsRefused) {
    Bytes b;
    b.u16(1).newClass("CAlbumData").album("T", "/L/Image Library/20010101");
    b.u16(2).newClass("CPhotoData").image("/L/Image Library/20010101/A.JPG", "20010101000000", 5);
    b.u16(0x8003).image("/L/Image Library/20010101/B.JPG", "20010101000000", 6);
    for (std::size_t n = 0; n < b.v.size(); ++n) {
        CKDCardAlbumDoc doc;
        doc.addLibrary(makeAlbum("/keep"));
        const auto r = readIndex(std::span(b.v.data(), n), doc);
        EXPECT_EQ(r.error, IndexError::Truncated) << "cut at " << n;
        EXPECT_EQ(doc.albums().size(), 1u) << "a failed read must leave the document alone";
    }
}

TEST(IndexRead, LayoutFaultsAreRefusedWithTheirCause) {
    struct Case {
        const char* what;
        Bytes bytes;
        IndexError error;
    };
    std::vector<Case> cases;
    cases.push_back({"unknown class name", Bytes().u16(1).newClass("CAlbumDatx").album("", "/a"), IndexError::UnknownClass});
    cases.push_back({"schema 1", Bytes().u16(1).u16(0xFFFF).u16(1).u16(10).raw("CAlbumData").album("", "/a"), IndexError::BadSchema});
    cases.push_back({"image class in album list", Bytes().u16(1).newClass("CPhotoData").image("/a", "20010101000000", 0), IndexError::WrongClass});
    cases.push_back({"album class tag in image list", Bytes().u16(1).newClass("CAlbumData").album("", "/a").u16(1).u16(0x8001).image("/a/b", "20010101000000", 0), IndexError::WrongClass});
    cases.push_back({"no object", Bytes().u16(1).u16(0), IndexError::NullObject});
    cases.push_back({"back reference", Bytes().u16(2).newClass("CAlbumData").album("", "/a").u16(2), IndexError::BackReference});
    cases.push_back({"big back reference", Bytes().u16(2).newClass("CAlbumData").album("", "/a").u16(0x7FFF).u32(2), IndexError::BackReference});
    cases.push_back({"class tag naming an object", Bytes().u16(2).newClass("CAlbumData").album("", "/a").u16(0x8002), IndexError::BadClassTag});
    cases.push_back({"class tag before any class", Bytes().u16(1).u16(0x8001), IndexError::BadClassTag});
    cases.push_back({"two-byte text marker", Bytes().u16(1).newClass("CAlbumData").u8(0xFF).u16(0xFFFE).u8(5).raw("LM200"), IndexError::WideText});
    cases.push_back({"count beyond the file", Bytes().u16(0xFFFF).u32(0xFFFFFFFF), IndexError::TooLarge});
    for (auto& c : cases) {
        c.bytes.u16(0).raw(std::string(64, '\0'));  // room so that no fault reads as a short file
        CKDCardAlbumDoc doc;
        EXPECT_EQ(readIndex(c.bytes.v, doc).error, c.error) << c.what;
        EXPECT_TRUE(doc.albums().empty()) << c.what;
    }
}

TEST(IndexRead, ParsingInPiecesGivesTheSameDocument) {
    Bytes b;
    b.u16(2).newClass("CAlbumData").album(std::string(300, 'x'), "/L/Image Library/20010101");
    b.u16(0x8001).album("", "/L/Image Library/20010102");
    b.u16(2).newClass("CPhotoData").image("/L/Image Library/20010101/A.JPG", "20010101000000", 5);
    b.u16(0x8004).image("/L/Image Library/20010102/B.JPG", "20010102000000", 6);
    for (std::size_t piece : {1u, 2u, 3u, 7u, 64u}) {
        IndexParser parser(b.v.size());
        std::vector<std::uint8_t> window;
        std::size_t fed = 0;
        IndexParser::Status status = IndexParser::Status::NeedMore;
        while (status == IndexParser::Status::NeedMore) {
            const std::size_t n = std::min(piece, b.v.size() - fed);
            window.insert(window.end(), b.v.begin() + static_cast<long>(fed), b.v.begin() + static_cast<long>(fed + n));
            fed += n;
            std::size_t consumed = 0;
            status = parser.parse(window, fed == b.v.size(), consumed);
            window.erase(window.begin(), window.begin() + static_cast<long>(consumed));
        }
        ASSERT_EQ(status, IndexParser::Status::Done) << "piece " << piece << ": " << describe(parser.result().error) << " at " << parser.result().offset;
        CKDCardAlbumDoc doc;
        parser.finish(doc);
        EXPECT_EQ(indexBytes(doc), b.v) << "piece " << piece;
    }
}

}  // namespace
}  // namespace lumbrel::library
