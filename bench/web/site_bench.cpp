// Speed of the library web site writer (web::LibraryPageWriter) over a
// generated program folder.
//
//   site_bench [benchmark options]
//
// The program folder is /tmp/lumbrel-webbench (or $LUMBREL_WEBBENCH_DIR). It is
// filled once per run with 2,000 library folders over the five years 2019-2023
// (keys YYYYMMDD and YYYYMMDD_n), each with 1-8 images whose PREVIEW/ folder holds
// real tiny JPEG thumbnails (32x24 or 24x32), since the writer reads every
// thumbnail's header to pick WIDTH or HEIGHT. The month July 2021 holds exactly
// 31 libraries; one more library of that month (20210715_1) is in the document
// but kept off the site, for the "new library into a full month" case.
//
//   BM_FullRefresh        removePass then addPass of all 2,000 keys on a site
//                         that holds them all (remove_s / add_s split the time).
//   BM_ReAddOneFullMonth  removePass + addPass of one key of the 31-row month.
//   BM_AddNewToFullMonth  addPass of a new key into the 31-row month (its
//                         removal afterwards is not timed).
//   BM_WriteNewSite       writeNewSite on the full site's folder.
//   BM_BuildFromNothing   writeNewSite + addPass of all keys after the HTML
//                         folder and library.htm were deleted (not timed).
//   BM_Phase*             parts of the passes alone: the "any library left"
//                         scan, the image query of all keys (one pass, and
//                         per key as before), and one month page write
//                         (temporary file, fsync, rename).
//
// Every benchmark first builds the full site again outside the timing, so they
// can run alone or in any order (--benchmark_filter).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "library/album_doc.h"
#include "media/imaging.h"
#include "platform/files.h"
#include "web/library_page_writer.h"
#include "web/site_files.h"

namespace {

using namespace lumbrel;
namespace fs = std::filesystem;

constexpr int kFirstYear = 2019;
constexpr int kYears = 5;
constexpr int kLibraries = 2000;
constexpr int kFullYear = 2021;
constexpr int kFullMonth = 7;  // July: 31 days, one library per day
constexpr const char* kFullMonthKey = "20210715";
constexpr const char* kExtraKey = "20210715_1";
// Bumped whenever the generated Image Library changes shape, so an old one is
// made again.
constexpr const char* kLayoutMark = "site_bench layout 1\n";

// Everything the benchmarks share: the program folder, the document and the
// keys that are put on the site (all libraries except kExtraKey).
struct Fixture {
    std::string programFolder;
    library::CKDCardAlbumDoc doc;
    std::vector<std::string> siteKeys;
    int imageCount = 0;
    int monthCount = 0;
};

Fixture* fixture = nullptr;

std::string twoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

int daysIn(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0) return 29;
    return days[month - 1];
}

// A small deterministic generator, so every run builds the same library.
struct Lcg {
    std::uint32_t state = 20240601u;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// Every library key: one month of exactly 31, the rest of the 2,000 spread over
// the other 59 months; a day's second library gets the suffix "_1", and so on.
std::vector<std::string> makeKeys() {
    std::vector<std::string> keys;
    const int otherMonths = kYears * 12 - 1;
    const int rest = kLibraries - 31;
    int monthNumber = 0;
    for (int year = kFirstYear; year < kFirstYear + kYears; ++year)
        for (int month = 1; month <= 12; ++month) {
            const bool full = year == kFullYear && month == kFullMonth;
            int count = 31;
            if (!full) {
                count = rest / otherMonths + (monthNumber < rest % otherMonths ? 1 : 0);
                ++monthNumber;
            }
            const int days = daysIn(year, month);
            for (int i = 0; i < count; ++i) {
                std::string key = std::to_string(year) + twoDigits(month) + twoDigits(i % days + 1);
                if (i / days > 0) {
                    key += '_';
                    key += std::to_string(i / days);
                }
                keys.push_back(key);
            }
        }
    std::sort(keys.begin(), keys.end());
    return keys;
}

media::Image tinyPicture(int width, int height, int shade) {
    media::Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(shade + x * 3);
            p[1] = static_cast<std::uint8_t>(shade + y * 5);
            p[2] = static_cast<std::uint8_t>(255 - shade);
        }
    return image;
}

std::string imageName(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "ABCD%04d.JPG", n);
    return buf;
}

// Builds the document and, unless the folder already holds this layout, the
// Image Library with its thumbnails.
bool makeFixture(Fixture& fx) {
    const char* dir = std::getenv("LUMBREL_WEBBENCH_DIR");
    fx.programFolder = dir && *dir ? dir : "/tmp/lumbrel-webbench";
    const std::string libraryFolder = fx.programFolder + "/Image Library";
    const std::string mark = fx.programFolder + "/layout.txt";
    const auto markBytes = platform::readFile(mark);
    const bool haveFiles =
        markBytes && std::string(markBytes->begin(), markBytes->end()) == kLayoutMark;

    std::error_code ec;
    std::vector<std::string> samples;
    if (!haveFiles) {
        fs::remove_all(fx.programFolder, ec);
        if (!platform::makeDirectories(fx.programFolder + "/samples")) return false;
        // A few real thumbnails, wide and tall, copied under every library.
        const int sizes[][2] = {{32, 24}, {24, 32}, {32, 24}, {32, 21}};
        for (int i = 0; i < 4; ++i) {
            const std::string path = fx.programFolder + "/samples/t" + std::to_string(i) + ".jpg";
            if (!media::saveJpeg(tinyPicture(sizes[i][0], sizes[i][1], 40 + 50 * i), path)) return false;
            samples.push_back(path);
        }
    }

    static const char* const words[] = {"Summer", "trip", "to", "the", "lake", "Birthday", "party",
                                        "Garden", "walk", "with", "Grandma", "Snow", "day", "in",
                                        "town", "School", "concert", "Beach", "holiday", "Kids"};
    Lcg rng;
    std::vector<std::string> keys = makeKeys();
    keys.push_back(kExtraKey);
    std::sort(keys.begin(), keys.end());
    for (const std::string& key : keys) {
        library::CAlbumData album;
        album.folderPath = libraryFolder + "/" + key;
        album.indexPagePath = album.folderPath + "/INDEX.HTM";
        album.templateName = "Simple,Blue";
        const int wordCount = 2 + static_cast<int>(rng.next() % 4);
        for (int w = 0; w < wordCount; ++w) {
            if (w) album.title += ' ';
            album.title += words[rng.next() % (sizeof words / sizeof *words)];
        }
        const int images = 1 + static_cast<int>(rng.next() % 8);
        album.imageCount = images;
        album.versionTag = std::string(library::kAlbumVersionTag);
        if (!haveFiles && !platform::makeDirectories(album.folderPath + "/PREVIEW")) return false;
        for (int n = 1; n <= images; ++n) {
            const std::string name = imageName(n);
            library::CPhotoData image;
            image.setImagePath(album.folderPath + "/" + name);
            image.setRecordingDate(key.substr(0, 8) + "1200" + twoDigits(n));
            image.setFileSize(1'500'000);
            album.totalSize += 1'500'000;
            fx.doc.addImage(std::move(image));
            if (!haveFiles &&
                !platform::copyFile(samples[rng.next() % samples.size()], album.folderPath + "/PREVIEW/" + name))
                return false;
            ++fx.imageCount;
        }
        fx.doc.addLibrary(album);
        if (key != kExtraKey) fx.siteKeys.push_back(key);
    }
    fx.monthCount = kYears * 12;
    if (!haveFiles && !platform::writeFileAtomic(mark, std::string_view(kLayoutMark))) return false;
    return true;
}

// Deletes the site (HTML folder and library.htm), leaving the Image Library.
void deleteSite(const Fixture& fx) {
    std::error_code ec;
    fs::remove_all(fx.programFolder + "/HTML", ec);
    fs::remove(fx.programFolder + "/library.htm", ec);
}

// A new site with every site key on it; false with the reason set when the
// writer reports a failure.
bool buildFullSite(Fixture& fx, benchmark::State& state) {
    deleteSite(fx);
    web::LibraryPageWriter writer(fx.programFolder, fx.doc);
    if (!writer.writeNewSite()) {
        state.SkipWithError("writeNewSite failed");
        return false;
    }
    if (!writer.addPass(fx.siteKeys)) {
        const std::string first = writer.failedKeys().empty() ? "?" : writer.failedKeys().front();
        state.SkipWithError(("addPass failed, first key " + first).c_str());
        return false;
    }
    return true;
}

void failed(benchmark::State& state, const web::LibraryPageWriter& writer, const char* what) {
    const std::string first = writer.failedKeys().empty() ? "?" : writer.failedKeys().front();
    state.SkipWithError((std::string(what) + " failed, first key " + first).c_str());
}

// Rows on the month page of July 2021, counted by their marker comments.
int rowsOnFullMonthPage(const Fixture& fx) {
    const web::SiteFiles site(fx.programFolder);
    const auto page = platform::readFile(site.monthPagePath(std::to_string(kFullYear), kFullMonth - 1));
    if (!page) return -1;
    const std::string text(page->begin(), page->end());
    int rows = 0;
    for (std::size_t at = text.find("<TR><!--"); at != std::string::npos; at = text.find("<TR><!--", at + 1))
        ++rows;
    return rows;
}

double seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

void BM_FullRefresh(benchmark::State& state) {
    Fixture& fx = *fixture;
    if (!buildFullSite(fx, state)) return;
    web::LibraryPageWriter writer(fx.programFolder, fx.doc);
    double removeSeconds = 0, addSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!writer.removePass(fx.siteKeys)) return failed(state, writer, "removePass");
        removeSeconds += seconds(start);
        const auto middle = std::chrono::steady_clock::now();
        if (!writer.addPass(fx.siteKeys)) return failed(state, writer, "addPass");
        addSeconds += seconds(middle);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["keys"] = static_cast<double>(fx.siteKeys.size());
    // Each key's row is removed and inserted again, in memory; every month
    // page is emptied (deleted once) and made anew (written once), and the
    // calendar is written once per pass.
    state.counters["month_pages"] = fx.monthCount;
    state.counters["remove_s"] = removeSeconds / n;
    state.counters["add_s"] = addSeconds / n;
}

void BM_ReAddOneFullMonth(benchmark::State& state) {
    Fixture& fx = *fixture;
    if (!buildFullSite(fx, state)) return;
    state.counters["rows"] = rowsOnFullMonthPage(fx);
    web::LibraryPageWriter writer(fx.programFolder, fx.doc);
    const std::vector<std::string> keys{kFullMonthKey};
    for (auto _ : state) {
        if (!writer.removePass(keys)) return failed(state, writer, "removePass");
        if (!writer.addPass(keys)) return failed(state, writer, "addPass");
    }
}

void BM_AddNewToFullMonth(benchmark::State& state) {
    Fixture& fx = *fixture;
    if (!buildFullSite(fx, state)) return;
    state.counters["rows"] = rowsOnFullMonthPage(fx);
    web::LibraryPageWriter writer(fx.programFolder, fx.doc);
    const std::vector<std::string> keys{kExtraKey};
    for (auto _ : state) {
        if (!writer.addPass(keys)) return failed(state, writer, "addPass");
        state.PauseTiming();
        const bool removed = writer.removePass(keys);
        state.ResumeTiming();
        if (!removed) return failed(state, writer, "removePass");
    }
}

void BM_WriteNewSite(benchmark::State& state) {
    Fixture& fx = *fixture;
    if (!buildFullSite(fx, state)) return;
    web::LibraryPageWriter writer(fx.programFolder, fx.doc);
    for (auto _ : state)
        if (!writer.writeNewSite()) return failed(state, writer, "writeNewSite");
}

void BM_BuildFromNothing(benchmark::State& state) {
    Fixture& fx = *fixture;
    double addSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        deleteSite(fx);
        state.ResumeTiming();
        web::LibraryPageWriter writer(fx.programFolder, fx.doc);
        if (!writer.writeNewSite()) return failed(state, writer, "writeNewSite");
        const auto start = std::chrono::steady_clock::now();
        if (!writer.addPass(fx.siteKeys)) return failed(state, writer, "addPass");
        addSeconds += seconds(start);
    }
    state.counters["keys"] = static_cast<double>(fx.siteKeys.size());
    state.counters["add_s"] = addSeconds / static_cast<double>(state.iterations());
}

// The parts the passes spend their time in, timed alone.

// What the writer does to learn whether any library is left: selectMonth for
// every month from 1980 on until one has a library (here 468 empty months
// before January 2019).
void BM_PhaseAnyLibraryScan(benchmark::State& state) {
    Fixture& fx = *fixture;
    for (auto _ : state) {
        bool found = false;
        for (int year = 1980; year <= 2037 && !found; ++year)
            for (int month = 1; month <= 12 && !found; ++month)
                found = fx.doc.selectMonth(std::to_string(year), twoDigits(month)) > 0;
        benchmark::DoNotOptimize(found);
    }
}

// The image query of an add pass over all 2,000 keys: one pass over the
// images (imagesOfKeys), beside the per-key query it replaces.
void BM_PhaseImagesOfAllKeys(benchmark::State& state) {
    Fixture& fx = *fixture;
    for (auto _ : state) benchmark::DoNotOptimize(fx.doc.imagesOfKeys(fx.siteKeys));
    state.counters["keys"] = static_cast<double>(fx.siteKeys.size());
}

void BM_PhaseSelectImagesPerKey(benchmark::State& state) {
    Fixture& fx = *fixture;
    for (auto _ : state)
        for (const std::string& key : fx.siteKeys) benchmark::DoNotOptimize(fx.doc.selectImages(key));
    state.counters["keys"] = static_cast<double>(fx.siteKeys.size());
}

// One whole-file write of a 31-row month page, the way a pass stores each page it touched.
void BM_PhaseWriteMonthPage(benchmark::State& state) {
    Fixture& fx = *fixture;
    if (!buildFullSite(fx, state)) return;
    const web::SiteFiles site(fx.programFolder);
    const auto page = platform::readFile(site.monthPagePath(std::to_string(kFullYear), kFullMonth - 1));
    if (!page) return state.SkipWithError("no month page");
    const std::string path = site.htmlFolder() + "/scratch.htm";
    for (auto _ : state)
        if (!web::writeSiteFile(path, std::span<const std::uint8_t>(*page))) return state.SkipWithError("write failed");
    state.counters["bytes"] = static_cast<double>(page->size());
}

BENCHMARK(BM_FullRefresh)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReAddOneFullMonth)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddNewToFullMonth)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteNewSite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BuildFromNothing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PhaseAnyLibraryScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhaseImagesOfAllKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhaseSelectImagesPerKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhaseWriteMonthPage)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Fixture fx;
    const auto start = std::chrono::steady_clock::now();
    if (!makeFixture(fx)) {
        std::fprintf(stderr, "site_bench: cannot make the program folder %s\n", fx.programFolder.c_str());
        return 1;
    }
    std::printf("program folder %s: %zu site libraries (+1 kept off the site), %d images, %d months; "
                "ready in %.2f s\n",
                fx.programFolder.c_str(), fx.siteKeys.size(), fx.imageCount, fx.monthCount, seconds(start));
    fixture = &fx;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
