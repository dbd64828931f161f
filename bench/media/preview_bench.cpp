// Preview making speed, memory and quality.
//
//   preview_bench [benchmark options]
//       BM_Preview/<width>: decode with DCT scaling + area scale + JPEG encode of
//       the 320-pixel preview, from an in-memory camera-like JPEG (TurboJPEG,
//       quality 90, 4:2:0, photo-like content with sensor noise) of 1600x1200,
//       2048x1536, 2272x1704 and 4000x3000; BM_ScaledDecode/<width> is the decode
//       alone. Before the benchmarks it prints, per size, the PSNR of the preview
//       against a reference (full-size decode + box filter in double precision),
//       before and after the quality-75 encoding.
//       With LUMBREL_BENCH_CARD naming a folder, BM_CardFolder runs makePreview
//       over every *.jpg / *.avi file in it (ms per file).
//   preview_bench --write-samples DIR
//       writes the four camera-like JPEGs to DIR (for --peak or a card folder).
//   preview_bench --peak FILE
//       makes one preview of FILE in this otherwise idle process and prints the
//       time and the peak resident size (VmHWM) before and after.

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "media/imaging.h"
#include "media/preview.h"
#include "platform/files.h"

namespace {

using namespace lumbrel;
using Bytes = std::vector<std::uint8_t>;

constexpr int kSizes[][2] = {{1600, 1200}, {2048, 1536}, {2272, 1704}, {4000, 3000}};

// A camera-like picture: smooth shading, a few hard-edged objects, fine texture
// and sensor noise, so the entropy-coded data is as dense as in real photos.
Bytes cameraJpeg(int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    std::vector<float> sx(width), sy(height);
    for (int x = 0; x < width; ++x) sx[x] = std::sin(x * 6.0f / width) + 0.3f * std::sin(x * 0.21f);
    for (int y = 0; y < height; ++y) sy[y] = std::cos(y * 5.0f / height) + 0.3f * std::sin(y * 0.17f);
    std::uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        const int a = static_cast<int>((seed >> 24) & 15), b = static_cast<int>((seed >> 16) & 15);
        return a + b - 15;  // triangular, -15..15
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool object = ((x * 7 / width) + (y * 5 / height)) % 3 == 0;
            const float base = 128 + 60 * sx[x] * sy[y] + (object ? 40.0f : 0.0f);
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            const int n = noise();
            p[0] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(base + 30 * sx[x]) + n, 0, 255));
            p[1] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(base) + n, 0, 255));
            p[2] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(base - 30 * sy[y]) + noise() / 2, 0, 255));
        }
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    Bytes jpeg;
    if (tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, 90, 0) == 0)
        jpeg.assign(out, out + size);
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

const Bytes& sample(int index) {
    static std::map<int, Bytes> cache;
    auto& jpeg = cache[index];
    if (jpeg.empty()) jpeg = cameraJpeg(kSizes[index][0], kSizes[index][1]);
    return jpeg;
}

void BM_Preview(benchmark::State& state) {
    const Bytes& jpeg = sample(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto image = media::loadJpegResized(jpeg, media::previewSize);
        auto bytes = media::encodeJpeg(*image, media::kPreviewQuality);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["jpeg_MB"] = static_cast<double>(jpeg.size()) / 1e6;
    state.SetLabel(std::to_string(kSizes[state.range(0)][0]) + "x" + std::to_string(kSizes[state.range(0)][1]));
}
BENCHMARK(BM_Preview)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_ScaledDecode(benchmark::State& state) {
    const Bytes& jpeg = sample(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(media::loadJpeg(jpeg, media::kPreviewLongerSide));
    state.SetLabel(std::to_string(kSizes[state.range(0)][0]) + "x" + std::to_string(kSizes[state.range(0)][1]));
}
BENCHMARK(BM_ScaledDecode)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

std::vector<std::string> cardFiles() {
    std::vector<std::string> files;
    const char* folder = std::getenv("LUMBREL_BENCH_CARD");
    if (!folder) return files;
    if (const auto entries = platform::listDirectory(folder))
        for (const auto& entry : *entries) {
            std::string lower = entry.name;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (!entry.isDirectory && lower.size() > 4 &&
                (lower.ends_with(".jpg") || lower.ends_with(".jpeg") || lower.ends_with(".avi")))
                files.push_back(platform::joinPath(folder, entry.name));
        }
    std::sort(files.begin(), files.end());
    return files;
}

void BM_CardFolder(benchmark::State& state) {
    const auto files = cardFiles();
    const std::string preview = "/tmp/lumbrel-preview-bench.jpg";
    std::size_t made = 0;
    for (auto _ : state)
        for (const auto& file : files) made += media::makePreview(file, preview) ? 1 : 0;
    platform::deleteFile(preview);
    state.counters["files"] = static_cast<double>(files.size());
    // Time per file = the benchmark's time / files.
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files.size()));
    state.counters["made"] = static_cast<double>(made) / static_cast<double>(std::max<std::size_t>(1, state.iterations()));
}

// Reference: full-size decode, box filter in double precision to the preview size.
std::vector<double> referencePreview(const Bytes& jpeg, int width, int height) {
    const auto full = media::loadJpeg(jpeg);
    std::vector<double> out(static_cast<std::size_t>(width) * height * 3, 0.0);
    const double sx = double(full->width) / width, sy = double(full->height) / height;
    std::vector<double> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < full->height; ++y) {
        std::fill(row.begin(), row.end(), 0.0);
        for (int x = 0; x < full->width; ++x) {
            const int first = static_cast<int>(x / sx);
            for (int j = first; j < width && j * sx < x + 1; ++j) {
                const double w = std::min(x + 1.0, (j + 1) * sx) - std::max(double(x), j * sx);
                if (w <= 0) continue;
                for (int c = 0; c < 3; ++c) row[j * 3 + c] += w * full->rgb[(std::size_t(y) * full->width + x) * 3 + c];
            }
        }
        const int first = static_cast<int>(y / sy);
        for (int d = first; d < height && d * sy < y + 1; ++d) {
            const double w = std::min(y + 1.0, (d + 1) * sy) - std::max(double(y), d * sy);
            if (w <= 0) continue;
            for (std::size_t k = 0; k < row.size(); ++k) out[d * row.size() + k] += w * row[k] / (sx * sy);
        }
    }
    return out;
}

double psnr(const std::vector<double>& reference, const std::vector<std::uint8_t>& pixels) {
    double sum = 0;
    for (std::size_t k = 0; k < reference.size(); ++k) {
        const double d = reference[k] - pixels[k];
        sum += d * d;
    }
    return 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(reference.size())));
}

void printQuality() {
    std::printf("PSNR of the preview against full decode + double-precision box filter:\n");
    for (int i = 0; i < 4; ++i) {
        const Bytes& jpeg = sample(i);
        const auto preview = media::loadJpegResized(jpeg, media::previewSize);
        const auto reference = referencePreview(jpeg, preview->width, preview->height);
        const auto encoded = media::encodeJpeg(*preview, media::kPreviewQuality);
        const auto stored = media::loadJpeg(*encoded);
        std::printf("  %dx%d (%.2f MB) -> %dx%d: scaled %.2f dB, saved at q75 %.2f dB (%zu bytes)\n", kSizes[i][0],
                    kSizes[i][1], static_cast<double>(jpeg.size()) / 1e6, preview->width, preview->height,
                    psnr(reference, preview->rgb), psnr(reference, stored->rgb), encoded->size());
    }
}

long vmHwmKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

int writeSamples(const std::string& folder) {
    platform::makeDirectories(folder);
    for (int i = 0; i < 4; ++i) {
        const std::string path =
            platform::joinPath(folder, "CAM" + std::to_string(kSizes[i][0]) + "x" + std::to_string(kSizes[i][1]) + ".JPG");
        if (!platform::writeFileAtomic(path, sample(i))) return 1;
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

int peak(const std::string& file) {
    const long before = vmHwmKb();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = media::makePreview(file, "/tmp/lumbrel-preview-peak.jpg");
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    platform::deleteFile("/tmp/lumbrel-preview-peak.jpg");
    const auto size = platform::fileSize(file);
    std::printf("%s: %s, %.1f ms, file %.2f MB, peak RSS %.1f MB (%.1f MB before)\n", file.c_str(),
                ok ? "made" : "FAILED", ms, size ? double(*size) / 1e6 : 0.0, vmHwmKb() / 1024.0, before / 1024.0);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-samples") == 0) return writeSamples(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0) return peak(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (!cardFiles().empty()) benchmark::RegisterBenchmark("BM_CardFolder", BM_CardFolder)->Unit(benchmark::kMillisecond);
    printQuality();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
