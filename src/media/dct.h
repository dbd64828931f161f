#pragma once
// The 8 x 8 two-dimensional DCT of baseline JPEG (ITU T.81 A.3.3), in floating
// point, for pictures that are decoded to samples and encoded again.
//
// Two forms: the plain separable transform (inverseDct, forwardDct), kept as
// the reference, and the factorised one of Arai, Agui and Nakajima
// (fastInverseDct, fastForwardDct), whose output scale factors are folded into
// the (de)quantisation tables below, so that a block costs 5 multiplications
// and 29 additions per row or column and one multiplication per coefficient.

#include <array>
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

/// The work block of the factorised transforms is column-major: the
/// coefficient of natural position v * 8 + u (v the vertical frequency) sits
/// in slot u * 8 + v.
constexpr std::uint8_t dctSlot(int natural) { return static_cast<std::uint8_t>((natural & 7) * 8 + (natural >> 3)); }

/// For fastInverseDct: per slot, the factor that dequantises the coefficient
/// there and applies the transform's scale factors.
struct InverseDctTable {
    std::array<float, 64> factor{};
};

/// The table for quantisation values `quant` (zig-zag order), with zig-zag
/// coefficient k placed in slot slots[k]: dctSlot of its natural position, or
/// of another to turn or mirror the block (the scale factors are symmetric in
/// u and v, so only the quantisation value moves with the coefficient).
InverseDctTable makeInverseDctTable(const std::uint16_t* quant, const std::array<std::uint8_t, 64>& slots);

/// The same result as inverseDct (within float rounding), for coefficients
/// already in slot order (a decoder can place them there), and a table made by
/// makeInverseDctTable with the same placement. `onlyDc`: all but slot 0 are
/// zero (a flat block, filled without a transform).
void fastInverseDct(const std::int16_t* slotCoefficients, bool onlyDc, const InverseDctTable& table,
                    std::uint8_t* samples, std::size_t stride);

/// For fastForwardDct: per zig-zag index k, the reciprocal of the quantisation
/// value times the transform's scale factors, in the order the transform leaves
/// its output (column-major), and where coefficient k is found in that output.
struct ForwardDctTable {
    std::array<float, 64> reciprocal{};  // by column-major slot
    std::array<std::uint8_t, 64> slot{};  // by zig-zag index
};

/// The table for quantisation values `quant` (zig-zag order).
ForwardDctTable makeForwardDctTable(const std::uint16_t* quant);

/// The same result as forwardDct (within float rounding).
void fastForwardDct(const std::uint8_t* samples, std::size_t stride, const ForwardDctTable& table,
                    std::int16_t* coefficients);

}  // namespace lumbrel::media
