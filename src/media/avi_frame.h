#pragma once
// The first frame of a Motion-JPEG AVI movie as a complete JPEG picture.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumbrel::media {

/// The first frame of a Motion-JPEG AVI as a complete JPEG, or nullopt.
///
/// Requires "RIFF" at 0 and "AVI LIST" at 8, finds the first "strf" chunk from
/// offset 16 and requires the biCompression of its BITMAPINFOHEADER ("strf" + 24)
/// to be "MJPG"; then finds "movi" and after it the frame start FF D8 FF E0,
/// two length bytes, "AVI1\0" or "JFIF\0". The frame runs to the first FF D9
/// after that and must hold an FF C0 (baseline frame header) before it. The
/// result is the frame with the APP0 identifier rewritten to "JFIF\0" and, when
/// the frame's header has no DHT segment of its own, the typical Huffman tables
/// (a 420-byte DHT segment) inserted after the APP0 segment: at offset 20 for
/// the usual 16-byte AVI1 segment. The input is not changed.
std::optional<std::vector<std::uint8_t>> extractFirstFrame(std::span<const std::uint8_t> avi);

}  // namespace lumbrel::media
