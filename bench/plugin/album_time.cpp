// Time and peak memory of writing the album pages of one library:
//
//   album_time LIBRARY_FOLDER [TEMPLATE]
//
// Every .JPG/.AVI file directly in the folder is an item, in name order. The
// pages are written by the plug-in's page writer in this process (the host
// only loads the plug-in around the same call). Prints the items, the total
// time, the time per item and the peak resident memory.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin/album_writer.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: album_time LIBRARY_FOLDER [TEMPLATE]\n");
        return 2;
    }
    lumbrel::plugin::AlbumRequest request;
    request.libraryPath = argv[1];
    request.templateIndex = argc > 2 ? std::atoi(argv[2]) : 0;
    request.mailName = "Email software is not assigned";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(request.libraryPath, ec)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".JPG" || ext == ".AVI") request.imagePaths.push_back(entry.path().string());
    }
    std::sort(request.imagePaths.begin(), request.imagePaths.end());
    if (request.imagePaths.empty()) {
        std::fprintf(stderr, "album_time: no pictures in %s\n", argv[1]);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok = lumbrel::plugin::writeAlbum(request);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("items %zu  total %.3f s  per item %.3f ms  peak RSS %.1f MiB%s\n", request.imagePaths.size(),
                seconds, seconds * 1000 / static_cast<double>(request.imagePaths.size()),
                static_cast<double>(usage.ru_maxrss) / 1024, ok ? "" : "  (FAILED)");
    return ok ? 0 : 1;
}
