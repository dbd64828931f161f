// Time and peak memory of one index step, one step per process so each peak is
// its own:
//   index_peak make FILE       generates the sample library and saves it to FILE
//   index_peak open FILE       opens FILE as a document
//   index_peak save FILE OUT   opens FILE (not timed) and saves it to OUT
// Each prints one line: the step, file size, seconds, MB/s (10^6 bytes), the
// peak resident size and that peak as a multiple of the file size.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "index_sample.h"
#include "library/index_file.h"
#include "platform/files.h"

namespace {

using namespace lumbrel;
using Clock = std::chrono::steady_clock;

double peakRssMB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6;  // ru_maxrss is in KiB
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void report(const char* step, const std::string& file, double seconds, double startRss, double beforeRss) {
    const auto size = platform::fileSize(file);
    const double mb = size ? static_cast<double>(*size) / 1e6 : 0.0;
    const double peak = peakRssMB();
    std::printf("%-5s file=%.2fMB time=%.3fs rate=%.1fMB/s peakRSS=%.1fMB peak/file=%.2f "
                "startRSS=%.1fMB beforeStepRSS=%.1fMB\n",
                step, mb, seconds, seconds > 0 ? mb / seconds : 0.0, peak, mb > 0 ? peak / mb : 0.0, startRss,
                beforeRss);
}

bool openDoc(const std::string& file, library::CKDCardAlbumDoc& doc) {
    const auto result = library::openIndexFile(file, doc);
    if (result.ok()) return true;
    std::fprintf(stderr, "index_peak: cannot open %s: %s at byte %llu\n", file.c_str(),
                 std::string(library::describe(result.error)).c_str(),
                 static_cast<unsigned long long>(result.offset));
    return false;
}

bool saveDoc(library::CKDCardAlbumDoc& doc, const std::string& file) {
    if (library::saveIndexFile(doc, file)) return true;
    std::fprintf(stderr, "index_peak: cannot save %s\n", file.c_str());
    return false;
}

int usage() {
    std::fprintf(stderr, "usage: index_peak make FILE | open FILE | save FILE OUT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string step = argv[1];
    const std::string file = argv[2];
    const double startRss = peakRssMB();

    if (step == "make" && argc == 3) {
        auto doc = bench::makeSampleDocument();
        const double before = peakRssMB();
        const auto start = Clock::now();
        if (!saveDoc(doc, file)) return 1;
        report("make", file, secondsSince(start), startRss, before);
        std::printf("      libraries=%zu images=%zu\n", doc.albums().size(), doc.images().size());
        return 0;
    }
    if (step == "open" && argc == 3) {
        library::CKDCardAlbumDoc doc;
        const auto start = Clock::now();
        if (!openDoc(file, doc)) return 1;
        report("open", file, secondsSince(start), startRss, startRss);
        return 0;
    }
    if (step == "save" && argc == 4) {
        const std::string out = argv[3];
        library::CKDCardAlbumDoc doc;
        if (!openDoc(file, doc)) return 1;
        const double before = peakRssMB();
        const auto start = Clock::now();
        if (!saveDoc(doc, out)) return 1;
        report("save", out, secondsSince(start), startRss, before);
        return 0;
    }
    return usage();
}
