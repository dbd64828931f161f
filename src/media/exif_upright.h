#pragma once
// The metadata patch after a picture was turned upright: the orientation tags
// say "upright" and, after a quarter turn, the Exif pixel dimensions are swapped.

#include <cstdint>
#include <span>

namespace lumbrel::media {

/// After the pixels of a JPEG held in memory were turned upright: sets the Exif
/// Orientation (IFD0 tag 0x0112) to 1, the maker block's orientation nibble (tag
/// 16, high four bits of the second byte) to 0, and when swapDimensions is true
/// swaps the values of Exif PixelXDimension (0xA002) and PixelYDimension (0xA003)
/// in the Exif IFD (SHORT or LONG; when the two have different types, each value
/// is written in its own field's type if it fits, else both are left).
///
/// Every APP1 segment before the first SOS is looked at. Values are changed in
/// place; the length of the data and every other byte stay as they were.
/// Returns true when the data could be walked (whether or not any tag was
/// present), false when a walk met a damaged structure (then nothing has changed).
bool markUpright(std::span<std::uint8_t> jpeg, bool swapDimensions);

}  // namespace lumbrel::media
