// make-sample-card OUTDIR [--large]
// Writes the sample camera card used by the tests and the README demo into
// OUTDIR (its DCIM and KDCAM folders are replaced) and prints one line per file.

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "sample_card.h"

namespace {

int run(int argc, char** argv) {
    std::string outDir;
    lumbrel::samplecard::CardOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--large") {
            options.large = true;
        } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
            outDir = arg;
        } else {
            outDir.clear();
            break;
        }
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "usage: make-sample-card OUTDIR [--large]\n");
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    std::vector<lumbrel::samplecard::CardFile> written;
    std::string error;
    if (!lumbrel::samplecard::makeSampleCard(outDir, options, written, error)) {
        std::fprintf(stderr, "make-sample-card: %s\n", error.c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    unsigned long long total = 0;
    for (const auto& f : written) {
        const std::string size = f.width ? std::to_string(f.width) + "x" + std::to_string(f.height) : "-";
        std::printf("%-28s %9llu  %-9s  %-19s  %s\n", f.path.c_str(), static_cast<unsigned long long>(f.size),
                    size.c_str(), f.date.empty() ? "no date" : f.date.c_str(), f.details.c_str());
        total += f.size;
    }
    std::printf("%zu files, %llu bytes, in %.2f s: %s\n", written.size(), total, seconds, outDir.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-sample-card: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "make-sample-card: unexpected error\n");
    }
    return 1;
}
