#include "plugin/color_sample.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "plugin/album_colours.h"

namespace lumbrel::plugin {

namespace {

constexpr int kMenuWidth = 30;
constexpr std::int32_t kFileHeaderSize = 14;
constexpr std::int32_t kInfoHeaderSize = 40;
constexpr std::int32_t kPixelsPerMetre = 2834;  // 72 dots per inch

struct SampleColors {
    std::uint32_t menuBackground;
    std::uint32_t menuRow;
    std::uint32_t body;
    std::uint32_t bodyHeading;
};

// 0xRRGGBB of the colour an album page attribute starts with ("9cbee0...").
std::uint32_t rgbOf(std::string_view hex) {
    std::uint32_t rgb = 0;
    std::from_chars(hex.data(), hex.data() + std::min<std::size_t>(hex.size(), 6), rgb, 16);
    return rgb;
}

// The sample shows the colours the album pages of the pattern use.
SampleColors sampleColors(const AlbumColours& page) {
    return {rgbOf(page.menuBackground), rgbOf(page.titleRow), rgbOf(page.body), rgbOf(page.bodyHeadingRow)};
}

std::uint8_t* put16(std::uint8_t* at, std::uint32_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
    return at + 2;
}
std::uint8_t* put32(std::uint8_t* at, std::uint32_t v) { return put16(put16(at, v & 0xffff), v >> 16); }

// Colour at (x, y), y counted from the top of the picture: three menu rows
// (y 6-10, 17-21, 28-32) inset 4 pixels in the menu strip, and a heading bar
// (y 4-9) inset 6 pixels in the body.
std::uint32_t pixel(const SampleColors& c, int x, int y) {
    if (x < kMenuWidth) {
        const bool onRow = x >= 4 && x < kMenuWidth - 4 && y % 11 >= 6 && y < 34;
        return onRow ? c.menuRow : c.menuBackground;
    }
    const bool onHeading = x >= kMenuWidth + 6 && x < kSampleWidth - 6 && y >= 4 && y < 10;
    return onHeading ? c.bodyHeading : c.body;
}

}  // namespace

std::int32_t writeColorSample(std::int32_t patternIndex, std::uint8_t* buffer, bool withFileHeader) {
    const auto page = albumColours(patternIndex);
    if (!page) return 0;
    const std::int32_t size = withFileHeader ? kSampleFileSize : kSampleDibSize;
    if (!buffer) return size;

    std::uint8_t* at = buffer;
    if (withFileHeader) {
        *at++ = 'B';
        *at++ = 'M';
        at = put32(at, kSampleFileSize);
        at = put32(at, 0);  // reserved
        at = put32(at, kFileHeaderSize + kInfoHeaderSize);
    }
    at = put32(at, kInfoHeaderSize);
    at = put32(at, kSampleWidth);
    at = put32(at, kSampleHeight);  // positive: rows run bottom-up
    at = put16(at, 1);              // planes
    at = put16(at, 24);             // bits per pixel
    at = put32(at, 0);              // no compression
    at = put32(at, 0);              // image size: may be 0 for uncompressed pictures
    at = put32(at, kPixelsPerMetre);
    at = put32(at, kPixelsPerMetre);
    at = put32(at, 0);  // colours used
    at = put32(at, 0);  // important colours

    const SampleColors colors = sampleColors(*page);
    // Rows of 100 pixels take 300 bytes, a multiple of 4, so they need no padding.
    for (int stored = 0; stored < kSampleHeight; ++stored) {
        const int y = kSampleHeight - 1 - stored;
        for (int x = 0; x < kSampleWidth; ++x) {
            const std::uint32_t rgb = pixel(colors, x, y);
            *at++ = static_cast<std::uint8_t>(rgb);        // blue
            *at++ = static_cast<std::uint8_t>(rgb >> 8);   // green
            *at++ = static_cast<std::uint8_t>(rgb >> 16);  // red
        }
    }
    std::memset(at, 0, static_cast<std::size_t>(buffer + size - at));  // the 2 bytes after the pixels
    return size;
}

}  // namespace lumbrel::plugin
