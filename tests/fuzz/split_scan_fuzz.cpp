// decodeScan on any bytes, split in two at a place the first byte picks,
// against one decoder from start to end: both fail, or both give the same
// blocks. The second part runs first (in turn), so that the two always meet
// where they can, whatever the timing.
//
// Starting corpus: that of jpeg_rotate_fuzz (a code byte, then a JPEG).

#include "media/jpeg_codec.h"
#include "media/split_scan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

using namespace lumbrel::media;

namespace {


std::optional<std::vector<std::int16_t>> decodeInOrder(const JpegFile& file, std::span<const std::uint8_t> jpeg) {
    const auto total = static_cast<std::size_t>(file.mcusWide() * file.mcusHigh());
    std::vector<std::int16_t> blocks(total * 6 * 64);
    ScanDecoder decoder(file, jpeg);
    for (std::size_t m = 0; m < total; ++m) {
        if (!decoder.beginMcu()) return std::nullopt;
        for (std::size_t b = 0; b < 6; ++b)
            if (!decoder.decodeBlock(kMcuBlockComponent[b], blocks.data() + (m * 6 + b) * 64)) return std::nullopt;
    }
    if (!decoder.finish()) return std::nullopt;
    return blocks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::span<const std::uint8_t> jpeg(data + 1, size - 1);
    const auto file = parseJpeg(jpeg);
    if (!file) return 0;
    const auto expected = decodeInOrder(*file, jpeg);

    const int total = file->mcusWide() * file->mcusHigh();
    std::vector<std::int16_t> blocks(static_cast<std::size_t>(total) * 6 * 64);
    ScanDecoder::CoefficientOrder zigzag;
    for (std::size_t k = 0; k < 64; ++k) zigzag.position[k] = static_cast<std::uint8_t>(k);
    const auto decodeMcu = [&](ScanDecoder& decoder, int m) {
        if (!decoder.beginMcu()) return false;
        for (std::size_t b = 0; b < 6; ++b)
            if (!decoder.decodeBlock(kMcuBlockComponent[b], blocks.data() + (static_cast<std::size_t>(m) * 6 + b) * 64)) return false;
        return true;
    };
    ScanTail tail;
    const bool ok = decodeScan(*file, jpeg, decodeMcu, zigzag, tail, {.firstShare = 1 + data[0] % 99, .mode = ScanSplit::Mode::InTurn});
    if (ok != expected.has_value()) __builtin_trap();
    if (!ok) return 0;
    for (int m = tail.firstMcu(); m < total; ++m)
        for (int b = 0; b < 6; ++b) {
            const std::int16_t* from = tail.block(m, b);
            std::copy(from, from + 64, blocks.data() + (static_cast<std::size_t>(m) * 6 + static_cast<std::size_t>(b)) * 64);
        }
    if (blocks != *expected) __builtin_trap();
    return 0;
}
