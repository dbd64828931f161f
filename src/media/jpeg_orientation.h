#pragma once
// The orientation a camera JPEG asks for, from the Exif Orientation tag or the
// maker block, and the test whether the lossless rotation can handle the file.

#include <cstdint>
#include <span>
#include <string>

namespace lumbrel::media {

/// Orientation codes: 0 upright, 1 turn a quarter counter-clockwise, 2 half turn, 3 a quarter clockwise, 255 leave alone.
inline constexpr std::uint8_t kLeaveAlone = 255;

/// The code that the Exif Orientation tag (0x0112) or the maker block asks for,
/// before the rotatability test. The Exif tag wins when the file carries both;
/// a file with neither gives 0.
std::uint8_t orientationFromHead(std::span<const std::uint8_t> head);

/// True for a JPEG the lossless rotation can handle: SOF0 baseline, precision 8,
/// three components, first sampled 2x2 (0x22), second and third 1x1 (0x11), one
/// scan over all three components, and DHT tables that are exactly the four
/// typical tables of Annex K.3 and no others.
bool isRotatable(std::span<const std::uint8_t> jpeg);

/// orientationFromHead of the file's head; for codes 0-3 the whole file must pass
/// isRotatable, else 255. A file that cannot be read or is empty gives 0.
std::uint8_t readOrientationFile(const std::string& path);

}  // namespace lumbrel::media
