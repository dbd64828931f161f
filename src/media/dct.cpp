#include "media/dct.h"

#include "media/jpeg_codec.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumbrel::media {
namespace {

// basis[x][u] = C(u) / 2 * cos((2x + 1) u pi / 16), C(0) = 1 / sqrt 2: an
// orthonormal matrix, so the forward transform is its transpose and
// F(v,u) = sum over y,x of basis[y][v] basis[x][u] f(y,x) is the DCT of A.3.3.
const std::array<std::array<float, 8>, 8> kBasis = [] {
    std::array<std::array<float, 8>, 8> basis{};
    const double pi = std::acos(-1.0);
    for (int x = 0; x < 8; ++x) {
        for (int u = 0; u < 8; ++u) {
            const double scale = u == 0 ? std::sqrt(0.125) : 0.5;
            basis[static_cast<std::size_t>(x)][static_cast<std::size_t>(u)] =
                static_cast<float>(scale * std::cos((2 * x + 1) * u * pi / 16));
        }
    }
    return basis;
}();

const std::array<std::array<float, 8>, 8> kBasisT = [] {
    std::array<std::array<float, 8>, 8> transposed{};
    for (std::size_t x = 0; x < 8; ++x) {
        for (std::size_t u = 0; u < 8; ++u) {
            transposed[u][x] = kBasis[x][u];
        }
    }
    return transposed;
}();

// Round to nearest (halves away from zero) and clamp, without a library call.
inline long roundClamp(float value, long low, long high) {
    const long rounded = static_cast<long>(value + (value >= 0 ? 0.5f : -0.5f));
    return std::clamp(rounded, low, high);
}

}  // namespace

// Both passes are written as sums of scaled rows of eight, which the compiler
// turns into vector operations.
void inverseDct(const std::int16_t* coefficients, const std::uint16_t* quant, std::uint8_t* samples,
                std::size_t stride) {
    float f[8][8] = {};  // [v][u]
    unsigned rowsUsed = 0;
    for (int k = 0; k < 64; ++k) {
        const int n = kZigzagToNatural[static_cast<std::size_t>(k)];
        f[n >> 3][n & 7] = static_cast<float>(coefficients[k] * quant[k]);
        rowsUsed |= static_cast<unsigned>(coefficients[k] != 0) << (n >> 3);
    }
    if ((rowsUsed & ~1u) == 0 && f[0][1] == 0 && f[0][2] == 0 && f[0][3] == 0 && f[0][4] == 0 && f[0][5] == 0 &&
        f[0][6] == 0 && f[0][7] == 0) {  // a flat block
        const auto value = static_cast<std::uint8_t>(roundClamp(f[0][0] / 8.0f + 128.0f, 0, 255));
        for (int y = 0; y < 8; ++y) {
            std::fill_n(samples + static_cast<std::size_t>(y) * stride, 8, value);
        }
        return;
    }
    // rows[v][x] = sum over u of f[v][u] basis[x][u]: each row of frequencies
    // taken back to positions; rows of zeros stay zero.
    float rows[8][8] = {};
    for (int v = 0; v < 8; ++v) {
        if ((rowsUsed >> v & 1) == 0) {
            continue;
        }
        for (int u = 0; u < 8; ++u) {
            const float c = f[v][u];
            for (int x = 0; x < 8; ++x) {
                rows[v][x] += c * kBasisT[static_cast<std::size_t>(u)][static_cast<std::size_t>(x)];
            }
        }
    }
    for (int y = 0; y < 8; ++y) {
        float sum[8] = {128, 128, 128, 128, 128, 128, 128, 128};
        for (int v = 0; v < 8; ++v) {
            const float b = kBasis[static_cast<std::size_t>(y)][static_cast<std::size_t>(v)];
            for (int x = 0; x < 8; ++x) {
                sum[x] += b * rows[v][x];
            }
        }
        std::uint8_t* out = samples + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < 8; ++x) {
            out[x] = static_cast<std::uint8_t>(roundClamp(sum[x], 0, 255));
        }
    }
}

void forwardDct(const std::uint8_t* samples, std::size_t stride, const std::uint16_t* quant,
                std::int16_t* coefficients) {
    // rows[y][u] = sum over x of (f[y][x] - 128) basis[x][u]
    float rows[8][8] = {};
    for (int y = 0; y < 8; ++y) {
        const std::uint8_t* in = samples + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < 8; ++x) {
            const float g = static_cast<float>(in[x]) - 128.0f;
            for (int u = 0; u < 8; ++u) {
                rows[y][u] += g * kBasis[static_cast<std::size_t>(x)][static_cast<std::size_t>(u)];
            }
        }
    }
    // F[v][u] = sum over y of basis[y][v] rows[y][u]
    float f[8][8] = {};
    for (int v = 0; v < 8; ++v) {
        for (int y = 0; y < 8; ++y) {
            const float b = kBasis[static_cast<std::size_t>(y)][static_cast<std::size_t>(v)];
            for (int u = 0; u < 8; ++u) {
                f[v][u] += b * rows[y][u];
            }
        }
    }
    for (int k = 0; k < 64; ++k) {
        const int n = kZigzagToNatural[static_cast<std::size_t>(k)];
        // Baseline 8-bit values: DC within +-2047, AC within +-1023 (categories 11 and 10).
        const long limit = k == 0 ? 2047 : 1023;
        coefficients[k] = static_cast<std::int16_t>(roundClamp(f[n >> 3][n & 7] / static_cast<float>(quant[k]), -limit, limit));
    }
}

}  // namespace lumbrel::media
