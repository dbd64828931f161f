#pragma once
// The 8 x 8 two-dimensional DCT of baseline JPEG (ITU T.81 A.3.3), in floating
// point, for pictures that are decoded to samples and encoded again.

#include <cstddef>
#include <cstdint>

namespace lumbrel::media {

/// Dequantises a block (coefficients and quantisation values both in zig-zag
/// order), transforms it back to samples and writes them, level-shifted by 128,
/// rounded and clamped to 0..255, row by row into `samples` (8 per row, `stride` apart).
void inverseDct(const std::int16_t* coefficients, const std::uint16_t* quant, std::uint8_t* samples,
                std::size_t stride);

/// Transforms 8 x 8 samples (`stride` apart) and quantises the coefficients
/// with `quant` (zig-zag order), rounding to nearest, into `coefficients` (zig-zag order).
void forwardDct(const std::uint8_t* samples, std::size_t stride, const std::uint16_t* quant,
                std::int16_t* coefficients);

}  // namespace lumbrel::media
