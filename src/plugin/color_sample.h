#pragma once
// The colour samples of the selection dialog: for each colour pattern a
// 100 x 40 picture, 24 bits per pixel, of a miniature album page in the
// pattern's colours. On the left the menu strip in the menu background colour
// with three menu rows; on the right the page body in its body colour with a
// heading bar.

#include <cstdint>

namespace lumbrel::plugin {

inline constexpr int kSampleWidth = 100;
inline constexpr int kSampleHeight = 40;
inline constexpr std::int32_t kSampleFileSize = 12056;  ///< file header, information header, pixels, 2 pad bytes
inline constexpr std::int32_t kSampleDibSize = kSampleFileSize - 14;

/// Writes the sample of a pattern as a bitmap file (withFileHeader) or in its
/// device-independent form (information header and pixels). Returns its size,
/// writing nothing when buffer is null; 0 (buffer untouched) for a pattern
/// outside 0-16.
std::int32_t writeColorSample(std::int32_t patternIndex, std::uint8_t* buffer, bool withFileHeader);

}  // namespace lumbrel::plugin
