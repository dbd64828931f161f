// Writes a small program folder for the browser tests:
//   <dir>/Image Library/<key>/P<n>.JPG            pictures (small real JPEGs)
//   <dir>/Image Library/<key>/M<n>.AVI            movies (Motion-JPEG AVI)
//   <dir>/Image Library/<key>/PREVIEW/...         their thumbnails
//   <dir>/Image Library/<key>_<n>/<group>/...     folder-mode libraries: one
//                                                 group per sub-folder
//   <dir>/Image Library/<key>/INDEX.HTM ...       each library's album pages
//   <dir>/library.htm, <dir>/HTML/...             the site over all libraries
// and prints the path of library.htm. Usage: site_fixture DIR
//
// The albums, one per template and page kind the tests drive:
//   20240305    template 0, mail and print buttons, seven pictures
//   20240312    template 1, two pictures and a movie
//   20230707    template 2, mail button only, four pictures and a movie
//   20230820    template 3, three pictures and a movie
//   20240401_1  template 0 collection of two camera folders, mail (small
//               size) and print, a movie with 160-pixel frames among the
//               pictures; the image list starts with its second group
//   20240402_1  template 2 collection of folders named by hand ("#", "&" and
//               spaces in their names, one holding only a movie), no mail and
//               no print button

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/album_doc.h"
#include "media/avi_builder.h"
#include "media/imaging.h"
#include "plugin/album_writer.h"
#include "web/library_page_writer.h"

namespace {

using namespace lumbrel;

// A picture of width x height in one colour with a darker diagonal and
// `marks` white squares along its top edge, so that a browser has something to
// decode and a person looking at a screenshot can tell the pictures apart.
media::Image picture(int width, int height, int shade, int marks) {
    media::Image image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    const int side = width / 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool line = (x * height / width) == y || (x * height / width) == y + 1;
            const int slot = x / (2 * side);
            const bool mark = y >= side && y < 2 * side && x % (2 * side) >= side && slot < marks;
            std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(mark ? 255 : line ? 20 : shade);
            p[1] = static_cast<std::uint8_t>(mark ? 255 : line ? 20 : 255 - shade);
            p[2] = static_cast<std::uint8_t>(mark ? 255 : 128);
        }
    return image;
}

/// One file of a library: a picture, or a movie with frameWidth-wide frames.
struct Item {
    std::string group;  ///< sub-folder of a folder-mode library, else empty
    std::string name;
    bool movie = false;
    int frameWidth = 320;
};

struct Library {
    const char* key;
    const char* title;
    const char* date;  ///< YYYYMMDD of the image records
    int templateIndex;
    int patternIndex;
    int printButton;
    const char* mailName;
    int mailSizeCode;
    std::vector<Item> items;
};

constexpr const char* kNoMailer = "Email software is not assigned";

/// n pictures P0.JPG ... of a single-date library, then more.
std::vector<Item> pictures(int n, std::vector<Item> more = {}) {
    std::vector<Item> items;
    for (int i = 0; i < n; ++i) items.push_back({"", "P" + std::to_string(i) + ".JPG"});
    items.insert(items.end(), more.begin(), more.end());
    return items;
}

bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

/// A movie of three frames with its preview (the first frame, as the loader
/// makes it) in PREVIEW.
bool writeMovie(const std::string& folder, const std::string& name, int width) {
    const int height = width * 3 / 4;
    std::vector<std::vector<std::uint8_t>> frames;
    for (int f = 0; f < 3; ++f) frames.push_back(test::toMotionJpegFrame(test::testJpeg(width, height, 80 + f)));
    test::AviLayout layout;
    layout.width = width;
    layout.height = height;
    const std::string preview = folder + "/PREVIEW/" + name.substr(0, name.size() - 3) + "JPG";
    const media::Image first{width, height, test::testPixels(width, height)};
    return writeBytes(folder + "/" + name, test::buildAvi(frames, layout)) && media::saveJpeg(first, preview);
}

/// The index-th picture of a library (every third one tall) with its preview,
/// at most 320 pixels on the longer side as the loader makes it.
bool writePicture(const std::string& folder, const std::string& name, int index) {
    const bool tall = index % 3 == 2;
    const int shade = 40 + 30 * (index % 7);
    return media::saveJpeg(picture(tall ? 480 : 640, tall ? 640 : 480, shade, index + 1), folder + "/" + name, 85) &&
           media::saveJpeg(picture(tall ? 240 : 320, tall ? 320 : 240, shade, index + 1), folder + "/PREVIEW/" + name);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: site_fixture DIR\n");
        return 2;
    }
    const std::string home = std::filesystem::absolute(argv[1]).string();
    const std::vector<Library> libraries{
        {"20240305", "Spring & kites", "20240305", 0, 7, 0, "Post & Mail", 0, pictures(7)},
        {"20240312", "Harbour", "20240312", 1, 2, 0, "Post & Mail", 0, pictures(2, {{"", "M0.AVI", true}})},
        {"20230707", "Summer <garden>", "20230707", 2, 12, 1, "Post & Mail", 0,
         pictures(2, {{"", "M0.AVI", true}, {"", "P2.JPG"}, {"", "P3.JPG"}})},
        {"20230820", "Night walk", "20230820", 3, 16, 0, "Post & Mail", 0, pictures(3, {{"", "M0.AVI", true}})},
        {"20240401_1", "Coast trip", "20240401", 0, 0, 0, "Post & Mail", 1,
         {{"101KDCAM", "KDC_0101.JPG"}, {"101KDCAM", "KDC_0102.JPG"}, {"101KDCAM", "KDC_0103.AVI", true, 160},
          {"101KDCAM", "KDC_0104.JPG"}, {"100KDCAM", "KDC_0001.JPG"}, {"100KDCAM", "KDC_0002.JPG"}}},
        {"20240402_1", "Odds & ends", "20240402", 2, 1, 1, kNoMailer, 0,
         {{"Trip #2", "Boat 1.JPG"}, {"Trip #2", "Boat 2.JPG"}, {"Sun & sea", "Wave.JPG"},
          {"Sun & sea", "Surf.AVI", true}, {"Clips", "Clip 1.AVI", true}}},
    };

    library::CKDCardAlbumDoc doc;
    std::vector<std::string> keys;
    for (const Library& lib : libraries) {
        const std::string folder = home + "/Image Library/" + lib.key;
        library::CAlbumData album;
        album.title = lib.title;
        album.folderPath = folder;
        album.indexPagePath = folder + "/INDEX.HTM";
        album.printButton = lib.printButton;
        album.mailSoftware = lib.mailName;
        album.attachmentSize = lib.mailSizeCode;
        doc.addLibrary(album);
        plugin::AlbumRequest request;
        request.libraryPath = folder;
        request.templateIndex = lib.templateIndex;
        request.patternIndex = lib.patternIndex;
        request.printButton = lib.printButton;
        request.mailName = lib.mailName;
        request.mailSizeCode = lib.mailSizeCode;
        const std::string date(lib.date);
        int index = 0;
        for (const Item& item : lib.items) {
            const std::string itemFolder = item.group.empty() ? folder : folder + "/" + item.group;
            std::filesystem::create_directories(itemFolder + "/PREVIEW");
            const bool written = item.movie ? writeMovie(itemFolder, item.name, item.frameWidth)
                                            : writePicture(itemFolder, item.name, index++);
            if (!written) {
                std::fprintf(stderr, "site_fixture: cannot write %s in %s\n", item.name.c_str(), itemFolder.c_str());
                return 1;
            }
            const std::string path = itemFolder + "/" + item.name;
            doc.addImage(library::CPhotoData(
                {path, date.substr(0, 4), date.substr(4, 2), date.substr(6, 2), "12", "00", "00"}, 0, 0));
            request.imagePaths.push_back(path);
        }
        if (!plugin::writeAlbum(request)) {
            std::fprintf(stderr, "site_fixture: cannot write the album pages of %s\n", folder.c_str());
            return 1;
        }
        keys.emplace_back(lib.key);
    }
    web::LibraryPageWriter writer(home, doc);
    if (!writer.writeNewSite() || !writer.addPass(keys)) {
        std::fprintf(stderr, "site_fixture: cannot write the site pages\n");
        return 1;
    }
    std::printf("%s/library.htm\n", home.c_str());
    return 0;
}
