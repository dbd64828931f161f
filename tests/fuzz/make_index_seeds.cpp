// Writes the fuzzer's starting corpus into a folder: small index files of the
// current layout (written by the program's own writer, plus the longer forms of
// counts, tags and text lengths that other writers may use) and one of the
// older layout for the converter.
//   make_index_seeds FOLDER

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_doc.h"
#include "library/index_format.h"
#include "platform/files.h"

namespace {

using namespace lumbrel::library;
using Bytes = std::vector<std::uint8_t>;

CAlbumData library(std::string_view key, std::string_view title) {
    CAlbumData a;
    a.folderPath = "/home/user/Lumbrel/Image Library/" + std::string(key);
    a.indexPagePath = a.folderPath + "/INDEX.HTM";
    a.title = title;
    a.templateName = "Standard,Green/Gray";
    a.mailSoftware = "Email software is not assigned";
    a.totalSize = 2'345'678;
    a.imageCount = 1;
    return a;
}

CPhotoData image(std::string_view key, std::string_view name, std::int32_t size) {
    const std::string path = "/home/user/Lumbrel/Image Library/" + std::string(key) + "/" + std::string(name);
    return CPhotoData({path, key.substr(0, 4), key.substr(4, 2), key.substr(6, 2), "10", "42", "07"}, size, 0);
}

// Raw pieces, for the forms the writer does not produce.
struct Builder {
    Bytes out;
    void u16(std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(std::string_view s) {
        out.push_back(static_cast<std::uint8_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    void newClass(std::string_view name) {
        u16(0xFFFF);
        u16(0);
        u16(static_cast<std::uint32_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
    }
};

bool save(const std::string& folder, const char* name, const Bytes& bytes) {
    const std::string path = lumbrel::platform::joinPath(folder, name);
    if (lumbrel::platform::writeFileAtomic(path, bytes)) return true;
    std::fprintf(stderr, "make_index_seeds: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_index_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = save(folder, "empty.kds", Bytes(4, 0));

    CKDCardAlbumDoc one;
    one.addLibrary(library("20010415", "Birthday party"));
    one.addImage(image("20010415", "ABCD0001.JPG", 2'345'678));
    ok &= save(folder, "one.kds", indexBytes(one));

    CKDCardAlbumDoc few;
    few.addLibrary(library("19991231", ""));
    few.addLibrary(library("20010415", "Trip to the coast"));
    few.addLibrary(library("20010415_1", std::string(300, 'x')));  // a length past one byte
    few.addImage(image("19991231", "PICT0099.JPG", 1'200'000));
    few.addImage(image("20010415", "ABCD0001.JPG", 4'900'000));
    few.addImage(image("20010415", "ABCD0002.AVI", 3'000'000));
    few.addImage(image("20010415_1", "ABCD0003.JPG", -1));
    ok &= save(folder, "few.kds", indexBytes(few));

    CKDCardAlbumDoc imagesOnly;
    imagesOnly.addImage(image("20240101", "SNAP0001.JPG", 1'000'000));
    ok &= save(folder, "images-only.kds", indexBytes(imagesOnly));

    // Counts in their long form and a class tag in its 32-bit form.
    Builder wide;
    wide.u16(0xFFFF);
    wide.u32(2);
    wide.newClass("CAlbumData");
    const CAlbumData a = library("20020202", "Snow");
    for (int n = 0; n < 2; ++n) {
        if (n == 1) {
            wide.u16(0x7FFF);
            wide.u32(0x80000001);
        }
        for (std::string_view t : {std::string_view("LM200"), std::string_view(a.title),
                                   std::string_view(a.folderPath), std::string_view(a.indexPagePath),
                                   std::string_view(a.templateName)})
            wide.text(t);
        for (std::int32_t v : {a.totalSize, a.imageCount, a.shortcutFlag, a.printButton, a.attachmentSize})
            wide.u32(static_cast<std::uint32_t>(v));
        wide.text(a.mailSoftware);
    }
    wide.u16(0xFFFF);
    wide.u32(0);
    ok &= save(folder, "long-forms.kds", wide.out);

    // The older layout: library records without the version tag, print button
    // and attachment size, with two numbers and the mail software instead.
    Builder older;
    older.u16(2);
    older.newClass("CAlbumData");
    for (int n = 0; n < 2; ++n) {
        if (n == 1) older.u16(0x8001);
        const CAlbumData b = library(n == 0 ? "19980704" : "19980705", n == 0 ? "Fireworks" : "");
        older.text(b.title);
        older.text(b.folderPath);
        older.text(b.indexPagePath);
        older.text(b.templateName);
        for (std::int32_t v : {b.totalSize, b.imageCount, b.shortcutFlag, 0, 0})
            older.u32(static_cast<std::uint32_t>(v));
        older.text(n == 0 ? "Outlook Express" : "Email software is not assigned");
    }
    older.u16(1);
    older.newClass("CPhotoData");
    for (std::string_view t : {"/home/user/Lumbrel/Image Library/19980704/PICT0001.JPG", "1998", "07", "04", "21",
                               "30", "15"})
        older.text(t);
    older.u32(1'500'000);
    older.u32(0);
    ok &= save(folder, "older-layout.kds", older.out);

    return ok ? 0 : 1;
}
