// Writes a small program folder for the browser tests:
//   <dir>/Image Library/<key>/P<n>.JPG      pictures (small real JPEGs)
//   <dir>/Image Library/<key>/PREVIEW/...   their thumbnails
//   <dir>/Image Library/<key>/INDEX.HTM ... each library's album pages
//   <dir>/library.htm, <dir>/HTML/...       the site over all libraries
// and prints the path of library.htm. Usage: site_fixture DIR

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "library/album_doc.h"
#include "media/imaging.h"
#include "plugin/album_writer.h"
#include "web/library_page_writer.h"

namespace {

using namespace lumbrel;

// A picture of width x height in one colour with a darker diagonal, so that
// a browser has something to decode.
media::Image picture(int width, int height, int shade) {
    media::Image image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool line = (x * height / width) == y;
            std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(line ? 20 : shade);
            p[1] = static_cast<std::uint8_t>(line ? 20 : 255 - shade);
            p[2] = 128;
        }
    return image;
}

struct Library {
    const char* key;
    const char* title;
    int pictures;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: site_fixture DIR\n");
        return 2;
    }
    const std::string home = std::filesystem::absolute(argv[1]).string();
    const std::vector<Library> libraries{
        {"20240305", "Spring & kites", 7}, {"20240312", "Harbour", 2}, {"20230707", "Summer <garden>", 1}};

    library::CKDCardAlbumDoc doc;
    std::vector<std::string> keys;
    for (const Library& lib : libraries) {
        const std::string folder = home + "/Image Library/" + lib.key;
        std::filesystem::create_directories(folder + "/PREVIEW");
        library::CAlbumData album;
        album.title = lib.title;
        album.folderPath = folder;
        album.indexPagePath = folder + "/INDEX.HTM";
        doc.addLibrary(album);
        plugin::AlbumRequest request;
        request.libraryPath = folder;
        request.templateIndex = 0;
        request.patternIndex = 7;
        for (int i = 0; i < lib.pictures; ++i) {
            const std::string name = "P" + std::to_string(i) + ".JPG";
            const bool tall = i % 3 == 2;
            const int shade = 40 + 30 * i;
            if (!media::saveJpeg(picture(tall ? 240 : 320, tall ? 320 : 240, shade), folder + "/" + name, 85) ||
                !media::saveJpeg(picture(tall ? 60 : 80, tall ? 80 : 60, shade), folder + "/PREVIEW/" + name)) {
                std::fprintf(stderr, "site_fixture: cannot write pictures in %s\n", folder.c_str());
                return 1;
            }
            doc.addImage(library::CPhotoData({folder + "/" + name, "2024", "03", "05", "12", "00", "00"}, 0, 0));
            request.imagePaths.push_back(folder + "/" + name);
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
