// Speed of rotateJpeg on camera-like pictures held in memory, per picture and
// per megapixel, and the peak memory of one 12 MP turn.
//
// LUMBREL_BENCH_CARD=<folder> adds every JPEG file of that folder.

#include "media/jpeg_rotate.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Smooth shading, edges and sensor-like noise, quality 90, 4:2:0, the typical tables.
Bytes cameraJpeg(int w, int h) {
    std::mt19937 random(static_cast<unsigned>(w + h));
    std::normal_distribution<float> noise(0.0f, 6.0f);
    Bytes rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float fx = static_cast<float>(x) / static_cast<float>(w);
            const float fy = static_cast<float>(y) / static_cast<float>(h);
            float r = 180 * fx + 40 * std::sin(static_cast<float>(x) * 0.03f);
            float g = 160 * fy + 50 * std::cos(static_cast<float>(x + y) * 0.011f);
            float b = 110 + 90 * std::sin(fx * fy * 9);
            if ((x / 97 + y / 61) % 7 == 0) {
                r = 250 - r;
                g *= 0.5f;
            }
            const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 3;
            rgb[i] = static_cast<std::uint8_t>(std::clamp(r + noise(random), 0.0f, 255.0f));
            rgb[i + 1] = static_cast<std::uint8_t>(std::clamp(g + noise(random), 0.0f, 255.0f));
            rgb[i + 2] = static_cast<std::uint8_t>(std::clamp(b + noise(random), 0.0f, 255.0f));
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgb.data(), w, 0, h, TJPF_RGB, &buffer, &size, TJSAMP_420, 90, 0);
    Bytes out(buffer, buffer + size);
    tjFree(buffer);
    tjDestroy(handle);
    return out;
}

const Bytes& picture(int w, int h) {
    static std::map<std::pair<int, int>, Bytes> cache;
    auto& bytes = cache[{w, h}];
    if (bytes.empty()) {
        bytes = cameraJpeg(w, h);
    }
    return bytes;
}

void runTurn(benchmark::State& state, const Bytes& jpeg, double megapixels, int code) {
    for (auto _ : state) {
        auto out = lumbrel::media::rotateJpeg(jpeg, code);
        if (!out) {
            state.SkipWithError("rotateJpeg failed");
            return;
        }
        benchmark::DoNotOptimize(out->data());
    }
    state.counters["MP"] = megapixels;
    // Time per iteration divided by megapixels.
    state.counters["per_MP"] = benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void turnGenerated(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    runTurn(state, picture(w, h), w * static_cast<double>(h) / 1e6, static_cast<int>(state.range(2)));
}

// 2 MP, 3 MP, 3.9 MP (not whole MCUs in height), 12 MP; clockwise and counter-clockwise.
BENCHMARK(turnGenerated)
    ->ArgNames({"w", "h", "code"})
    ->ArgsProduct({{1632}, {1232}, {3, 1}})
    ->ArgsProduct({{2048}, {1536}, {3, 1}})
    ->ArgsProduct({{2272}, {1704}, {3, 1}})
    ->ArgsProduct({{4000}, {3000}, {3, 1}})
    ->Unit(benchmark::kMillisecond);

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

// One 12 MP turn in a child process, so that its peak is not that of the
// picture's generation: the child's peak resident size less its size before the
// turn. 4000 x 3000 turns counter-clockwise without loss (code 1) and through
// samples clockwise (code 3: 3000 is not a multiple of 16).
void reportPeakMemory(int code) {
    const Bytes& jpeg = picture(4000, 3000);
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const long before = residentKilobytes();
        const auto out = lumbrel::media::rotateJpeg(jpeg, code);
        const long peak = peakKilobytes();
        const double coefficients = 4000.0 * 3000.0 * 1.5 * 2 / 1024 / 1024;
        std::printf("12 MP turn, code %d (file %.1f MB): peak RSS %.1f MB, growth during the turn %.1f MB, "
                    "decoded coefficients %.1f MB (%s)\n",
                    code, static_cast<double>(jpeg.size()) / 1024 / 1024, static_cast<double>(peak) / 1024,
                    static_cast<double>(peak - before) / 1024, coefficients, out ? "ok" : "failed");
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

void registerCard() {
    const char* folder = std::getenv("LUMBREL_BENCH_CARD");
    if (folder == nullptr) {
        return;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension != ".jpg" && extension != ".jpeg") {
            continue;
        }
        std::ifstream file(entry.path(), std::ios::binary);
        auto bytes = std::make_shared<Bytes>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        tjhandle handle = tjInitDecompress();
        int w = 0;
        int h = 0;
        int sampling = 0;
        int colourspace = 0;
        const bool ok = tjDecompressHeader3(handle, bytes->data(), bytes->size(), &w, &h, &sampling, &colourspace) == 0;
        tjDestroy(handle);
        if (!ok) {
            continue;
        }
        for (const int code : {3, 1}) {
            const std::string name = "card/" + entry.path().filename().string() + "/code:" + std::to_string(code);
            benchmark::RegisterBenchmark(name.c_str(), [bytes, w, h, code](benchmark::State& state) {
                runTurn(state, *bytes, w * static_cast<double>(h) / 1e6, code);
            })->Unit(benchmark::kMillisecond);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    reportPeakMemory(1);
    reportPeakMemory(3);
    registerCard();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
