// The image data reader over the camera files of a card folder
// (LUMBREL_BENCH_CARD, else /tmp/anchors/card/DCIM), read from the disk (the
// page cache after the first pass), for a few piece sizes. Reports the time
// per file; skipped when there are no files.

#include "plugin/image_info.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> cardFiles() {
    const char* card = std::getenv("LUMBREL_BENCH_CARD");
    const std::string root = card && *card ? card : "/tmp/anchors/card/DCIM";
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        if (it->is_regular_file(ec) && name.ends_with(".JPG")) files.push_back(it->path().string());
    }
    return files;
}

void BM_ImageInfoOfCardFiles(benchmark::State& state) {
    const std::vector<std::string> files = cardFiles();
    if (files.empty()) {
        state.SkipWithError("no camera files (set LUMBREL_BENCH_CARD)");
        return;
    }
    const auto chunk = static_cast<std::size_t>(state.range(0));
    std::size_t sized = 0;
    double bytes = 0;
    for (auto _ : state) {
        sized = 0;
        for (const auto& file : files) sized += lumbrel::plugin::readImageInfo(file, chunk).sizeFound ? 1 : 0;
        benchmark::DoNotOptimize(sized);
    }
    for (const auto& file : files) bytes += static_cast<double>(std::filesystem::file_size(file));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["sized"] = static_cast<double>(sized);
    state.counters["time_per_file"] = benchmark::Counter(static_cast<double>(state.iterations() * files.size()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ImageInfoOfCardFiles)->Arg(16 << 10)->Arg(64 << 10)->Arg(256 << 10)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
