#pragma once
// The typical Huffman tables of JPEG (ITU T.81, Annex K.3): the tables cameras
// use for baseline pictures and that Motion-JPEG frames leave out.

#include <array>
#include <cstdint>
#include <span>

namespace lumbrel::media {

/// One Huffman table as a DHT segment defines it: the number of codes of each
/// length 1 to 16, then the symbols in code order.
struct HuffmanSpec {
    std::uint8_t tableClass;  ///< 0 = DC, 1 = AC
    std::uint8_t id;          ///< 0 = luminance, 1 = chrominance
    std::array<std::uint8_t, 16> counts;
    std::span<const std::uint8_t> symbols;
};

/// Table K.3 (luminance DC), K.4 (chrominance DC), K.5 (luminance AC), K.6 (chrominance AC).
const HuffmanSpec& standardLuminanceDc();
const HuffmanSpec& standardChrominanceDc();
const HuffmanSpec& standardLuminanceAc();
const HuffmanSpec& standardChrominanceAc();

/// The DHT marker segment holding all four tables (FF C4, length 0x01A2, then
/// luminance DC, luminance AC, chrominance DC, chrominance AC): 420 bytes.
std::span<const std::uint8_t> standardDhtSegment();

}  // namespace lumbrel::media
