#include "media/jpeg_rotate.h"

#include "media/dct.h"
#include "media/jpeg_codec.h"
#include "media/split_scan.h"
#include "platform/large_buffer.h"
#include "platform/side_thread.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <array>
#include <bit>
#include <cstring>
#include <exception>
#include <functional>
#include <new>

namespace lumbrel::media {
namespace {

constexpr int kCounterClockwise = 1;
constexpr int kHalf = 2;
constexpr int kClockwise = 3;

bool isQuarter(int code) { return code == kCounterClockwise || code == kClockwise; }

// Where a point (x, y) of a w x h area lands after the turn (the area becomes
// h x w for quarter turns):
//   clockwise:          (h - 1 - y, x)
//   counter-clockwise:  (y, w - 1 - x)
//   half:               (w - 1 - x, h - 1 - y)
// The same rule moves whole blocks in a grid of blocks, and samples in a plane.
struct Point {
    int x;
    int y;
};

Point turnPoint(int code, int x, int y, int w, int h) {
    switch (code) {
    case kClockwise:
        return {h - 1 - y, x};
    case kCounterClockwise:
        return {y, w - 1 - x};
    case kHalf:
        return {w - 1 - x, h - 1 - y};
    default:
        return {x, y};
    }
}

// The inverse: which point of the w x h source area lands at (x, y) of the turned area.
Point sourcePoint(int code, int x, int y, int w, int h) {
    switch (code) {
    case kClockwise:
        return {y, h - 1 - x};
    case kCounterClockwise:
        return {w - 1 - y, x};
    case kHalf:
        return {w - 1 - x, h - 1 - y};
    default:
        return {x, y};
    }
}

// The coefficients of a turned block. With F(v, u) the coefficient of vertical
// frequency v and horizontal frequency u, mirroring a block left to right
// multiplies F(v, u) by (-1)^u (cos((2(7-x)+1)u pi/16) = (-1)^u cos((2x+1)u pi/16)),
// mirroring it top to bottom multiplies by (-1)^v, and transposing it swaps v and u.
//   clockwise = transpose, then mirror left to right:  G(v, u) = (-1)^u F(u, v)
//   counter-clockwise = transpose, then top to bottom: G(v, u) = (-1)^v F(u, v)
//   half = both mirrors:                               G(v, u) = (-1)^(u+v) F(v, u)
// As tables in zig-zag order: G[k] = sign[k] * F[source[k]].
struct BlockTurn {
    std::array<std::uint8_t, 64> source{};
    std::array<std::int16_t, 64> sign{};
};

BlockTurn blockTurn(int code) {
    BlockTurn turn;
    for (std::size_t k = 0; k < 64; ++k) {
        const int n = kZigzagToNatural[k];
        const int v = n >> 3;
        const int u = n & 7;
        int from = n;
        int odd = 0;
        if (code == kClockwise) {
            from = u * 8 + v;
            odd = u & 1;
        } else if (code == kCounterClockwise) {
            from = u * 8 + v;
            odd = v & 1;
        } else if (code == kHalf) {
            odd = (u + v) & 1;
        }
        turn.source[k] = kNaturalToZigzag[static_cast<std::size_t>(from)];
        turn.sign[k] = static_cast<std::int16_t>(odd != 0 ? -1 : 1);
    }
    return turn;
}

// Where the six blocks of an MCU lie: the luminance blocks in a 2 x 2 square.
constexpr std::array<int, 6> kBlockDx = {0, 1, 0, 1, 0, 0};
constexpr std::array<int, 6> kBlockDy = {0, 0, 1, 1, 0, 0};

// Output up to the scan: the segments before the frame header, the frame header
// with the turned size, the segments after it up to and including SOS.
void writeHead(std::span<const std::uint8_t> in, const JpegFile& file, int code, std::vector<std::uint8_t>& out) {
    out.insert(out.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(file.scanOffset));
    if (isQuarter(code)) {
        // FF C0, length, P, then Y (height) and X (width): swap them.
        std::uint8_t* frame = out.data() + file.frameOffset;
        std::swap(frame[5], frame[7]);
        std::swap(frame[6], frame[8]);
    }
}

// A quarter turn of the quantised coefficients transposes them: turned
// coefficient (v, u) is coefficient (u, v) of the source, quantised with the
// source's step for (u, v). The quantisation tables of the head (out up to
// headEnd) are transposed to match, or every decoder would scale each
// coefficient by its mirrored step. The head was checked by the parser; the
// walk still stays within it.
void transposeQuantTables(std::vector<std::uint8_t>& out, std::size_t headEnd) {
    std::size_t p = 2;  // after SOI
    while (p + 4 <= headEnd) {
        if (out[p] != 0xFF) return;
        if (out[p + 1] == 0xFF) {  // fill byte
            ++p;
            continue;
        }
        const std::uint8_t marker = out[p + 1];
        const std::size_t length = static_cast<std::size_t>(out[p + 2]) << 8 | out[p + 3];
        if (length < 2 || p + 2 + length > headEnd) return;
        if (marker == 0xDA) return;
        if (marker == 0xDB) {
            std::size_t q = p + 4;
            const std::size_t end = p + 2 + length;
            while (q < end) {
                const std::size_t width = (out[q] >> 4) == 0 ? 1 : 2;  // 8- or 16-bit steps
                if (q + 1 + 64 * width > end) return;
                std::uint8_t* table = out.data() + q + 1;
                std::array<std::uint8_t, 128> source{};
                std::copy(table, table + 64 * width, source.begin());
                for (std::size_t k = 0; k < 64; ++k) {
                    const std::size_t n = kZigzagToNatural[k];
                    const std::size_t from = kNaturalToZigzag[(n % 8) * 8 + n / 8];
                    std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(from * width), width, table + k * width);
                }
                q += 1 + 64 * width;
            }
        }
        p += 2 + length;
    }
}

void writeTail(std::span<const std::uint8_t> in, const JpegFile& file, std::vector<std::uint8_t>& out) {
    out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(file.scanEnd), in.end());
}

std::size_t initialCapacity(std::span<const std::uint8_t> in) { return in.size() + in.size() / 16 + 4096; }

ScanSplit splitFor(TurnThreads threads) {
    return {.mode = threads == TurnThreads::One ? ScanSplit::Mode::Never : ScanSplit::Mode::WhenWorthwhile};
}

// Encodes MCUs [first, last) of the turned picture, in order, with the encoder given.
using EncodeRange = std::function<void(ScanEncoder&, int first, int last)>;

// Encodes the count MCUs of the turned picture into out. A large picture (at
// least kSplitMcus) is encoded in two pieces at once, the second on a thread of its own, and the
// pieces joined: the bytes are those of one encoder going through it all.
// dcBefore(m) gives the DC values of the last block of each component before MCU m.
bool encodeMcus(const JpegFile& file, int count, std::vector<std::uint8_t>& out, const EncodeRange& encodeRange,
                const std::function<std::array<int, 3>(int)>& dcBefore, TurnThreads threads) {
    ScanEncoder encoder(file, out);
    const int interval = file.restartInterval;
    int split = count / 2;
    if (interval != 0) split = split / interval * interval;  // a piece starts a restart interval
    if (threads == TurnThreads::One || count < kSplitMcus || split <= 0 || split >= count ||
        !platform::SideThread::worthwhile()) {
        encodeRange(encoder, 0, count);
        return encoder.finish();
    }
    const std::array<int, 3> predictions = interval != 0 ? std::array<int, 3>{} : dcBefore(split);
    const std::size_t pieceRoom = out.capacity() / 2;
    std::vector<std::uint8_t> pieceBytes;
    std::optional<ScanEncoder> piece;
    std::exception_ptr pieceError;
    {
        platform::SideThread second([&] {
            try {
                pieceBytes.reserve(pieceRoom);
                piece.emplace(file, pieceBytes, split, predictions);
                encodeRange(*piece, split, count);
            } catch (...) {
                pieceError = std::current_exception();
            }
        });
        encodeRange(encoder, 0, split);
    }  // the second piece is done here, also when the first threw
    if (pieceError) std::rethrow_exception(pieceError);
    encoder.join(*piece);
    return encoder.finish();
}

// JFIF YCbCr to one RGB pixel.
void toRgb(float y, float cb, float cr, std::uint8_t* rgb) {
    const auto clamp8 = [](float v) { return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); };
    cb -= 128.0f;
    cr -= 128.0f;
    rgb[0] = clamp8(y + 1.402f * cr);
    rgb[1] = clamp8(y - 0.344136f * cb - 0.714136f * cr);
    rgb[2] = clamp8(y + 1.772f * cb);
}

// The mean over segment q (of n equal segments of the 8 samples) of basis
// function f of the inverse transform, with its 1/2 C(f) factor: a block's
// samples averaged over an n x n grid of squares are
// sum over (v, u) of F(v, u) * weight[n][qy][v] * weight[n][qx][u].
const std::array<std::array<std::array<float, 8>, 4>, 3> kSegmentWeights = [] {
    std::array<std::array<std::array<float, 8>, 4>, 3> w{};
    for (std::size_t s = 0; s < 3; ++s) {
        const int n = 1 << s;  // 1, 2, 4 segments
        for (int q = 0; q < n; ++q)
            for (int f = 0; f < 8; ++f) {
                double sum = 0;
                for (int x = q * 8 / n; x < (q + 1) * 8 / n; ++x) sum += std::cos((2 * x + 1) * f * std::numbers::pi / 16);
                const double c = f == 0 ? std::numbers::sqrt2 / 2 : 1.0;
                w[s][static_cast<std::size_t>(q)][static_cast<std::size_t>(f)] = static_cast<float>(0.5 * c * sum * n / 8);
            }
    }
    return w;
}();

// The averages of a block's samples over an N x N grid of squares, from its
// coefficients (zig-zag order), written at corner of a plane: weights[k * N * N
// + i] is the weight of coefficient k on square i. Only the coefficients that
// are not zero are visited.
template <int N>
void reduceBlockTo(const std::int16_t* block, const float* weights, float* corner, std::size_t stride) {
    std::array<float, N * N> sum{};
    for (std::uint64_t mask = nonZeroMask(block); mask != 0; mask &= mask - 1) {
        const auto k = static_cast<std::size_t>(std::countr_zero(mask));
        const float value = block[k];
        const float* w = weights + k * N * N;
        for (std::size_t i = 0; i < N * N; ++i) sum[i] += value * w[i];
    }
    for (std::size_t qy = 0; qy < N; ++qy)
        for (std::size_t qx = 0; qx < N; ++qx) corner[qy * stride + qx] = sum[qy * N + qx];
}

// The weights for reduceBlockTo of the blocks of one component, n = 1 << shift:
// the weight of each coefficient (zig-zag order) on each square, with its
// quantisation step (from quant, transposed for coefficients transposed by a
// quarter turn).
std::vector<float> squareWeights(const std::uint16_t* quant, bool transposed, std::size_t shift) {
    const auto& weight = kSegmentWeights[shift];
    const std::size_t n = std::size_t{1} << shift;
    std::vector<float> weights(64 * n * n);
    for (std::size_t k = 0; k < 64; ++k) {
        const std::size_t nat = kZigzagToNatural[k];
        const float step = quant[transposed ? kNaturalToZigzag[(nat % 8) * 8 + nat / 8] : k];
        for (std::size_t qy = 0; qy < n; ++qy)
            for (std::size_t qx = 0; qx < n; ++qx) weights[k * n * n + qy * n + qx] = step * weight[qy][nat / 8] * weight[qx][nat % 8];
    }
    return weights;
}

using BlockReducer = void (*)(const std::int16_t*, const float*, float*, std::size_t);
BlockReducer blockReducer(std::size_t shift) {
    return shift == 0 ? &reduceBlockTo<1> : shift == 1 ? &reduceBlockTo<2> : &reduceBlockTo<4>;
}

// The shift (n = 1 << shift samples per block side) for a small picture of
// the turned picture whose longer side is at least minLongerSide; 3 when even
// 4 x 4 per block is too small.
std::size_t reductionShift(int longer, int minLongerSide) {
    std::size_t shift = 0;
    while (shift < 3 && longer * (1 << shift) / 8 < minLongerSide) ++shift;
    return shift;
}

// The decoded blocks of a picture's first `components` components, at their
// source positions (the grid padded to whole MCUs), stored in tiles of 8 x 8
// blocks, each tile's blocks contiguous. The decoder walks the grid row by row
// and the encoder, for a quarter turn, column by column: within a tile the
// blocks are stored along the encoder's direction (column by column for
// quarter turns), so that both walks stay within a few pages and cache lines
// at a time instead of striding across the whole grid. The MCUs that a second
// decoding thread kept for itself (tail) are read where it left them.
class SourceBlocks {
public:
    SourceBlocks(const JpegFile& file, std::size_t components, bool columnFirst)
        : mcusWide_(file.mcusWide()), columnFirst_(columnFirst) {
        std::size_t size = 0;
        for (std::size_t c = 0; c < components; ++c) {
            wide_[c] = c == 0 ? 2 * file.mcusWide() : file.mcusWide();
            high_[c] = c == 0 ? 2 * file.mcusHigh() : file.mcusHigh();
            tilesWide_[c] = static_cast<std::size_t>((wide_[c] + kTile - 1) / kTile);
            const auto tilesHigh = static_cast<std::size_t>((high_[c] + kTile - 1) / kTile);
            start_[c] = size;
            size += tilesWide_[c] * tilesHigh * kTile * kTile * 64;
        }
        grid_ = platform::LargeBuffer(size * sizeof(std::int16_t));
    }

    /// Blocks of component c across and down the (padded) grid.
    [[nodiscard]] int wide(int c) const { return wide_[static_cast<std::size_t>(c)]; }
    [[nodiscard]] int high(int c) const { return high_[static_cast<std::size_t>(c)]; }

    /// Block (x, y) of component c.
    [[nodiscard]] std::int16_t* at(int c, int x, int y) const {
        const int scale = c == 0 ? 2 : 1;
        const int mcu = (y / scale) * mcusWide_ + x / scale;
        if (mcu >= tail.firstMcu()) return tail.block(mcu, c == 0 ? (y % 2) * 2 + x % 2 : 3 + c);
        const auto ci = static_cast<std::size_t>(c);
        const std::size_t tile = static_cast<std::size_t>(y / kTile) * tilesWide_[ci] + static_cast<std::size_t>(x / kTile);
        const int inner = columnFirst_ ? (x % kTile) * kTile + y % kTile : (y % kTile) * kTile + x % kTile;
        return grid_.as<std::int16_t>() + start_[ci] + (tile * kTile * kTile + static_cast<std::size_t>(inner)) * 64;
    }

    ScanTail tail;

private:
    static constexpr int kTile = 8;
    int mcusWide_;
    bool columnFirst_;
    std::array<int, 3> wide_{};
    std::array<int, 3> high_{};
    std::array<std::size_t, 3> tilesWide_{};
    std::array<std::size_t, 3> start_{};
    platform::LargeBuffer grid_;
};

// Quantised coefficients are moved block by block and transformed in place of
// a decode; nothing is lost.
std::optional<std::vector<std::uint8_t>> turnCoefficients(std::span<const std::uint8_t> in, const JpegFile& file, int code,
                                                           ReducedImage* small, int minLongerSide, TurnThreads threads) {
    const int mcusWide = file.mcusWide();
    const int mcusHigh = file.mcusHigh();
    SourceBlocks blocks(file, 3, isQuarter(code));
    const auto blockAt = [&](int c, int x, int y) { return blocks.at(c, x, y); };
    std::array<int, 3> wide{};
    std::array<int, 3> high{};
    for (int c = 0; c < 3; ++c) {
        wide[static_cast<std::size_t>(c)] = blocks.wide(c);
        high[static_cast<std::size_t>(c)] = blocks.high(c);
    }

    // Each block is turned as it is decoded: turned coefficient k is sign[k]
    // times coded coefficient source[k].
    const BlockTurn turn = blockTurn(code);
    ScanDecoder::CoefficientOrder order;
    for (std::size_t k = 0; k < 64; ++k) {
        order.position[turn.source[k]] = static_cast<std::uint8_t>(k);
        order.negate[turn.source[k]] = static_cast<std::int16_t>(turn.sign[k] < 0 ? -1 : 0);
    }
    const auto decodeMcu = [&](ScanDecoder& decoder, int m) {
        const int mx = m % mcusWide;
        const int my = m / mcusWide;
        if (!decoder.beginMcu()) return false;
        for (std::size_t b = 0; b < 6; ++b) {
            const int c = kMcuBlockComponent[b];
            const int scale = c == 0 ? 2 : 1;
            if (!decoder.decodeBlock(c, blockAt(c, mx * scale + kBlockDx[b], my * scale + kBlockDy[b]), order)) return false;
        }
        return true;
    };
    if (!decodeScan(file, in, decodeMcu, order, blocks.tail, splitFor(threads))) {
        return std::nullopt;
    }

    // A small copy of the turned picture for its preview, straight from the
    // coefficients: each block averaged over an n x n grid of squares.
    const int turnedWidth = isQuarter(code) ? file.height : file.width;
    const int turnedHeight = isQuarter(code) ? file.width : file.height;
    const int longer = std::max(turnedWidth, turnedHeight);
    const std::size_t shift = reductionShift(longer, minLongerSide);
    if (small && shift < 3) {
        const int n = 1 << shift;
        std::array<std::vector<float>, 3> reduced;
        std::array<int, 3> stride{};
        for (int c = 0; c < 3; ++c) {
            const auto ci = static_cast<std::size_t>(c);
            const int outWide = isQuarter(code) ? high[ci] : wide[ci];
            const int outHigh = isQuarter(code) ? wide[ci] : high[ci];
            stride[ci] = outWide * n;
            reduced[ci].assign(static_cast<std::size_t>(stride[ci]) * static_cast<std::size_t>(outHigh * n), 0.0f);
            const std::vector<float> weights =
                squareWeights(file.quant[file.components[ci].quantTable]->data(), isQuarter(code), shift);
            const auto reduceBlock = blockReducer(shift);
            for (int oy = 0; oy < outHigh; ++oy)
                for (int ox = 0; ox < outWide; ++ox) {
                    const Point from = sourcePoint(code, ox, oy, wide[ci], high[ci]);
                    float* corner = reduced[ci].data() + static_cast<std::size_t>(oy * n) * static_cast<std::size_t>(stride[ci]) +
                                    static_cast<std::size_t>(ox * n);
                    reduceBlock(blockAt(c, from.x, from.y), weights.data(), corner, static_cast<std::size_t>(stride[ci]));
                }
        }
        ReducedImage picture{{turnedWidth * n / 8, turnedHeight * n / 8, {}}, turnedWidth, turnedHeight};
        if (picture.image.width > 0 && picture.image.height > 0) {
            picture.image.rgb.resize(static_cast<std::size_t>(picture.image.width) * static_cast<std::size_t>(picture.image.height) * 3);
            std::uint8_t* rgb = picture.image.rgb.data();
            for (int y = 0; y < picture.image.height; ++y)
                for (int x = 0; x < picture.image.width; ++x, rgb += 3) {
                    const auto at = [&](std::size_t c, int px, int py) {
                        return reduced[c][static_cast<std::size_t>(py) * static_cast<std::size_t>(stride[c]) + static_cast<std::size_t>(px)];
                    };
                    // Chrominance has half the samples each way.
                    toRgb(at(0, x, y) + 128.0f, at(1, x / 2, y / 2) + 128.0f, at(2, x / 2, y / 2) + 128.0f, rgb);
                }
            *small = std::move(picture);
        }
    }

    std::vector<std::uint8_t> out;
    out.reserve(initialCapacity(in));
    writeHead(in, file, code, out);
    if (isQuarter(code)) transposeQuantTables(out, file.scanOffset);
    const int outMcusWide = isQuarter(code) ? mcusHigh : mcusWide;
    const int outMcusHigh = isQuarter(code) ? mcusWide : mcusHigh;
    // The six source blocks of output MCU (mx, my).
    const auto mcuBlocks = [&](int mx, int my, std::array<const std::int16_t*, 6>& blocksOut) {
        for (std::size_t b = 0; b < 6; ++b) {
            const int c = kMcuBlockComponent[b];
            const int scale = c == 0 ? 2 : 1;
            const auto ci = static_cast<std::size_t>(c);
            // The turned grid is high[c] x wide[c] for quarter turns.
            const Point from = sourcePoint(code, mx * scale + kBlockDx[b], my * scale + kBlockDy[b], wide[ci], high[ci]);
            blocksOut[b] = blockAt(c, from.x, from.y);
        }
    };
    // The blocks of the next MCU are fetched from memory while this one is
    // encoded: the grid is far larger than the caches.
    const EncodeRange encodeRange = [&](ScanEncoder& encoder, int first, int last) {
        std::array<const std::int16_t*, 6> current{};
        std::array<const std::int16_t*, 6> next{};
        mcuBlocks(first % outMcusWide, first / outMcusWide, current);
        for (int m = first; m < last; ++m) {
            if (m + 1 < last) {
                mcuBlocks((m + 1) % outMcusWide, (m + 1) / outMcusWide, next);
                for (const std::int16_t* block : next) {
                    __builtin_prefetch(block);
                    __builtin_prefetch(block + 32);
                }
            }
            encoder.beginMcu();
            for (std::size_t b = 0; b < 6; ++b) {
                encoder.encodeBlock(kMcuBlockComponent[b], current[b]);
            }
            current = next;
        }
    };
    const auto dcBefore = [&](int m) {
        std::array<const std::int16_t*, 6> last{};
        mcuBlocks((m - 1) % outMcusWide, (m - 1) / outMcusWide, last);
        return std::array<int, 3>{last[3][0], last[4][0], last[5][0]};
    };
    if (!encodeMcus(file, outMcusWide * outMcusHigh, out, encodeRange, dcBefore, threads)) {
        return std::nullopt;
    }
    writeTail(in, file, out);
    return out;
}

// A plane of samples for one component, sized in whole MCUs of the turned picture.
struct Plane {
    int width = 0;   // samples of picture content
    int height = 0;
    int stride = 0;  // padded width
    int rows = 0;    // padded height
    platform::LargeBuffer samples;

    std::uint8_t* row(int y) const { return samples.as<std::uint8_t>() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride); }

    // Fills the padding right of and below the content by repeating the last
    // column and the last row.
    void pad() const {
        for (int y = 0; y < height; ++y) {
            std::uint8_t* r = row(y);
            std::fill(r + width, r + stride, r[width - 1]);
        }
        for (int y = height; y < rows; ++y) {
            std::memcpy(row(y), row(height - 1), static_cast<std::size_t>(stride));
        }
    }
};

// The average of plane samples [x0, x1) x [y0, y1), clamped to the content.
float planeAverage(const Plane& p, int x0, int x1, int y0, int y1) {
    x1 = std::min(std::max(x1, x0 + 1), p.width);
    y1 = std::min(std::max(y1, y0 + 1), p.height);
    x0 = std::min(x0, x1 - 1);
    y0 = std::min(y0, y1 - 1);
    int sum = 0;
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* r = p.row(y);
        for (int x = x0; x < x1; ++x) sum += r[x];
    }
    return static_cast<float>(sum) / static_cast<float>((x1 - x0) * (y1 - y0));
}

// The turned picture box-averaged by the largest whole factor (at most 8) that
// keeps its longer side at least minLongerSide, converted to RGB (JFIF).
ReducedImage reducedPicture(const std::array<Plane, 3>& planes, int minLongerSide) {
    const Plane& luma = planes[0];
    const int longer = std::max(luma.width, luma.height);
    const int factor = std::clamp(longer / std::max(1, minLongerSide), 1, 8);
    ReducedImage small{{luma.width / factor, luma.height / factor, {}}, luma.width, luma.height};
    Image& image = small.image;
    if (image.width < 1 || image.height < 1) return {};
    image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    std::uint8_t* out = image.rgb.data();
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x, out += 3) {
            const int lx = x * factor, ly = y * factor;
            // Chrominance has half the samples each way: the same area there.
            toRgb(planeAverage(luma, lx, lx + factor, ly, ly + factor),
                  planeAverage(planes[1], lx / 2, (lx + factor + 1) / 2, ly / 2, (ly + factor + 1) / 2),
                  planeAverage(planes[2], lx / 2, (lx + factor + 1) / 2, ly / 2, (ly + factor + 1) / 2), out);
        }
    }
    return small;
}

// The same for a turned picture (width x height) whose luminance is a grid of
// turned coefficient blocks (gridWide x gridHigh, each in zig-zag order, given
// by lumaBlock(x, y, spare), quantised with quant, transposed for a quarter
// turn) and whose chrominance is in planes: the luminance averaged per block over an n x n grid of squares,
// n the smallest that keeps the longer side at least minLongerSide, the
// chrominance over the same areas.
ReducedImage reducedPicture(const std::function<const std::int16_t*(int, int, std::int16_t*)>& lumaBlock, int gridWide,
                            int gridHigh, const std::uint16_t* quant, bool transposed, const std::array<Plane, 3>& planes,
                            int width, int height, int minLongerSide) {
    const std::size_t shift = reductionShift(std::max(width, height), minLongerSide);
    if (shift > 2) return {};
    const int n = 1 << shift;
    ReducedImage small{{width * n / 8, height * n / 8, {}}, width, height};
    Image& image = small.image;
    if (image.width < 1 || image.height < 1) return {};
    const std::vector<float> weights = squareWeights(quant, transposed, shift);
    const BlockReducer reduceBlock = blockReducer(shift);
    const auto stride = static_cast<std::size_t>(gridWide * n);
    std::vector<float> luma(stride * static_cast<std::size_t>(gridHigh * n));
    std::array<std::int16_t, 64> spare{};
    for (int y = 0; y < gridHigh; ++y)
        for (int x = 0; x < gridWide; ++x)
            reduceBlock(lumaBlock(x, y, spare.data()), weights.data(),
                        luma.data() + static_cast<std::size_t>(y * n) * stride + static_cast<std::size_t>(x * n), stride);
    image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    std::uint8_t* out = image.rgb.data();
    const int area = 4 / n;  // chrominance samples per small picture sample, each way
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x, out += 3) {
            toRgb(luma[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] + 128.0f,
                  planeAverage(planes[1], x * area, (x + 1) * area, y * area, (y + 1) * area),
                  planeAverage(planes[2], x * area, (x + 1) * area, y * area, (y + 1) * area), out);
        }
    }
    return small;
}

// Whether the luminance blocks of a picture whose MCUs do not line up after
// the turn still do: the edges that the turn brings to the top and left are
// whole blocks of 8 samples. They are then moved as coefficients, losslessly,
// and only the chrominance goes through samples.
bool lumaBlocksLineUp(int width, int height, int code) {
    switch (code) {
    case kClockwise:
        return height % 8 == 0;
    case kCounterClockwise:
        return width % 8 == 0;
    case kHalf:
        return width % 8 == 0 && height % 8 == 0;
    default:
        return true;
    }
}

// A block decoded in the order from, as if decoded in the order to: coded
// coefficient k stands at from.position[k], negated where from.negate[k] is
// -1, and goes to to.position[k], negated where to.negate[k] is -1.
void reorderBlock(const std::int16_t* block, const ScanDecoder::CoefficientOrder& from,
                  const ScanDecoder::CoefficientOrder& to, std::int16_t* out) {
    for (std::size_t k = 0; k < 64; ++k) {
        const auto negate = static_cast<std::int16_t>(from.negate[k] ^ to.negate[k]);
        const std::int16_t v = block[from.position[k]];
        out[to.position[k]] = static_cast<std::int16_t>((v ^ negate) - negate);
    }
}

// A quantisation table (zig-zag order) transposed: the step of (v, u) is the source's step of (u, v).
std::array<std::uint16_t, 64> transposedTable(const std::uint16_t* quant) {
    std::array<std::uint16_t, 64> out{};
    for (std::size_t k = 0; k < 64; ++k) {
        const std::size_t n = kZigzagToNatural[k];
        out[k] = quant[kNaturalToZigzag[(n % 8) * 8 + n / 8]];
    }
    return out;
}

// Pictures whose edges would move to the top or left in part-filled MCUs:
// chrominance blocks (and luminance blocks too, unless they line up) are
// decoded to samples and each placed at its turned position in planes of the
// turned size, the planes padded at their new right and bottom edges, and
// encoded again with the file's quantisation and Huffman tables. Luminance
// blocks that line up are moved as coefficients into a grid of the turned
// picture's blocks.
std::optional<std::vector<std::uint8_t>> turnSamples(std::span<const std::uint8_t> in, const JpegFile& file, int code,
                                                      ReducedImage* small, int minLongerSide, TurnThreads threads) {
    const int mcusWide = file.mcusWide();
    const int mcusHigh = file.mcusHigh();
    const int outMcusWide = isQuarter(code) ? mcusHigh : mcusWide;
    const int outMcusHigh = isQuarter(code) ? mcusWide : mcusHigh;
    const bool lumaGrid = lumaBlocksLineUp(file.width, file.height, code);
    // Content of each component in the source: luminance w x h, chrominance
    // half of that, rounded up.
    std::array<int, 3> sourceWidth = {file.width, (file.width + 1) / 2, (file.width + 1) / 2};
    std::array<int, 3> sourceHeight = {file.height, (file.height + 1) / 2, (file.height + 1) / 2};
    std::array<Plane, 3> planes;
    for (std::size_t c = lumaGrid ? 1 : 0; c < 3; ++c) {
        const int scale = c == 0 ? 16 : 8;
        Plane& p = planes[c];
        p.width = isQuarter(code) ? sourceHeight[c] : sourceWidth[c];
        p.height = isQuarter(code) ? sourceWidth[c] : sourceHeight[c];
        p.stride = outMcusWide * scale;
        p.rows = outMcusHigh * scale;
        p.samples = platform::LargeBuffer(static_cast<std::size_t>(p.stride) * static_cast<std::size_t>(p.rows));
    }
    // Luminance blocks that line up stay coefficients, turned as they are
    // decoded, at their source positions; the turned picture's block (x, y)
    // is the source block at sourcePoint of it within the blocks that hold
    // picture content.
    SourceBlocks luma(file, lumaGrid ? 1 : 0, isQuarter(code));
    const int gridWide = 2 * outMcusWide;
    const int gridHigh = 2 * outMcusHigh;
    const int contentWide = (file.width + 7) / 8;
    const int contentHigh = (file.height + 7) / 8;
    // Turned block (x, y); one beyond the turned picture's right or bottom
    // edge, which no source block fills, is written into spare: it repeats the
    // DC value of the picture's edge block beside it (flat, and cheap to code).
    const auto turnedLuma = [&](int x, int y, std::int16_t* spare) -> const std::int16_t* {
        const Point from = sourcePoint(code, x, y, contentWide, contentHigh);
        if (from.x >= 0 && from.y >= 0 && from.x < luma.wide(0) && from.y < luma.high(0)) return luma.at(0, from.x, from.y);
        const std::int16_t dc = luma.at(0, std::clamp(from.x, 0, contentWide - 1), std::clamp(from.y, 0, contentHigh - 1))[0];
        std::fill_n(spare, 64, std::int16_t{0});
        spare[0] = dc;
        return spare;
    };
    // Blocks for samples are decoded straight into the inverse transform's
    // slot order. Those that are written whole at their turned place are
    // turned as they are decoded (turned coefficient k is sign[k] times coded
    // coefficient source[k]); those across the picture's edge are transformed
    // unturned and placed sample by sample. Blocks for the grid are turned in
    // zig-zag order.
    const BlockTurn turn = blockTurn(code);
    ScanDecoder::CoefficientOrder plainOrder;
    ScanDecoder::CoefficientOrder turnedOrder;
    ScanDecoder::CoefficientOrder gridOrder;
    for (std::size_t k = 0; k < 64; ++k) {
        plainOrder.position[k] = dctSlot(kZigzagToNatural[k]);
        turnedOrder.position[turn.source[k]] = dctSlot(kZigzagToNatural[k]);
        turnedOrder.negate[turn.source[k]] = static_cast<std::int16_t>(turn.sign[k] < 0 ? -1 : 0);
        gridOrder.position[turn.source[k]] = static_cast<std::uint8_t>(k);
        gridOrder.negate[turn.source[k]] = turnedOrder.negate[turn.source[k]];
    }
    // Moved coefficients of a quarter turn are transposed, and so are the
    // quantisation tables of the turned file; the samples are quantised with
    // the tables as they are written.
    const bool transposed = lumaGrid && isQuarter(code);
    std::array<InverseDctTable, 3> plainTables{};
    std::array<InverseDctTable, 3> turnedTables{};
    std::array<ForwardDctTable, 3> forwardTables{};
    for (std::size_t c = 0; c < 3; ++c) {
        const std::uint16_t* quant = file.quant[file.components[c].quantTable]->data();
        plainTables[c] = makeInverseDctTable(quant, plainOrder.position);
        turnedTables[c] = makeInverseDctTable(quant, turnedOrder.position);
        forwardTables[c] = makeForwardDctTable(transposed ? transposedTable(quant).data() : quant);
    }

    // Where block b of MCU (mx, my) lands: its source corner, and the turned
    // block's top left corner (where the source block's sample that lands there
    // goes). When that lies within the plane, the block is turned as it is
    // decoded and written whole.
    struct Placement {
        int x0, y0;
        Point corner;
        bool whole;
    };
    const auto placement = [&](int mx, int my, std::size_t b) {
        const auto ci = static_cast<std::size_t>(kMcuBlockComponent[b]);
        const int scale = ci == 0 ? 2 : 1;
        const int x0 = (mx * scale + kBlockDx[b]) * 8;
        const int y0 = (my * scale + kBlockDy[b]) * 8;
        const Point corner = turnPoint(code, code == kHalf || code == kCounterClockwise ? x0 + 7 : x0,
                                       code == kHalf || code == kClockwise ? y0 + 7 : y0, sourceWidth[ci], sourceHeight[ci]);
        return Placement{x0, y0, corner, corner.x >= 0 && corner.y >= 0};
    };
    // Writes the samples of a block, decoded in turnedOrder when it is whole
    // and in plainOrder otherwise.
    const auto place = [&](std::size_t b, const Placement& at, const std::int16_t* block, bool onlyDc) {
        const auto ci = static_cast<std::size_t>(kMcuBlockComponent[b]);
        const int w = sourceWidth[ci];
        const int h = sourceHeight[ci];
        if (at.x0 >= w || at.y0 >= h) return;  // wholly in the padding
        const Plane& plane = planes[ci];
        if (at.whole) {
            // Samples beyond the content fall into the planes' padding, which pad() overwrites.
            fastInverseDct(block, onlyDc, turnedTables[ci], plane.row(at.corner.y) + at.corner.x,
                           static_cast<std::size_t>(plane.stride));
            return;
        }
        std::array<std::uint8_t, 64> samples;
        fastInverseDct(block, onlyDc, plainTables[ci], samples.data(), 8);
        for (int y = 0; y < 8 && at.y0 + y < h; ++y) {
            for (int x = 0; x < 8 && at.x0 + x < w; ++x) {
                const Point to = turnPoint(code, at.x0 + x, at.y0 + y, w, h);
                plane.row(to.y)[to.x] = samples[static_cast<std::size_t>(y * 8 + x)];
            }
        }
    };
    // All six blocks of an MCU are decoded before any is transformed, so that
    // the transform does not wait for the decoder's last stores to a block.
    const auto decodeMcu = [&](ScanDecoder& decoder, int m) {
        const int mx = m % mcusWide;
        const int my = m / mcusWide;
        if (!decoder.beginMcu()) return false;
        std::array<std::array<std::int16_t, 64>, 6> blocks;
        std::array<Placement, 6> at;
        std::array<bool, 6> onlyDc;
        for (std::size_t b = 0; b < 6; ++b) {
            if (lumaGrid && kMcuBlockComponent[b] == 0) {
                if (!decoder.decodeBlock(0, luma.at(0, mx * 2 + kBlockDx[b], my * 2 + kBlockDy[b]), gridOrder)) return false;
                continue;
            }
            at[b] = placement(mx, my, b);
            if (!decoder.decodeBlock(kMcuBlockComponent[b], blocks[b].data(), at[b].whole ? turnedOrder : plainOrder)) return false;
            onlyDc[b] = (decoder.lastNonZero() & ~std::uint64_t{1}) == 0;
        }
        for (std::size_t b = lumaGrid ? 4 : 0; b < 6; ++b) place(b, at[b], blocks[b].data(), onlyDc[b]);
        return true;
    };
    // The first thread also transforms what it decodes, the second only
    // decodes: it starts before the middle so that both end together.
    constexpr int kFirstShare = 41;
    ScanTail& tail = luma.tail;
    ScanSplit split = splitFor(threads);
    split.firstShare = kFirstShare;
    if (!decodeScan(file, in, decodeMcu, gridOrder, tail, split)) {
        return std::nullopt;
    }
    // The MCUs a second decoding thread kept (turned as for the grid): those
    // for samples go to their places now, half of them on another thread.
    const auto placeTail = [&](int first, int last) {
        std::array<std::int16_t, 64> block;
        for (int m = first; m < last; ++m) {
            for (std::size_t b = lumaGrid ? 4 : 0; b < 6; ++b) {
                const std::int16_t* coded = tail.block(m, static_cast<int>(b));
                const Placement at = placement(m % mcusWide, m / mcusWide, b);
                reorderBlock(coded, gridOrder, at.whole ? turnedOrder : plainOrder, block.data());
                place(b, at, block.data(), (nonZeroMask(coded) & ~std::uint64_t{1}) == 0);
            }
        }
    };
    const int mcus = mcusWide * mcusHigh;
    if (tail.firstMcu() < mcus) {  // only when split
        const int middle = tail.firstMcu() + (mcus - tail.firstMcu()) / 2;
        platform::SideThread second([&] { placeTail(middle, mcus); });
        placeTail(tail.firstMcu(), middle);
    }
    // With an odd size along the axis that the turn reverses, each chrominance
    // sample of the source covers luminance rows (or columns) 2j and 2j + 1 that
    // now lie across two chrominance samples of the turned grid: the turned
    // sample is the average of the two neighbours it straddles (the last one,
    // half in the padding, is kept).
    const bool oddX = (code == kClockwise && file.height % 2 != 0) || (code == kHalf && file.width % 2 != 0);
    const bool oddY = (code == kCounterClockwise && file.width % 2 != 0) || (code == kHalf && file.height % 2 != 0);
    for (std::size_t c = 1; c < 3; ++c) {
        const Plane& plane = planes[c];
        for (int y = 0; oddX && y < plane.height; ++y) {
            std::uint8_t* r = plane.row(y);
            for (int x = 0; x + 1 < plane.width; ++x) {
                r[x] = static_cast<std::uint8_t>((r[x] + r[x + 1] + 1) / 2);
            }
        }
        for (int y = 0; oddY && y + 1 < plane.height; ++y) {
            std::uint8_t* r = plane.row(y);
            const std::uint8_t* next = plane.row(y + 1);
            for (int x = 0; x < plane.width; ++x) {
                r[x] = static_cast<std::uint8_t>((r[x] + next[x] + 1) / 2);
            }
        }
    }
    for (const Plane& plane : planes) {
        if (plane.samples.data() != nullptr) plane.pad();
    }
    if (small) {
        *small = lumaGrid ? reducedPicture(turnedLuma, gridWide, gridHigh, file.quant[file.components[0].quantTable]->data(),
                                           transposed, planes, isQuarter(code) ? file.height : file.width,
                                           isQuarter(code) ? file.width : file.height, minLongerSide)
                          : reducedPicture(planes, minLongerSide);
    }

    std::vector<std::uint8_t> out;
    out.reserve(initialCapacity(in));
    writeHead(in, file, code, out);
    if (transposed) transposeQuantTables(out, file.scanOffset);
    // The six blocks of output MCU m: from the grid, or transformed into mcu.
    const auto mcuBlocks = [&](int m, std::array<std::array<std::int16_t, 64>, 6>& mcu, std::array<const std::int16_t*, 6>& blocks) {
        const int mx = m % outMcusWide;
        const int my = m / outMcusWide;
        for (std::size_t b = 0; b < 6; ++b) {
            const auto ci = static_cast<std::size_t>(kMcuBlockComponent[b]);
            const int scale = ci == 0 ? 2 : 1;
            if (lumaGrid && ci == 0) {
                blocks[b] = turnedLuma(mx * 2 + kBlockDx[b], my * 2 + kBlockDy[b], mcu[b].data());
                continue;
            }
            const Plane& plane = planes[ci];
            const int x0 = (mx * scale + kBlockDx[b]) * 8;
            const int y0 = (my * scale + kBlockDy[b]) * 8;
            fastForwardDct(plane.row(y0) + x0, static_cast<std::size_t>(plane.stride), forwardTables[ci], mcu[b].data());
            blocks[b] = mcu[b].data();
        }
    };
    const EncodeRange encodeRange = [&](ScanEncoder& encoder, int first, int last) {
        // All six blocks transformed before any is encoded, as above.
        std::array<std::array<std::int16_t, 64>, 6> mcu{};
        std::array<const std::int16_t*, 6> blocks{};
        for (int m = first; m < last; ++m) {
            encoder.beginMcu();
            mcuBlocks(m, mcu, blocks);
            for (std::size_t b = 0; b < 6; ++b) {
                encoder.encodeBlock(kMcuBlockComponent[b], blocks[b]);
            }
        }
    };
    const auto dcBefore = [&](int m) {
        std::array<std::array<std::int16_t, 64>, 6> mcu{};
        std::array<const std::int16_t*, 6> blocks{};
        mcuBlocks(m - 1, mcu, blocks);
        return std::array<int, 3>{blocks[3][0], blocks[4][0], blocks[5][0]};
    };
    if (!encodeMcus(file, outMcusWide * outMcusHigh, out, encodeRange, dcBefore, threads)) {
        return std::nullopt;
    }
    writeTail(in, file, out);
    return out;
}

}  // namespace

bool isLosslessTurn(int width, int height, int code) {
    switch (code) {
    case kClockwise:
        return height % 16 == 0;  // the bottom edge becomes the left edge
    case kCounterClockwise:
        return width % 16 == 0;  // the right edge becomes the top edge
    case kHalf:
        return width % 16 == 0 && height % 16 == 0;
    default:
        return true;
    }
}

std::optional<std::vector<std::uint8_t>> rotateJpeg(std::span<const std::uint8_t> jpeg, int code) noexcept {
    return rotateJpeg(jpeg, code, nullptr, 0);
}

std::optional<std::vector<std::uint8_t>> rotateJpeg(std::span<const std::uint8_t> jpeg, int code,
                                                    ReducedImage* small, int minLongerSide, TurnThreads threads) noexcept {
    try {
        if (code < 0 || code > 3) {
            return std::nullopt;
        }
        const std::optional<JpegFile> file = parseJpeg(jpeg);
        if (!file) {
            return std::nullopt;
        }
        if (code == 0) {
            return std::vector<std::uint8_t>(jpeg.begin(), jpeg.end());
        }
        if (isLosslessTurn(file->width, file->height, code)) {
            return turnCoefficients(jpeg, *file, code, small, minLongerSide, threads);
        }
        return turnSamples(jpeg, *file, code, small, minLongerSide, threads);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace lumbrel::media
