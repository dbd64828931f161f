// The document's ordering rules and queries, library keys and relocation.

#include "library/album_doc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "library/library_key.h"
#include "library/relocation.h"

namespace lumbrel::library {
namespace {

CAlbumData album(const std::string& folder) {
    CAlbumData a;
    a.folderPath = folder;
    a.indexPagePath = folder + "/INDEX.HTM";
    return a;
}

CPhotoData image(const std::string& path) { return CPhotoData({path, "2001", "04", "15", "10", "00", "00"}, 10, 0); }

std::vector<std::string> keysOf(const CKDCardAlbumDoc& doc) {
    std::vector<std::string> keys;
    for (const auto& a : doc.albums()) keys.emplace_back(a->key());
    return keys;
}

TEST(Document, LibrariesSortByPathInAnyOrderOfArrival) {
    const std::vector<std::string> keys = {"20010415", "20010402", "20010415_1"};
    std::vector<std::string> order = keys;
    std::sort(order.begin(), order.end());
    do {
        CKDCardAlbumDoc doc;
        for (const auto& k : order) doc.addLibrary(album("/L/" + k));
        EXPECT_EQ(keysOf(doc), (std::vector<std::string>{"20010402", "20010415", "20010415_1"}));
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(Document, PathsDifferingInCaseKeepTheirOrderOfArrival) {
    CKDCardAlbumDoc doc;
    CAlbumData first = album("/L/abc"), second = album("/L/ABC"), third = album("/L/Abc");
    first.title = "1";
    second.title = "2";
    third.title = "3";
    doc.addLibrary(album("/L/zzz"));
    doc.addLibrary(first);
    doc.addLibrary(second);
    doc.addLibrary(third);
    ASSERT_EQ(doc.albums().size(), 4u);
    EXPECT_EQ(doc.albums()[0]->title, "1");
    EXPECT_EQ(doc.albums()[1]->title, "2");
    EXPECT_EQ(doc.albums()[2]->title, "3");
    // Look-ups ignore case and find the first of the equal ones.
    EXPECT_EQ(doc.findLibrary("/l/ABC")->title, "1");
    doc.removeLibrary("/L/aBc");
    EXPECT_EQ(doc.albums()[0]->title, "2");
}

TEST(Document, UnorderedListsFromAFileStillFindAndInsertLikeAScan) {
    CKDCardAlbumDoc::AlbumList albums;
    for (const char* k : {"/L/c", "/L/a", "/L/d"}) albums.push_back(std::make_unique<CAlbumData>(album(k)));
    CKDCardAlbumDoc doc;
    doc.adoptLists(std::move(albums), {});
    EXPECT_NE(doc.findLibrary("/L/A"), nullptr);
    EXPECT_NE(doc.findLibrary("/L/d"), nullptr);
    doc.addLibrary(album("/L/b"));  // before the first greater one: /L/c
    EXPECT_EQ(keysOf(doc), (std::vector<std::string>{"b", "c", "a", "d"}));
}

TEST(Document, RemovingALibraryTakesOnlyItsOwnImages) {
    CKDCardAlbumDoc doc;
    doc.addLibrary(album("/L/X"));
    doc.addLibrary(album("/L/X_1"));
    for (const char* p : {"/L/X/a.JPG", "/L/x/b.JPG", "/L/X_1/c.JPG", "/L/XY/d.JPG", "/L/X"}) doc.addImage(image(p));
    doc.removeLibraryAndImages("/L/X");
    EXPECT_EQ(keysOf(doc), (std::vector<std::string>{"X_1"}));
    std::vector<std::string> left;
    for (const auto& p : doc.images()) left.emplace_back(p->imagePath());
    EXPECT_EQ(left, (std::vector<std::string>{"/L/X", "/L/X_1/c.JPG", "/L/XY/d.JPG"}));
    doc.removeLibrary("/L/nothing");  // not there: nothing happens
    doc.removeImage("/L/xy/D.jpg");
    EXPECT_EQ(doc.images().size(), 2u);
}

TEST(Document, GetLibraryCopiesWithoutDeleteMarks) {
    CKDCardAlbumDoc doc;
    CAlbumData a = album("/L/20010101");
    a.title = "T";
    doc.addLibrary(a);
    doc.albums()[0]->deleteMarks = {1, 0, 1};
    CAlbumData out;
    out.title = "unchanged";
    EXPECT_FALSE(doc.getLibrary("/L/none", out));
    EXPECT_EQ(out.title, "unchanged");
    ASSERT_TRUE(doc.getLibrary("/l/20010101", out));
    EXPECT_EQ(out.title, "T");
    EXPECT_TRUE(out.deleteMarks.empty());
}

TEST(Document, MonthQuery) {
    CKDCardAlbumDoc doc;
    for (const char* k : {"20010415", "20010415_2", "010415", "20010501", "20010400_1", "950415", "010415120000", "20010415"})
        doc.addLibrary(album(std::string("/L/") + k));
    EXPECT_EQ(doc.selectMonth("2001", "04"), 6u);
    std::vector<std::string> keys;
    for (const auto* a : doc.monthSelection()) keys.emplace_back(a->key());
    EXPECT_EQ(keys, (std::vector<std::string>{"010415", "010415120000", "20010400_1", "20010415", "20010415", "20010415_2"}));
    EXPECT_EQ(doc.selectMonth("1995", "04"), 1u);
    EXPECT_EQ(doc.selectMonth("2001", "05"), 1u);
}

TEST(Document, ImageQuery) {
    CKDCardAlbumDoc doc;
    for (const char* p : {"/L/20010415/A.JPG", "/L/20010415/B.JPG", "/L/20010415_1/100ABCDE/C.JPG",
                          "/L/20010415_1/20010415/D.JPG", "/L/010415120000/20010415/E.JPG", "/L/x/20010415/F.JPG",
                          "/L/20010416/G.JPG"})
        doc.addImage(image(p));
    auto names = [&] {
        std::vector<std::string> n;
        for (const auto* p : doc.imageSelection()) n.emplace_back(p->imagePath().substr(p->imagePath().rfind('/') + 1));
        return n;
    };
    // A plain key: files directly in a folder of that name, not inside a library of the subfolder form.
    EXPECT_EQ(doc.selectImages("20010415"), 3u);
    EXPECT_EQ(names(), (std::vector<std::string>{"A.JPG", "B.JPG", "F.JPG"}));
    // A key with "_" (or of 12 characters): every path containing it, case-sensitively.
    EXPECT_EQ(doc.selectImages("20010415_1"), 2u);
    EXPECT_EQ(names(), (std::vector<std::string>{"C.JPG", "D.JPG"}));
    EXPECT_EQ(doc.selectImages("010415120000"), 1u);

    // The one-pass query of many keys gives what the per-key query gives,
    // including a key found twice in one path, letter case and an unknown key.
    doc.addImage(image("/L/20010415_1/20010415_1x/H.JPG"));
    doc.addImage(image("/L/Ab/I.JPG"));
    const std::vector<std::string> keys{"20010415", "20010415_1", "010415120000", "aB", "20010416", "none", "20010415"};
    const auto batch = doc.imagesOfKeys(keys);
    ASSERT_EQ(batch.size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        doc.selectImages(keys[i]);
        EXPECT_EQ(batch[i], std::vector<const CPhotoData*>(doc.imageSelection().begin(), doc.imageSelection().end()))
            << keys[i];
    }
    EXPECT_EQ(batch[1].size(), 3u);
}

TEST(LibraryKey, KeyToText) {
    EXPECT_EQ(keyToText("990101"), "1999/01/01");
    EXPECT_EQ(keyToText("050101"), "2005/01/01");
    EXPECT_EQ(keyToText("950101"), "1995/01/01");
    EXPECT_EQ(keyToText("20010400_1"), "2001/04 _1");
    EXPECT_EQ(keyToText("20010415_2"), "2001/04/15 _2");
    EXPECT_EQ(keyToText("20010415"), "2001/04/15");
    EXPECT_EQ(keyToText("990101123456"), "1999/01/01 12:34");
    EXPECT_EQ(keyToText("12"), "12//");  // short junk keys do not read past their end
}

TEST(LibraryKey, UniqueKeyLooksOnlyAtTheIndex) {
    CKDCardAlbumDoc doc;
    doc.addLibrary(album("/L/20010415"));
    EXPECT_EQ(uniqueKey("20010415", doc), "20010415_1");
    doc.addLibrary(album("/L/20010415_1"));
    doc.addLibrary(album("/L/20010415_3"));
    doc.addLibrary(album("/L/20010416_9"));
    doc.addLibrary(album("/L/20010415_x"));
    EXPECT_EQ(uniqueKey("20010415", doc), "20010415_4");
    EXPECT_EQ(uniqueKey("20010416", doc), "20010416_10");
    EXPECT_EQ(uniqueKey("20010417", doc), "20010417_1");
}

TEST(Relocation, ReplacesTheOldRootEverywhere) {
    CKDCardAlbumDoc doc;
    doc.addLibrary(album("/old/Image Library/20010415"));
    doc.addLibrary(album("/pub/x/ImageLib/20010416_1"));
    doc.addImage(image("/old/Image Library/20010415/A.JPG"));
    doc.addImage(image("/pub/x/ImageLib/20010416_1/100ABCDE/B.JPG"));
    std::vector<std::string> keys;
    ASSERT_TRUE(relocateIndex(doc, "/home/u/Pictures/Lib", keys));
    EXPECT_EQ(keys, (std::vector<std::string>{"20010415", "20010416_1"}));
    EXPECT_EQ(doc.albums()[0]->folderPath, "/home/u/Pictures/Lib/20010415");
    EXPECT_EQ(doc.albums()[0]->indexPagePath, "/home/u/Pictures/Lib/20010415/INDEX.HTM");
    EXPECT_EQ(doc.albums()[1]->folderPath, "/home/u/Pictures/Lib/20010416_1");
    EXPECT_EQ(doc.images()[0]->imagePath(), "/home/u/Pictures/Lib/20010415/A.JPG");
    EXPECT_EQ(doc.images()[1]->imagePath(), "/home/u/Pictures/Lib/20010416_1/100ABCDE/B.JPG");
    EXPECT_NE(doc.findImage("/home/u/pictures/lib/20010415/a.jpg"), nullptr);
}

TEST(Relocation, FailsOnAPathOutsideAnyLibraryRoot) {
    CKDCardAlbumDoc doc;
    doc.addLibrary(album("/old/Image Library/20010415"));
    doc.addImage(image("/elsewhere/Pictures/A.JPG.lnk"));
    std::vector<std::string> keys;
    EXPECT_FALSE(relocateIndex(doc, "/new", keys));
    // Records before the failing one keep their new paths.
    EXPECT_EQ(doc.albums()[0]->folderPath, "/new/20010415");
    // "image library" in another case is not a library root.
    CKDCardAlbumDoc other;
    other.addLibrary(album("/old/image library/20010415"));
    EXPECT_FALSE(relocateIndex(other, "/new", keys));
}

TEST(Relocation, ReplaceAllScansLeftToRight) {
    EXPECT_EQ(replaceAll("/a/R/b/R/c", "/R", "/RR"), "/a/RR/b/RR/c");
    EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
}

TEST(PhotoData, TextsCanBeSetFromTheirOwnStorage) {
    CPhotoData p = image("/L/20010415/A.JPG");
    p.setImagePath(p.imagePath().substr(3));
    EXPECT_EQ(p.imagePath(), "20010415/A.JPG");
    p.setRecordingDate(p.imagePath().substr(0, 8));
    EXPECT_EQ(p.year(), "2001");
    EXPECT_EQ(p.day(), "15");
    EXPECT_EQ(p.hour(), "");
    EXPECT_EQ(p.fileSize(), 10);
}

}  // namespace
}  // namespace lumbrel::library
