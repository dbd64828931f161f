// The typical Huffman tables, checked against those libjpeg-turbo writes when
// it is not asked to optimise its tables.

#include "media/standard_tables.h"

#include "jpeg_samples.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <map>
#include <numeric>
#include <vector>

namespace lumbrel::media {
namespace {

// class << 4 | id -> counts followed by symbols, from every DHT segment of a JPEG.
std::map<int, std::vector<std::uint8_t>> tablesIn(const std::vector<std::uint8_t>& jpeg) {
    std::map<int, std::vector<std::uint8_t>> tables;
    std::size_t p = 2;
    while (p + 4 <= jpeg.size() && jpeg[p] == 0xFF && jpeg[p + 1] != 0xDA) {
        const std::size_t length = static_cast<std::size_t>(jpeg[p + 2] << 8 | jpeg[p + 3]);
        if (jpeg[p + 1] == 0xC4) {
            std::size_t q = p + 4;
            while (q + 17 <= p + 2 + length) {
                const int key = jpeg[q];
                const int symbols = std::accumulate(jpeg.begin() + static_cast<long>(q) + 1, jpeg.begin() + static_cast<long>(q) + 17, 0);
                tables[key].assign(jpeg.begin() + static_cast<long>(q) + 1, jpeg.begin() + static_cast<long>(q + 17 + static_cast<std::size_t>(symbols)));
                q += 17 + static_cast<std::size_t>(symbols);
            }
        }
        p += 2 + length;
    }
    return tables;
}

std::vector<std::uint8_t> flatten(const HuffmanSpec& spec) {
    std::vector<std::uint8_t> v(spec.counts.begin(), spec.counts.end());
    v.insert(v.end(), spec.symbols.begin(), spec.symbols.end());
    return v;
}

TEST(StandardTables, MatchWhatLibjpegWritesUnoptimised) {
    std::vector<unsigned char> pixels(32 * 32 * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 37);
    const std::vector<std::uint8_t> jpeg = compressRgb(pixels, 32, 32, TJSAMP_420, 90);
    ASSERT_FALSE(jpeg.empty());

    const auto tables = tablesIn(jpeg);
    ASSERT_EQ(tables.size(), 4u);
    EXPECT_EQ(tables.at(0x00), flatten(standardLuminanceDc()));
    EXPECT_EQ(tables.at(0x01), flatten(standardChrominanceDc()));
    EXPECT_EQ(tables.at(0x10), flatten(standardLuminanceAc()));
    EXPECT_EQ(tables.at(0x11), flatten(standardChrominanceAc()));
}

TEST(StandardTables, DhtSegmentLayout) {
    const auto segment = standardDhtSegment();
    ASSERT_EQ(segment.size(), 420u);
    EXPECT_EQ(std::vector<std::uint8_t>(segment.begin(), segment.begin() + 4), (std::vector<std::uint8_t>{0xFF, 0xC4, 0x01, 0xA2}));
    // Luminance DC, luminance AC, chrominance DC, chrominance AC.
    EXPECT_EQ(segment[4], 0x00);
    EXPECT_EQ(segment[4 + 29], 0x10);
    EXPECT_EQ(segment[4 + 29 + 179], 0x01);
    EXPECT_EQ(segment[4 + 29 + 179 + 29], 0x11);
    const std::vector<std::uint8_t> jpeg = [&] {
        std::vector<std::uint8_t> v = {0xFF, 0xD8};
        v.insert(v.end(), segment.begin(), segment.end());
        return v;
    }();
    const auto tables = tablesIn(jpeg);
    EXPECT_EQ(tables.at(0x11), flatten(standardChrominanceAc()));
}

}  // namespace
}  // namespace lumbrel::media
