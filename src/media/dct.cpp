#include "media/dct.h"

#include "media/jpeg_codec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

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

// The scale factors of the factorised transform: s(0) = 1,
// s(k) = sqrt 2 cos(k pi / 16). The factorised inverse transform takes
// F(v, u) s(v) s(u) / 8 to the samples, and the factorised forward transform
// yields 8 s(v) s(u) F(v, u).
const std::array<double, 8> kAanScale = [] {
    std::array<double, 8> scale{};
    const double pi = std::acos(-1.0);
    for (std::size_t k = 0; k < 8; ++k) {
        scale[k] = k == 0 ? 1.0 : std::sqrt(2.0) * std::cos(static_cast<double>(k) * pi / 16);
    }
    return scale;
}();

using Lanes = float[8][8];

// One-dimensional inverse transform along the first index of d, for the eight
// lanes of the second index at once (the compiler turns each line into vector
// operations). Even part: inputs 0, 2, 4, 6 through a 4-point inverse DCT;
// odd part: inputs 1, 3, 5, 7 through the rotations of the AAN flow graph,
// with 2 cos(pi/4) = 1.414213562, 2 cos(pi/8) = 1.847759065,
// 2 (cos(pi/8) - cos(3pi/8)) = 1.082392200, 2 (cos(pi/8) + cos(3pi/8)) = 2.613125930.
inline void inversePass(Lanes& d) {
    for (int x = 0; x < 8; ++x) {
        const float t10 = d[0][x] + d[4][x];
        const float t11 = d[0][x] - d[4][x];
        const float t13 = d[2][x] + d[6][x];
        const float t12 = (d[2][x] - d[6][x]) * 1.414213562f - t13;
        const float e0 = t10 + t13;
        const float e3 = t10 - t13;
        const float e1 = t11 + t12;
        const float e2 = t11 - t12;

        const float z13 = d[5][x] + d[3][x];
        const float z10 = d[5][x] - d[3][x];
        const float z11 = d[1][x] + d[7][x];
        const float z12 = d[1][x] - d[7][x];
        const float o7 = z11 + z13;
        const float o11 = (z11 - z13) * 1.414213562f;
        const float z5 = (z10 + z12) * 1.847759065f;
        const float o10 = z12 * 1.082392200f - z5;
        const float o12 = z5 - z10 * 2.613125930f;
        const float o6 = o12 - o7;
        const float o5 = o11 - o6;
        const float o4 = o10 + o5;

        d[0][x] = e0 + o7;
        d[7][x] = e0 - o7;
        d[1][x] = e1 + o6;
        d[6][x] = e1 - o6;
        d[2][x] = e2 + o5;
        d[5][x] = e2 - o5;
        d[4][x] = e3 + o4;
        d[3][x] = e3 - o4;
    }
}

// One-dimensional forward transform along the first index of d, lanes as
// above: sums and differences of mirrored inputs, a 4-point DCT of the sums
// (0.707106781 = cos(pi/4)) and the rotation of the differences
// (0.382683433 = cos(3pi/8), 0.541196100 = cos(pi/8) - cos(3pi/8),
// 1.306562965 = cos(pi/8) + cos(3pi/8)).
inline void forwardPass(Lanes& d) {
    for (int x = 0; x < 8; ++x) {
        const float t0 = d[0][x] + d[7][x];
        const float t7 = d[0][x] - d[7][x];
        const float t1 = d[1][x] + d[6][x];
        const float t6 = d[1][x] - d[6][x];
        const float t2 = d[2][x] + d[5][x];
        const float t5 = d[2][x] - d[5][x];
        const float t3 = d[3][x] + d[4][x];
        const float t4 = d[3][x] - d[4][x];

        const float s10 = t0 + t3;
        const float s13 = t0 - t3;
        const float s11 = t1 + t2;
        const float s12 = t1 - t2;
        d[0][x] = s10 + s11;
        d[4][x] = s10 - s11;
        const float z1 = (s12 + s13) * 0.707106781f;
        d[2][x] = s13 + z1;
        d[6][x] = s13 - z1;

        const float a10 = t4 + t5;
        const float a11 = t5 + t6;
        const float a12 = t6 + t7;
        const float z5 = (a10 - a12) * 0.382683433f;
        const float z2 = a10 * 0.541196100f + z5;
        const float z4 = a12 * 1.306562965f + z5;
        const float z3 = a11 * 0.707106781f;
        const float z11 = t7 + z3;
        const float z13 = t7 - z3;
        d[5][x] = z13 + z2;
        d[3][x] = z13 - z2;
        d[1][x] = z11 + z4;
        d[7][x] = z11 - z4;
    }
}

inline void transpose(Lanes& d) {
#if defined(__SSE2__)
    // Four 4 x 4 transposes in registers: the quarters on the diagonal stay,
    // the other two change places. (Element-wise swaps would make the compiler
    // mix narrow stores and wide loads of the same memory, which stall.)
    __m128 a0 = _mm_load_ps(&d[0][0]), a1 = _mm_load_ps(&d[1][0]), a2 = _mm_load_ps(&d[2][0]), a3 = _mm_load_ps(&d[3][0]);
    __m128 b0 = _mm_load_ps(&d[0][4]), b1 = _mm_load_ps(&d[1][4]), b2 = _mm_load_ps(&d[2][4]), b3 = _mm_load_ps(&d[3][4]);
    __m128 c0 = _mm_load_ps(&d[4][0]), c1 = _mm_load_ps(&d[5][0]), c2 = _mm_load_ps(&d[6][0]), c3 = _mm_load_ps(&d[7][0]);
    __m128 e0 = _mm_load_ps(&d[4][4]), e1 = _mm_load_ps(&d[5][4]), e2 = _mm_load_ps(&d[6][4]), e3 = _mm_load_ps(&d[7][4]);
    _MM_TRANSPOSE4_PS(a0, a1, a2, a3);
    _MM_TRANSPOSE4_PS(b0, b1, b2, b3);
    _MM_TRANSPOSE4_PS(c0, c1, c2, c3);
    _MM_TRANSPOSE4_PS(e0, e1, e2, e3);
    _mm_store_ps(&d[0][0], a0), _mm_store_ps(&d[1][0], a1), _mm_store_ps(&d[2][0], a2), _mm_store_ps(&d[3][0], a3);
    _mm_store_ps(&d[0][4], c0), _mm_store_ps(&d[1][4], c1), _mm_store_ps(&d[2][4], c2), _mm_store_ps(&d[3][4], c3);
    _mm_store_ps(&d[4][0], b0), _mm_store_ps(&d[5][0], b1), _mm_store_ps(&d[6][0], b2), _mm_store_ps(&d[7][0], b3);
    _mm_store_ps(&d[4][4], e0), _mm_store_ps(&d[5][4], e1), _mm_store_ps(&d[6][4], e2), _mm_store_ps(&d[7][4], e3);
#else
    for (int i = 0; i < 8; ++i) {
        for (int j = i + 1; j < 8; ++j) {
            std::swap(d[i][j], d[j][i]);
        }
    }
#endif
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

InverseDctTable makeInverseDctTable(const std::uint16_t* quant, const std::array<std::uint8_t, 64>& slots) {
    InverseDctTable table;
    for (std::size_t k = 0; k < 64; ++k) {
        const int n = kZigzagToNatural[k];
        table.factor[slots[k]] = static_cast<float>(quant[k] * kAanScale[static_cast<std::size_t>(n >> 3)] *
                                                    kAanScale[static_cast<std::size_t>(n & 7)] / 8);
    }
    return table;
}

// The work block starts column-major, d[u][v]: the first pass runs along u
// and gives d[x][v], the transpose d[v][x], the second pass along v gives the
// samples row by row, d[y][x].
void fastInverseDct(const std::int16_t* slotCoefficients, bool onlyDc, const InverseDctTable& table,
                    std::uint8_t* samples, std::size_t stride) {
    if (onlyDc) {  // a flat block
        const float value = std::clamp(static_cast<float>(slotCoefficients[0]) * table.factor[0] + 128.5f, 0.0f, 255.0f);
        const auto sample = static_cast<std::uint8_t>(value);
        for (int y = 0; y < 8; ++y) {
            std::memset(samples + static_cast<std::size_t>(y) * stride, sample, 8);
        }
        return;
    }
    alignas(32) Lanes d;
    float* flat = &d[0][0];
    for (std::size_t s = 0; s < 64; ++s) {
        flat[s] = static_cast<float>(slotCoefficients[s]) * table.factor[s];
    }
    inversePass(d);
    transpose(d);
    inversePass(d);
#if defined(__SSE2__)
    // Rounded to nearest (halves to even) and clamped to 0..255 by the
    // saturating packs.
    const __m128 shift = _mm_set1_ps(128.0f);
    for (int y = 0; y < 8; ++y) {
        const __m128i low = _mm_cvtps_epi32(_mm_add_ps(_mm_load_ps(&d[y][0]), shift));
        const __m128i high = _mm_cvtps_epi32(_mm_add_ps(_mm_load_ps(&d[y][4]), shift));
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(low, high), _mm_setzero_si128());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(samples + static_cast<std::size_t>(y) * stride), bytes);
    }
#else
    for (int y = 0; y < 8; ++y) {
        std::uint8_t* out = samples + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < 8; ++x) {
            // Adding 128.5 and truncating the clamped value rounds to nearest.
            out[x] = static_cast<std::uint8_t>(static_cast<int>(std::min(std::max(d[y][x] + 128.5f, 0.0f), 255.0f)));
        }
    }
#endif
}

ForwardDctTable makeForwardDctTable(const std::uint16_t* quant) {
    ForwardDctTable table;
    for (std::size_t k = 0; k < 64; ++k) {
        const int n = kZigzagToNatural[k];
        const std::uint8_t slot = dctSlot(n);
        table.slot[k] = slot;
        table.reciprocal[slot] = static_cast<float>(
            1.0 / (quant[k] * kAanScale[static_cast<std::size_t>(n >> 3)] * kAanScale[static_cast<std::size_t>(n & 7)] * 8));
    }
    return table;
}

// The work block starts row by row, d[y][x]: the first pass gives d[v][x],
// the transpose d[x][v], the second pass d[u][v], column-major.
void fastForwardDct(const std::uint8_t* samples, std::size_t stride, const ForwardDctTable& table,
                    std::int16_t* coefficients) {
    alignas(32) Lanes d;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128 shift = _mm_set1_ps(128.0f);
    for (int y = 0; y < 8; ++y) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + static_cast<std::size_t>(y) * stride));
        const __m128i words = _mm_unpacklo_epi8(bytes, zero);
        _mm_store_ps(&d[y][0], _mm_sub_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)), shift));
        _mm_store_ps(&d[y][4], _mm_sub_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero)), shift));
    }
#else
    for (int y = 0; y < 8; ++y) {
        const std::uint8_t* in = samples + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < 8; ++x) {
            d[y][x] = static_cast<float>(in[x]) - 128.0f;
        }
    }
#endif
    forwardPass(d);
    transpose(d);
    forwardPass(d);
    // Baseline 8-bit values: DC within +-2047, AC within +-1023 (categories 11
    // and 10). The DC coefficient is slot 0. Clamped before rounding, so that
    // the rounded value stays within the limit too.
    const float* flat = &d[0][0];
    alignas(16) std::int16_t quantised[64];
#if defined(__SSE2__)
    // Rounded to nearest (halves to even: a tie is as good a choice either way).
    for (std::size_t s = 0; s < 64; s += 8) {
        const __m128 limit = _mm_set1_ps(1023.0f);
        const __m128 low = _mm_mul_ps(_mm_load_ps(flat + s), _mm_loadu_ps(table.reciprocal.data() + s));
        const __m128 high = _mm_mul_ps(_mm_load_ps(flat + s + 4), _mm_loadu_ps(table.reciprocal.data() + s + 4));
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(low, limit), _mm_sub_ps(_mm_setzero_ps(), limit))),
                                               _mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(high, limit), _mm_sub_ps(_mm_setzero_ps(), limit))));
        _mm_store_si128(reinterpret_cast<__m128i*>(quantised + s), packed);
    }
    const float dc = std::min(std::max(flat[0] * table.reciprocal[0], -2047.0f), 2047.0f);
    quantised[0] = static_cast<std::int16_t>(_mm_cvtss_si32(_mm_set_ss(dc)));
#else
    for (std::size_t s = 0; s < 64; ++s) {
        const float limit = s == 0 ? 2047.0f : 1023.0f;
        const float value = std::min(std::max(flat[s] * table.reciprocal[s], -limit), limit);
        // Round to nearest, halves away from zero.
        quantised[s] = static_cast<std::int16_t>(static_cast<int>(value + std::copysign(0.5f, value)));
    }
#endif
    for (std::size_t k = 0; k < 64; ++k) {
        coefficients[k] = quantised[table.slot[k]];
    }
}

}  // namespace lumbrel::media
