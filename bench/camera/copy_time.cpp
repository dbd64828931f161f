// The copy stage of a load alone: every file below SOURCE copied with the
// platform's copyFile (temporary file, renamed, size-checked) into TARGET, one
// folder per source folder, as a load copies them: handed to the disk one by
// one and flushed together at the end (flushFiles), or with --each flushed one
// by one.
//
//   copy_time [--each] SOURCE TARGET
//
// Prints the files, bytes and seconds; run-copy-bench.sh times cp -r beside it.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"

int main(int argc, char** argv) {
    const bool each = argc == 4 && std::string(argv[1]) == "--each";
    if (argc != 3 && !each) {
        std::fprintf(stderr, "usage: copy_time [--each] SOURCE TARGET\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path source = argv[argc - 2], target = argv[argc - 1];
    std::vector<std::string> copies;
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& entry : fs::recursive_directory_iterator(source)) {
        const fs::path dest = target / entry.path().lexically_relative(source);
        if (entry.is_directory()) {
            fs::create_directories(dest);
            continue;
        }
        if (!lumbrel::platform::copyFile(entry.path().string(), dest.string(), each)) {
            std::fprintf(stderr, "copy_time: cannot copy %s\n", entry.path().c_str());
            return 1;
        }
        copies.push_back(dest.string());
        ++files;
        bytes += entry.file_size();
    }
    if (!lumbrel::platform::flushFiles(copies)) {
        std::fprintf(stderr, "copy_time: cannot flush the copies\n");
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu files, %.1f MB in %.3f s\n", files, static_cast<double>(bytes) / 1e6, seconds);
    return 0;
}
