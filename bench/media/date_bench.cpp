// Recording date and orientation of camera heads held in memory, and the date
// of every file on a card folder (LUMBREL_BENCH_CARD) read from the disk.

#include "media/jpeg_date.h"
#include "media/jpeg_orientation.h"

#include "../../tests/media/exif_builder.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using lumbrel::test::ByteVector;

ByteVector compress(int width, int height, int subsampling, int quality) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width * height * 3));
    unsigned state = 12345;
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        state = state * 1103515245u + 12345u;
        rgb[i] = static_cast<unsigned char>((i / 3 % static_cast<std::size_t>(width)) + (state >> 28));
    }
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, subsampling, quality, 0);
    ByteVector jpeg(out, out + size);
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

// A camera file's first 20 KB: Exif APP1 with a 160x120 thumbnail, the maker
// block, then the picture's own tables and the start of its scan.
ByteVector cameraHead(bool bigEndian) {
    lumbrel::test::ExifFields f;
    f.bigEndian = bigEndian;
    f.orientation = 6;
    f.dateTimeOriginal = "2004:05:06 07:08:09";
    f.pixelX = 1600;
    f.pixelY = 1200;
    f.thumbnail = compress(160, 120, TJSAMP_422, 90);
    const ByteVector picture = compress(640, 480, TJSAMP_420, 95);
    ByteVector head = lumbrel::test::withSegments(
        picture, {lumbrel::test::exifSegment(f), lumbrel::test::makerSegment({"2004:05:06 07:08:09", 0x30})});
    head.resize(std::min<std::size_t>(head.size(), 20 * 1024));
    return head;
}

void BM_DateAndOrientationCameraHead(benchmark::State& state) {
    const ByteVector head = cameraHead(state.range(0) != 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumbrel::media::readRecordingDate(head));
        benchmark::DoNotOptimize(lumbrel::media::orientationFromHead(head));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["head_bytes"] = static_cast<double>(head.size());
}
BENCHMARK(BM_DateAndOrientationCameraHead)->Arg(1)->Arg(0);

// The slow case of the linear scans: a full 64 KB head with neither block.
void BM_DateAndOrientationNoMetadata(benchmark::State& state) {
    ByteVector head = compress(1024, 768, TJSAMP_420, 95);
    head.resize(lumbrel::media::kHeadBytes, 0x5A);
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumbrel::media::readRecordingDate(head));
        benchmark::DoNotOptimize(lumbrel::media::orientationFromHead(head));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DateAndOrientationNoMetadata);

// Every regular file under LUMBREL_BENCH_CARD, dated through the disk (the
// page cache after the first pass). Reports the time per file.
void BM_DateOfCardFiles(benchmark::State& state) {
    const char* card = std::getenv("LUMBREL_BENCH_CARD");
    if (!card || !*card) {
        state.SkipWithError("LUMBREL_BENCH_CARD not set");
        return;
    }
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(card, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(it->path().string());
    if (files.empty()) {
        state.SkipWithError("no files under LUMBREL_BENCH_CARD");
        return;
    }
    std::size_t dated = 0;
    for (auto _ : state) {
        dated = 0;
        for (const auto& file : files) dated += lumbrel::media::readRecordingDateFile(file) ? 1 : 0;
        benchmark::DoNotOptimize(dated);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files.size()));
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["dated"] = static_cast<double>(dated);
    state.counters["time_per_file"] = benchmark::Counter(static_cast<double>(state.iterations() * files.size()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DateOfCardFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
