// The JPEG codec and the turn, checked against libjpeg-turbo: its lossless
// transform for the coefficients, its decoder for the pictures.

#include "media/dct.h"
#include "media/jpeg_codec.h"
#include "media/jpeg_rotate.h"
#include "jpeg_samples.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <random>
#include <vector>

namespace lumbrel::media {
namespace {

using Bytes = std::vector<std::uint8_t>;

// libjpeg-turbo's lossless transform (TJXOP_ROT90 turns clockwise): perfect,
// or with TJXOPT_TRIM dropping the partial MCUs at the edges that would move
// to the top or left.
Bytes libjpegTurn(const Bytes& jpeg, int code, int options = TJXOPT_PERFECT) {
    const int ops[] = {TJXOP_NONE, TJXOP_ROT270, TJXOP_ROT180, TJXOP_ROT90};
    tjhandle handle = tjInitTransform();
    tjtransform transform{};
    transform.op = ops[code];
    transform.options = options;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int rc = tjTransform(handle, jpeg.data(), jpeg.size(), 1, &buffer, &size, &transform, 0);
    return takeTurboOutput(handle, rc == 0, buffer, size);
}

// Quantised coefficients as libjpeg reads them: per component, the blocks of
// the picture area (without MCU padding), natural order.
struct Coefficients {
    int width = 0;
    int height = 0;
    std::vector<std::vector<std::int16_t>> components;
    bool operator==(const Coefficients&) const = default;
};

Coefficients readCoefficients(const Bytes& jpeg) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    Coefficients result{static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height), {}};
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& info = cinfo.comp_info[c];
        std::vector<std::int16_t> values;
        for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
            JBLOCKARRAY blocks = cinfo.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], row, 1, FALSE);
            for (JDIMENSION col = 0; col < info.width_in_blocks; ++col) {
                values.insert(values.end(), blocks[0][col], blocks[0][col] + DCTSIZE2);
            }
        }
        result.components.push_back(std::move(values));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return result;
}

struct Picture {
    int width = 0;
    int height = 0;
    int sampling = -1;
    Bytes rgb;
};

Picture decode(const Bytes& jpeg) {
    Picture p;
    tjhandle handle = tjInitDecompress();
    int colourspace = 0;
    if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &p.width, &p.height, &p.sampling, &colourspace) == 0) {
        p.rgb.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 3);
        if (tjDecompress2(handle, jpeg.data(), jpeg.size(), p.rgb.data(), p.width, 0, p.height, TJPF_RGB, 0) != 0) {
            p.rgb.clear();
        }
    }
    tjDestroy(handle);
    return p;
}

// PSNR of `turned` against the picture `original` turned sample by sample.
double turnedPsnr(const Picture& original, const Picture& turned, int code) {
    double sum = 0;
    for (int y = 0; y < original.height; ++y) {
        for (int x = 0; x < original.width; ++x) {
            int tx = x;
            int ty = y;
            if (code == 3) {
                tx = original.height - 1 - y;
                ty = x;
            } else if (code == 1) {
                tx = y;
                ty = original.width - 1 - x;
            } else if (code == 2) {
                tx = original.width - 1 - x;
                ty = original.height - 1 - y;
            }
            for (int k = 0; k < 3; ++k) {
                const double d = original.rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(original.width) + static_cast<std::size_t>(x)) * 3 + static_cast<std::size_t>(k)] -
                                 turned.rgb[(static_cast<std::size_t>(ty) * static_cast<std::size_t>(turned.width) + static_cast<std::size_t>(tx)) * 3 + static_cast<std::size_t>(k)];
                sum += d * d;
            }
        }
    }
    const double mse = sum / (3.0 * original.width * original.height);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

Bytes turn(const Bytes& jpeg, int code) {
    auto out = rotateJpeg(jpeg, code);
    return out ? *out : Bytes{};
}

// ---------------------------------------------------------------------------

TEST(JpegCodec, ReencodesLibjpegScansByteForByte) {
    // Decoding and encoding again in the same order must give libjpeg's own
    // bytes: the same codes, stuffing, padding and restart markers.
    for (const Bytes& jpeg : {compress(200, 120), compressWithRestarts(200, 120, 5)}) {
        const auto file = parseJpeg(jpeg);
        ASSERT_TRUE(file);
        ScanDecoder decoder(*file, jpeg);
        Bytes out;
        ScanEncoder encoder(*file, out);
        std::int16_t block[64];
        for (int m = 0; m < file->mcusWide() * file->mcusHigh(); ++m) {
            ASSERT_TRUE(decoder.beginMcu());
            encoder.beginMcu();
            for (int b = 0; b < 6; ++b) {
                const int c = b < 4 ? 0 : b - 3;
                ASSERT_TRUE(decoder.decodeBlock(c, block));
                encoder.encodeBlock(c, block);
            }
        }
        EXPECT_TRUE(decoder.finish());
        ASSERT_TRUE(encoder.finish());
        EXPECT_EQ(out, Bytes(jpeg.begin() + static_cast<long>(file->scanOffset), jpeg.begin() + static_cast<long>(file->scanEnd)));
    }
}

TEST(JpegCodec, RejectsMalformedHuffmanDefinitions) {
    std::array<std::uint8_t, 16> counts{};
    const std::array<std::uint8_t, 8> symbols{1, 2, 3, 4, 5, 6, 7, 8};
    counts[0] = 2;  // two codes of one bit leave no room: the all-ones code
    EXPECT_FALSE(HuffmanTable::build(counts, std::span(symbols).first(2)));
    counts = {};
    counts[1] = 3;  // three codes of two bits: fine
    const auto table = HuffmanTable::build(counts, std::span(symbols).first(3));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->decode(0x4000), (2u << 8) | 2);  // 01 -> second symbol
    EXPECT_EQ(table->decode(0xC000), 0u);             // 11 is no code
    EXPECT_EQ(table->length(4), 0);
    counts[1] = 6;  // more two-bit codes than there are
    EXPECT_FALSE(HuffmanTable::build(counts, symbols));
    counts[1] = 3;
    counts[2] = 5;  // more symbols counted than given
    EXPECT_FALSE(HuffmanTable::build(counts, symbols));
}

TEST(Dct, FactorisedTransformsMatchThePlainOnes) {
    // Random blocks, smooth and noisy, with the typical luminance table at
    // quality 90 and a table of ones (where any rounding slip would show):
    // the samples may differ by one at a rounding edge, the coefficients by
    // one step of quantisation.
    std::mt19937 random(7);
    std::array<std::uint16_t, 64> typical{};
    std::array<std::uint16_t, 64> ones{};
    for (std::size_t k = 0; k < 64; ++k) {
        typical[k] = static_cast<std::uint16_t>(2 + k / 6);
        ones[k] = 1;
    }
    for (const auto& quant : {typical, ones}) {
        std::array<std::uint8_t, 64> slots{};
        for (std::size_t k = 0; k < 64; ++k) {
            slots[k] = dctSlot(kZigzagToNatural[k]);
        }
        const InverseDctTable inverse = makeInverseDctTable(quant.data(), slots);
        const ForwardDctTable forward = makeForwardDctTable(quant.data());
        int sampleSlips = 0;
        int coefficientSlips = 0;
        for (int trial = 0; trial < 2000; ++trial) {
            std::uint8_t samples[64];
            const int base = static_cast<int>(random() % 256);
            const int spread = trial % 2 == 0 ? 8 : 256;
            for (auto& s : samples) {
                s = static_cast<std::uint8_t>(std::clamp(base + static_cast<int>(random() % static_cast<unsigned>(spread)) - spread / 2, 0, 255));
            }
            std::int16_t plain[64];
            std::int16_t fast[64];
            forwardDct(samples, 8, quant.data(), plain);
            fastForwardDct(samples, 8, forward, fast);
            for (int k = 0; k < 64; ++k) {
                ASSERT_LE(std::abs(plain[k] - fast[k]), 1) << "coefficient " << k;
                coefficientSlips += plain[k] != fast[k];
            }
            std::uint8_t plainOut[64];
            std::uint8_t fastOut[64];
            inverseDct(plain, quant.data(), plainOut, 8);
            std::int16_t placed[64];
            for (std::size_t k = 0; k < 64; ++k) {
                placed[slots[k]] = plain[k];
            }
            fastInverseDct(placed, (nonZeroMask(plain) & ~std::uint64_t{1}) == 0, inverse, fastOut, 8);
            for (int i = 0; i < 64; ++i) {
                ASSERT_LE(std::abs(plainOut[i] - fastOut[i]), 1) << "sample " << i;
                sampleSlips += plainOut[i] != fastOut[i];
            }
        }
        // Slips are rare: values within float rounding of a half.
        EXPECT_LT(sampleSlips, 2000 * 64 / 100);
        EXPECT_LT(coefficientSlips, 2000 * 64 / 100);
    }
}

TEST(JpegRotate, LosslessTurnsMatchLibjpegTransform) {
    const std::vector<Bytes> inputs = {compress(64, 48), compress(320, 240), compress(1024, 768),
                                       compressWithRestarts(320, 240, 7)};
    for (const Bytes& jpeg : inputs) {
        for (int code = 1; code <= 3; ++code) {
            const Bytes ours = turn(jpeg, code);
            const Bytes theirs = libjpegTurn(jpeg, code);
            ASSERT_FALSE(ours.empty()) << "code " << code;
            ASSERT_FALSE(theirs.empty());
            EXPECT_TRUE(readCoefficients(ours) == readCoefficients(theirs)) << "code " << code << ", " << jpeg.size() << " bytes";
            // With the quantisation tables turned along (transposed for a
            // quarter turn), a decoder sees the very same picture.
            EXPECT_TRUE(decode(ours).rgb == decode(theirs).rgb) << "code " << code << ", " << jpeg.size() << " bytes";
        }
    }
}

TEST(JpegRotate, EdgeAlignedTurnsAreLosslessToo) {
    // Clockwise only the height must be whole MCUs, counter-clockwise the width.
    const Bytes wide = compress(320, 232);
    const Bytes tall = compress(312, 240);
    EXPECT_TRUE(isLosslessTurn(320, 232, 1) && isLosslessTurn(312, 240, 3));
    EXPECT_TRUE(readCoefficients(turn(wide, 1)) == readCoefficients(libjpegTurn(wide, 1)));
    EXPECT_TRUE(readCoefficients(turn(tall, 3)) == readCoefficients(libjpegTurn(tall, 3)));
}

TEST(JpegRotate, LuminanceBlocksThatLineUpAreMovedLosslessly) {
    // The edges the turn brings to the top and left are whole 8-sample blocks
    // but not whole 16-sample MCUs: the luminance blocks are moved as they
    // are, so that they equal those of libjpeg-turbo's transform, which drops
    // that partial MCU row or column (one block row or column fewer, at the
    // new top or left).
    struct Case {
        int width, height, code, dx, dy;
    };
    for (const Case c : {Case{320, 232, 3, 1, 0}, Case{312, 240, 1, 0, 1}, Case{312, 232, 2, 1, 1}}) {
        const Bytes jpeg = compress(c.width, c.height);
        const Bytes ours = turn(jpeg, c.code);
        const Bytes theirs = libjpegTurn(jpeg, c.code, TJXOPT_TRIM);
        ASSERT_FALSE(ours.empty());
        ASSERT_FALSE(theirs.empty());
        const Coefficients a = readCoefficients(ours);
        const Coefficients b = readCoefficients(theirs);
        const int oursWide = (a.width + 7) / 8;
        const int theirsWide = (b.width + 7) / 8;
        const int theirsHigh = (b.height + 7) / 8;
        ASSERT_EQ(oursWide, theirsWide + c.dx);
        int differing = 0;
        for (int y = 0; y < theirsHigh; ++y)
            for (int x = 0; x < theirsWide; ++x)
                for (std::size_t k = 0; k < 64; ++k) {
                    const auto at = [](int row, int col, int wide) { return (static_cast<std::size_t>(row) * static_cast<std::size_t>(wide) + static_cast<std::size_t>(col)) * 64; };
                    differing += a.components[0][at(y + c.dy, x + c.dx, oursWide) + k] != b.components[0][at(y, x, theirsWide) + k];
                }
        EXPECT_EQ(differing, 0) << c.width << "x" << c.height << " code " << c.code;
    }
}

TEST(JpegRotate, TurnsUndoEachOther) {
    const Bytes jpeg = compressWithRestarts(176, 144, 4);
    const Coefficients original = readCoefficients(jpeg);
    EXPECT_TRUE(readCoefficients(turn(turn(jpeg, 1), 3)) == original);
    EXPECT_TRUE(readCoefficients(turn(turn(jpeg, 2), 2)) == original);
    EXPECT_TRUE(readCoefficients(turn(turn(turn(turn(jpeg, 3), 3), 3), 3)) == original);
    EXPECT_EQ(turn(jpeg, 0), jpeg);
}

TEST(JpegRotate, KeepsEverySegmentButTheFrameSizeQuantisationAndScan) {
    const Bytes jpeg = compressWithRestarts(96, 64, 2);
    const auto file = parseJpeg(jpeg);
    const Bytes out = turn(jpeg, 3);
    const auto turned = parseJpeg(out);
    ASSERT_TRUE(file && turned);
    EXPECT_EQ(turned->width, 64);
    EXPECT_EQ(turned->height, 96);
    EXPECT_EQ(turned->restartInterval, 2);
    ASSERT_EQ(turned->scanOffset, file->scanOffset);
    // The quarter turn transposes the quantisation tables (zig-zag order):
    // the step of (v, u) is the source's step of (u, v).
    for (std::size_t t = 0; t < 4; ++t) {
        ASSERT_EQ(file->quant[t].has_value(), turned->quant[t].has_value());
        if (!file->quant[t]) continue;
        for (std::size_t k = 0; k < 64; ++k) {
            const std::size_t n = kZigzagToNatural[k];
            EXPECT_EQ((*turned->quant[t])[k], (*file->quant[t])[kNaturalToZigzag[(n % 8) * 8 + n / 8]]);
        }
    }
    // Everything else of the head is as it was, but the frame's size; the
    // half turn keeps even the tables.
    const Bytes half = turn(jpeg, 2);
    EXPECT_TRUE(std::equal(half.begin(), half.begin() + static_cast<long>(file->scanOffset), jpeg.begin()));
    Bytes head(out.begin(), out.begin() + static_cast<long>(turned->scanOffset));
    std::swap(head[file->frameOffset + 5], head[file->frameOffset + 7]);
    std::swap(head[file->frameOffset + 6], head[file->frameOffset + 8]);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < head.size(); ++i) differing += head[i] != jpeg[i];
    EXPECT_LE(differing, 2u * 64u);  // only table bytes
    EXPECT_TRUE(std::equal(out.begin() + static_cast<long>(turned->scanEnd), out.end(),
                           jpeg.begin() + static_cast<long>(file->scanEnd), jpeg.end()));
}

TEST(JpegRotate, OtherSizesAreDecodedTurnedAndEncoded) {
    // Moving the content against the 8 x 8 grid quantises it a second time. On a
    // camera-sized picture that stays above 40 dB; the small ones are nearly all
    // hard edges (libjpeg-turbo's own decode, turn and encode at quality 90 gives
    // 36.7 dB for the 100 x 75 half turn).
    struct Case {
        int w, h, code;
        double minPsnr;
    };
    for (const Case c : {Case{100, 75, 1, 36}, Case{100, 75, 2, 36}, Case{100, 75, 3, 36}, Case{37, 13, 3, 34},
                         Case{2272, 1704, 3, 40}}) {
        // Camera-like sensor noise: the strong noise of the other tests would
        // measure the second generation of quantising noise, not the turn.
        const Bytes jpeg = compress(c.w, c.h, TJSAMP_420, 0, 2.5);
        const Bytes out = turn(jpeg, c.code);
        ASSERT_FALSE(out.empty()) << c.w << "x" << c.h << " code " << c.code;
        const Picture original = decode(jpeg);
        const Picture turned = decode(out);
        ASSERT_FALSE(turned.rgb.empty());
        EXPECT_EQ(turned.sampling, TJSAMP_420);
        EXPECT_EQ(turned.width, c.code == 2 ? c.w : c.h);
        EXPECT_EQ(turned.height, c.code == 2 ? c.h : c.w);
        const double psnr = turnedPsnr(original, turned, c.code);
        std::printf("  %dx%d code %d: PSNR %.1f dB\n", c.w, c.h, c.code, psnr);
        EXPECT_GE(psnr, c.minPsnr);
    }
}

TEST(JpegRotate, TurnsHandBackASmallPictureForThePreview) {
    // A turn that decodes the picture gives the turned picture box-averaged by
    // a whole factor that keeps it at least 320 long (2270 / 320 -> 7). When
    // its luminance blocks line up after the turn (1704 rows are whole blocks)
    // they are moved as coefficients and averaged over 2 x 2 squares each
    // (a factor of 4), the chrominance over the same areas. The pixels are
    // those of the turned file averaged the same way, up to the file's second
    // quantising and its smoother chrominance upsampling (38 dB).
    struct Case {
        int width, height, factor;
    };
    for (const Case c : {Case{2270, 1702, 7}, Case{2272, 1704, 4}}) {
        const Bytes jpeg = compress(c.width, c.height, TJSAMP_420, 0, 2.5);
        ReducedImage small;
        const auto out = rotateJpeg(jpeg, 3, &small, 320);
        ASSERT_TRUE(out);
        EXPECT_EQ(small.fullWidth, c.height);
        EXPECT_EQ(small.fullHeight, c.width);
        ASSERT_EQ(small.image.width, c.height / c.factor);
        ASSERT_EQ(small.image.height, c.width / c.factor);
        const Picture turned = decode(*out);
        double sum = 0;
        for (int y = 0; y < small.image.height; ++y)
            for (int x = 0; x < small.image.width; ++x)
                for (int k = 0; k < 3; ++k) {
                    double box = 0;
                    for (int dy = 0; dy < c.factor; ++dy)
                        for (int dx = 0; dx < c.factor; ++dx)
                            box += turned.rgb[(static_cast<std::size_t>(y * c.factor + dy) * static_cast<std::size_t>(c.height) +
                                               static_cast<std::size_t>(x * c.factor + dx)) * 3 + static_cast<std::size_t>(k)];
                    const double d = box / (c.factor * c.factor) -
                                     small.image.rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(small.image.width) +
                                                      static_cast<std::size_t>(x)) * 3 + static_cast<std::size_t>(k)];
                    sum += d * d;
                }
        const double mse = sum / (3.0 * small.image.width * small.image.height);
        EXPECT_GE(10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9)), 35.0) << c.width << "x" << c.height;
    }

    // The lossless turn averages each block's coefficients over 4 x 4 squares
    // (1024 x 768 -> 384 x 512 turned): the luminance of the turned file
    // averaged over 2 x 2, up to rounding. (Its colours differ more: the
    // decoder upsamples the chrominance smoothly, the small copy repeats it.)
    const Bytes aligned = compress(1024, 768, TJSAMP_420, 0, 2.5);
    ReducedImage quarter;
    const auto losslessOut = rotateJpeg(aligned, 3, &quarter, 320);
    ASSERT_TRUE(losslessOut);
    ASSERT_EQ(quarter.image.width, 384);
    ASSERT_EQ(quarter.image.height, 512);
    const Picture full = decode(*losslessOut);
    const auto luma = [](const std::uint8_t* rgb) { return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2]; };
    double sum = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 384; ++x) {
            double box = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    box += luma(&full.rgb[(static_cast<std::size_t>(2 * y + dy) * 768 + static_cast<std::size_t>(2 * x + dx)) * 3]);
            const double d = box / 4 - luma(&quarter.image.rgb[(static_cast<std::size_t>(y) * 384 + static_cast<std::size_t>(x)) * 3]);
            sum += d * d;
        }
    EXPECT_GE(10 * std::log10(255.0 * 255.0 / std::max(sum / (384.0 * 512), 1e-9)), 45.0);

    // A picture too small for a 320 preview at a quarter of its size gets none.
    ReducedImage none;
    ASSERT_TRUE(rotateJpeg(compress(64, 48), 3, &none, 320));
    EXPECT_TRUE(none.image.rgb.empty());
}

TEST(JpegRotate, RefusesWhatItCannotTurn) {
    const Bytes jpeg = compressWithRestarts(128, 96, 3);
    Bytes truncated(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
    EXPECT_FALSE(rotateJpeg(truncated, 1));  // no EOI at all
    truncated.insert(truncated.end(), {0xFF, 0xD9});
    EXPECT_FALSE(rotateJpeg(truncated, 1));  // the data run out before the last MCU

    EXPECT_FALSE(rotateJpeg(compress(64, 64, TJSAMP_420, TJFLAG_PROGRESSIVE), 1));
    EXPECT_FALSE(rotateJpeg(compress(64, 64, TJSAMP_422), 1));
    EXPECT_FALSE(rotateJpeg(compress(64, 64, TJSAMP_444), 1));
    EXPECT_FALSE(rotateJpeg(jpeg, 4));

    const auto file = parseJpeg(jpeg);
    ASSERT_TRUE(file);
    Bytes damaged = jpeg;
    for (std::size_t p = 2; p + 5 < damaged.size(); ++p) {
        if (damaged[p] == 0xFF && damaged[p + 1] == 0xC4) {
            damaged[p + 5] = 3;  // three one-bit codes in the first table
            break;
        }
    }
    EXPECT_FALSE(rotateJpeg(damaged, 3));

    Bytes wrongRestart = jpeg;  // restart markers out of sequence
    for (std::size_t p = file->scanOffset; p + 1 < file->scanEnd; ++p) {
        if (wrongRestart[p] == 0xFF && wrongRestart[p + 1] == 0xD1) {
            wrongRestart[p + 1] = 0xD2;
            break;
        }
    }
    EXPECT_FALSE(rotateJpeg(wrongRestart, 3));
}

}  // namespace
}  // namespace lumbrel::media
