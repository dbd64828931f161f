// Throughput of the index reader and writer on a generated library of 10,000
// libraries and 200,000 images: in memory (readIndex, the parser alone,
// indexBytes, writeIndex to a sink that drops the bytes) and through a file in
// /tmp (openIndexFile, saveIndexFile, which includes the flush to the disk).

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "index_sample.h"
#include "library/index_file.h"
#include "library/index_format.h"

namespace {

using namespace lumbrel;

library::CKDCardAlbumDoc& sampleDoc() {
    static library::CKDCardAlbumDoc doc = bench::makeSampleDocument();
    return doc;
}

const std::vector<std::uint8_t>& sampleBytes() {
    static const std::vector<std::uint8_t> bytes = library::indexBytes(sampleDoc());
    return bytes;
}

std::string tempPath(const char* what) {
    return "/tmp/lumbrel-bench-" + std::to_string(::getpid()) + "-" + what + ".kds";
}

// The index file the open benchmark reads, removed at exit.
struct SampleFile {
    std::string path = tempPath("open");
    bool ok = library::saveIndexFile(sampleDoc(), path);
    ~SampleFile() { std::remove(path.c_str()); }
};

const SampleFile& sampleFile() {
    static SampleFile file;
    return file;
}

void setBytes(benchmark::State& state, std::size_t size) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}

void BM_ReadIndex(benchmark::State& state) {
    const auto& bytes = sampleBytes();
    for (auto _ : state) {
        library::CKDCardAlbumDoc doc;
        const auto result = library::readIndex(bytes, doc);
        if (!result.ok()) {
            state.SkipWithError("readIndex failed on the sample");
            break;
        }
        // Freeing 200,000 records is not part of reading.
        state.PauseTiming();
        doc.deleteContents();
        state.ResumeTiming();
    }
    setBytes(state, bytes.size());
}

// The parser alone, without handing the lists to a document (which checks their
// order): the difference to BM_ReadIndex is the cost of adoptLists.
void BM_ParseOnly(benchmark::State& state) {
    const auto& bytes = sampleBytes();
    for (auto _ : state) {
        auto parser = std::make_unique<library::IndexParser>(bytes.size());
        std::size_t consumed = 0;
        if (parser->parse(bytes, true, consumed) != library::IndexParser::Status::Done) {
            state.SkipWithError("the parser failed on the sample");
            break;
        }
        state.PauseTiming();
        parser.reset();
        state.ResumeTiming();
    }
    setBytes(state, bytes.size());
}

void BM_IndexBytes(benchmark::State& state) {
    auto& doc = sampleDoc();
    std::size_t size = 0;
    for (auto _ : state) {
        const auto bytes = library::indexBytes(doc);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    setBytes(state, size);
}

// The encoding alone, without growing a vector to hold the result.
void BM_WriteIndexDiscard(benchmark::State& state) {
    class Discard : public library::ByteSink {
    public:
        bool write(std::span<const std::uint8_t> bytes) override {
            benchmark::DoNotOptimize(bytes.data());
            return true;
        }
    } sink;
    auto& doc = sampleDoc();
    for (auto _ : state) library::writeIndex(doc, sink);
    setBytes(state, sampleBytes().size());
}

void BM_OpenIndexFile(benchmark::State& state) {
    const SampleFile& file = sampleFile();
    if (!file.ok) {
        state.SkipWithError("cannot write the sample file in /tmp");
        return;
    }
    for (auto _ : state) {
        library::CKDCardAlbumDoc doc;
        const auto result = library::openIndexFile(file.path, doc);
        if (!result.ok()) {
            const std::string message = "openIndexFile failed: " + std::string(library::describe(result.error)) +
                                        " at " + std::to_string(result.offset);
            state.SkipWithError(message.c_str());
            break;
        }
        state.PauseTiming();
        doc.deleteContents();
        state.ResumeTiming();
    }
    setBytes(state, sampleBytes().size());
}

void BM_SaveIndexFile(benchmark::State& state) {
    auto& doc = sampleDoc();
    const std::string path = tempPath("save");
    for (auto _ : state) {
        if (!library::saveIndexFile(doc, path)) {
            state.SkipWithError("saveIndexFile failed");
            break;
        }
    }
    std::remove(path.c_str());
    setBytes(state, sampleBytes().size());
}

// Builds the sample before any timing starts.
void BM_MakeSample(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(sampleBytes().data());
    state.counters["libraries"] = static_cast<double>(sampleDoc().albums().size());
    state.counters["images"] = static_cast<double>(sampleDoc().images().size());
    state.counters["file_MB"] = static_cast<double>(sampleBytes().size()) / 1e6;
}

BENCHMARK(BM_MakeSample)->Iterations(1);
BENCHMARK(BM_ReadIndex)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IndexBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteIndexDiscard)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenIndexFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveIndexFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
