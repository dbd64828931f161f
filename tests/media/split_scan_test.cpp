// Decoding a scan in two parts at once, and encoding it in two pieces,
// against one decoder or encoder going from start to end.

#include "media/jpeg_codec.h"
#include "media/split_scan.h"
#include "jpeg_samples.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

namespace lumbrel::media {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Blocks = std::vector<std::int16_t>;  // six blocks of 64 per MCU, zig-zag order


int mcuCount(const JpegFile& file) { return file.mcusWide() * file.mcusHigh(); }

std::int16_t* blockOf(Blocks& blocks, int mcu, std::size_t b) {
    return blocks.data() + (static_cast<std::size_t>(mcu) * 6 + b) * 64;
}

// Every MCU decoded by one decoder from start to end; nullopt when that fails.
std::optional<Blocks> decodeInOrder(const Bytes& jpeg) {
    const auto file = parseJpeg(jpeg);
    if (!file) return std::nullopt;
    Blocks blocks(static_cast<std::size_t>(mcuCount(*file)) * 6 * 64);
    ScanDecoder decoder(*file, jpeg);
    for (int m = 0; m < mcuCount(*file); ++m) {
        if (!decoder.beginMcu()) return std::nullopt;
        for (std::size_t b = 0; b < 6; ++b)
            if (!decoder.decodeBlock(kMcuBlockComponent[b], blockOf(blocks, m, b))) return std::nullopt;
    }
    if (!decoder.finish()) return std::nullopt;
    return blocks;
}

struct SplitResult {
    std::optional<Blocks> blocks;
    int tailMcus = 0;  // MCUs the second thread decoded before it knew where they belong
};

// The same through decodeScan, the tail's MCUs copied into place.
SplitResult decodeSplit(const Bytes& jpeg, int firstShare, ScanSplit::Mode mode = ScanSplit::Mode::InTurn) {
    SplitResult result;
    const auto file = parseJpeg(jpeg);
    if (!file) return result;
    const int total = mcuCount(*file);
    Blocks blocks(static_cast<std::size_t>(total) * 6 * 64);
    ScanDecoder::CoefficientOrder zigzag;
    for (std::size_t k = 0; k < 64; ++k) zigzag.position[k] = static_cast<std::uint8_t>(k);
    const auto decodeMcu = [&](ScanDecoder& decoder, int m) {
        if (!decoder.beginMcu()) return false;
        for (std::size_t b = 0; b < 6; ++b)
            if (!decoder.decodeBlock(kMcuBlockComponent[b], blockOf(blocks, m, b))) return false;
        return true;
    };
    ScanTail tail;
    if (!decodeScan(*file, jpeg, decodeMcu, zigzag, tail, {.firstShare = firstShare, .mode = mode})) return result;
    for (int m = tail.firstMcu(); m < total; ++m)
        for (std::size_t b = 0; b < 6; ++b) std::copy_n(tail.block(m, static_cast<int>(b)), 64, blockOf(blocks, m, b));
    result.blocks = std::move(blocks);
    result.tailMcus = total - tail.firstMcu();
    return result;
}

TEST(SplitScan, DecodesWhatOneDecoderDecodes) {
    struct Case {
        Bytes jpeg;
        bool restarts;
    };
    const std::vector<Case> cases = {{compress(1024, 768), false},
                                     {compress(640, 400, TJSAMP_420, 0, 2.5), false},
                                     {compressWithRestarts(1024, 768, 7), true},
                                     {compressWithRestarts(320, 240, 1), true}};
    for (const Case& c : cases) {
        const auto expected = decodeInOrder(c.jpeg);
        ASSERT_TRUE(expected);
        for (const int share : {3, 30, 50, 77, 97}) {
            // The second part done first: the first always finds it ahead.
            const SplitResult split = decodeSplit(c.jpeg, share);
            ASSERT_TRUE(split.blocks) << c.jpeg.size() << " bytes, start at " << share << "%";
            EXPECT_TRUE(*split.blocks == *expected) << c.jpeg.size() << " bytes, start at " << share << "%";
            // Without restart markers the two parts met, so that the second's
            // MCUs (with their DC values set right) were used.
            if (!c.restarts) {
                EXPECT_GT(split.tailMcus, 0) << c.jpeg.size() << " bytes, start at " << share << "%";
            }
            // On two threads, where they meet (if at all) is up to the timing.
            const SplitResult threads = decodeSplit(c.jpeg, share, ScanSplit::Mode::Always);
            ASSERT_TRUE(threads.blocks);
            EXPECT_TRUE(*threads.blocks == *expected) << c.jpeg.size() << " bytes, two threads, start at " << share << "%";
        }
    }
}

TEST(SplitScan, SmallScansSplitAnywhere) {
    // A few MCUs, the second part started at every per cent of the data: it
    // may need more runs than the picture has MCUs before it falls into step,
    // or never meet the first; either way the blocks are those of one decoder.
    // (68 x 50 meets the first at the first MCU of a run that began after
    // undecodable data, where the second's DC predictions were still 0.)
    for (const Bytes& jpeg : {compress(3, 256), compress(40, 24), compress(68, 50), compressWithRestarts(48, 32, 1)}) {
        const auto expected = decodeInOrder(jpeg);
        ASSERT_TRUE(expected);
        for (int share = 1; share < 100; ++share) {
            const SplitResult split = decodeSplit(jpeg, share);
            ASSERT_TRUE(split.blocks) << jpeg.size() << " bytes, start at " << share << "%";
            EXPECT_TRUE(*split.blocks == *expected) << jpeg.size() << " bytes, start at " << share << "%";
        }
    }
}

TEST(SplitScan, DamagedDataFailOrDecodeAlikeEitherWay) {
    // Changed and missing bytes anywhere in the scan: wrong codes, DC values
    // out of range, blocks of more than 64 coefficients, data that end early.
    // The split decode fails exactly when one decoder does, and otherwise
    // gives the same blocks.
    const Bytes base = compress(512, 512);
    const Bytes withRestarts = compressWithRestarts(512, 512, 5);
    std::mt19937 random(7);
    int failures = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes jpeg = round % 3 == 2 ? withRestarts : base;
        const auto file = parseJpeg(jpeg);
        ASSERT_TRUE(file);
        std::uniform_int_distribution<std::size_t> at(file->scanOffset, file->scanEnd - 1);
        const std::size_t where = at(random);
        if (round % 4 == 3) {
            jpeg.erase(jpeg.begin() + static_cast<long>(where), jpeg.begin() + static_cast<long>(where + 1 + round % 7));
        } else if (jpeg[where] != 0xFF && jpeg[where - 1] != 0xFF) {
            jpeg[where] = static_cast<std::uint8_t>(random() % 0xFF);  // never a new marker
        }
        const auto expected = decodeInOrder(jpeg);
        const SplitResult split = decodeSplit(jpeg, static_cast<int>(random() % 90) + 5,
                                              round % 2 == 0 ? ScanSplit::Mode::InTurn : ScanSplit::Mode::Always);
        failures += !expected;
        ASSERT_EQ(split.blocks.has_value(), expected.has_value()) << "round " << round << ", byte " << where;
        if (expected) {
            EXPECT_TRUE(*split.blocks == *expected) << "round " << round << ", byte " << where;
        }
    }
    EXPECT_GT(failures, 30);  // the damage did reach the checks
}

// The scan of blocks encoded by one encoder, or by two pieces joined at MCU split.
Bytes encode(const JpegFile& file, const Blocks& blocks, int split) {
    const int total = mcuCount(file);
    Bytes out;
    ScanEncoder first(file, out);
    Bytes pieceBytes;
    std::array<int, 3> predictions{};
    if (split > 0) {
        for (std::size_t c = 0; c < 3; ++c) predictions[c] = blocks[(static_cast<std::size_t>(split - 1) * 6 + 3 + c) * 64];
    }
    ScanEncoder piece(file, pieceBytes, split, predictions);
    for (int m = 0; m < total; ++m) {
        ScanEncoder& encoder = m < split ? first : piece;
        encoder.beginMcu();
        for (std::size_t b = 0; b < 6; ++b)
            encoder.encodeBlock(kMcuBlockComponent[b], blocks.data() + (static_cast<std::size_t>(m) * 6 + b) * 64);
    }
    if (split < total) first.join(piece);
    EXPECT_TRUE(first.finish());
    return out;
}

TEST(ScanEncoderPieces, JoinedPiecesAreTheBytesOfOneEncoder) {
    // Without restart markers a piece starts at any bit of a byte, and its
    // bytes are stuffed only when joined; with them it starts at a marker.
    for (const Bytes& jpeg : {compress(256, 160), compressWithRestarts(256, 160, 6)}) {
        const auto file = parseJpeg(jpeg);
        const auto blocks = decodeInOrder(jpeg);
        ASSERT_TRUE(file && blocks);
        const int total = mcuCount(*file);
        const Bytes whole = encode(*file, *blocks, total);
        // The codec writes the file's own scan again, byte for byte.
        ASSERT_TRUE(std::equal(whole.begin(), whole.end(), jpeg.begin() + static_cast<long>(file->scanOffset),
                               jpeg.begin() + static_cast<long>(file->scanEnd)));
        const int step = file->restartInterval != 0 ? file->restartInterval : 1;
        for (int split = step; split < total; split += split < 24 ? step : 37 * step) {
            EXPECT_EQ(encode(*file, *blocks, split), whole) << "pieces joined at MCU " << split << " of " << total;
        }
    }
}

}  // namespace
}  // namespace lumbrel::media
