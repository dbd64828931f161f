#include "media/imaging.h"
#include "media/standard_tables.h"
#include "platform/files.h"

#include "media/avi_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace lumbrel::media {
namespace {

using test::testJpeg;

// TurboJPEG's own decode, as an oracle.
Image oracleDecode(const std::vector<std::uint8_t>& jpeg) {
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, cs = 0;
    Image image;
    if (tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), &w, &h, &sub, &cs) == 0) {
        image.width = w;
        image.height = h;
        image.rgb.resize(static_cast<std::size_t>(w) * h * 3);
        tjDecompress2(tj, jpeg.data(), jpeg.size(), image.rgb.data(), w, 0, h, TJPF_RGB, 0);
    }
    tjDestroy(tj);
    return image;
}

TEST(Imaging, LoadsLikeTheReferenceDecoder) {
    const auto jpeg = testJpeg(67, 45);
    const auto image = loadJpeg(jpeg);
    ASSERT_TRUE(image);
    const Image expected = oracleDecode(jpeg);
    EXPECT_EQ(image->width, 67);
    EXPECT_EQ(image->height, 45);
    EXPECT_EQ(image->rgb, expected.rgb);
    EXPECT_EQ(jpegSize(jpeg), (std::pair{67, 45}));
}

TEST(Imaging, DctScalingPicksTheSmallestScaleReachingTheLongerSide) {
    const auto landscape = testJpeg(800, 600);
    const auto portrait = testJpeg(600, 800);
    struct Case { const std::vector<std::uint8_t>* jpeg; int minSide, width, height; };
    for (const Case& c : {Case{&landscape, 100, 100, 75},   // 1/8
                          Case{&landscape, 101, 200, 150},  // 2/8
                          Case{&landscape, 320, 400, 300},  // 4/8
                          Case{&landscape, 701, 800, 600},  // 8/8
                          Case{&landscape, 5000, 800, 600}, // smaller than asked: full size
                          Case{&landscape, 0, 800, 600},
                          Case{&portrait, 101, 150, 200}}) {
        const auto image = loadJpeg(*c.jpeg, c.minSide);
        ASSERT_TRUE(image) << c.minSide;
        EXPECT_EQ(image->width, c.width) << c.minSide;
        EXPECT_EQ(image->height, c.height) << c.minSide;
        EXPECT_EQ(image->rgb.size(), static_cast<std::size_t>(c.width) * c.height * 3);
    }
}

TEST(Imaging, AreaScaleWeighsFractionalPixels) {
    // 3 -> 2 pixels: each output pixel covers one source pixel and half the middle one.
    const Image row{3, 1, {30, 0, 0, 90, 0, 0, 255, 0, 0}};
    const Image two = scaleImage(row, 2, 1);
    ASSERT_EQ(two.rgb.size(), 6u);
    EXPECT_EQ(two.rgb[0], 50);   // (30 + 45) / 1.5
    EXPECT_EQ(two.rgb[3], 200);  // (45 + 255) / 1.5

    // Against a double-precision box filter on noise, in both directions at once.
    std::mt19937 random(7);
    Image noise{37, 23, std::vector<std::uint8_t>(37 * 23 * 3)};
    for (auto& v : noise.rgb) v = static_cast<std::uint8_t>(random());
    const Image small = scaleImage(noise, 10, 7);
    ASSERT_EQ(small.rgb.size(), 10u * 7 * 3);
    const double sx = 37.0 / 10, sy = 23.0 / 7;
    int worst = 0;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int j = 0; j < 23; ++j)
                    for (int i = 0; i < 37; ++i) {
                        const double wx = std::max(0.0, std::min(i + 1.0, (x + 1) * sx) - std::max(double(i), x * sx));
                        const double wy = std::max(0.0, std::min(j + 1.0, (y + 1) * sy) - std::max(double(j), y * sy));
                        sum += wx * wy * noise.rgb[(j * 37 + i) * 3 + c];
                    }
                const int expected = static_cast<int>(std::lround(sum / (sx * sy)));
                worst = std::max(worst, std::abs(expected - small.rgb[(y * 10 + x) * 3 + c]));
            }
    EXPECT_LE(worst, 1);

    EXPECT_EQ(scaleImage(noise, 37, 23).rgb, noise.rgb);
    EXPECT_TRUE(scaleImage(noise, 0, 5).rgb.empty());
    EXPECT_TRUE(scaleImage(Image{4, 4, {}}, 2, 2).rgb.empty());  // pixels missing
}

TEST(Imaging, ResizedLoadEqualsScaledDecodeThenAreaScale) {
    const auto jpeg = testJpeg(1000, 700);
    const auto fused = loadJpegResized(jpeg, [](int w, int h) { return std::pair{w * 3 / 10, h * 3 / 10}; });
    const auto decoded = loadJpeg(jpeg, 300);  // 3/8 scale: 375 x 263
    ASSERT_TRUE(fused);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 375);
    const Image expected = scaleImage(*decoded, 300, 210);
    EXPECT_EQ(fused->width, 300);
    EXPECT_EQ(fused->height, 210);
    EXPECT_EQ(fused->rgb, expected.rgb);
}

TEST(Imaging, SavesBaseline420WithTypicalTablesAtTheQuality) {
    test::TempDir dir;
    const auto picture = loadJpeg(testJpeg(64, 40));
    ASSERT_TRUE(picture);
    const std::string path = dir / "out.jpg";
    ASSERT_TRUE(saveJpeg(*picture, path, 75));
    const auto bytes = test::readBytes(path);

    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = -1, cs = 0;
    ASSERT_EQ(tjDecompressHeader3(tj, bytes.data(), bytes.size(), &w, &h, &sub, &cs), 0);
    tjDestroy(tj);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 40);
    EXPECT_EQ(sub, TJSAMP_420);

    auto contains = [&](std::vector<std::uint8_t> needle) {
        return std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end()) != bytes.end();
    };
    EXPECT_TRUE(contains({0xFF, 0xC0}));  // baseline frame header
    EXPECT_FALSE(contains({0xFF, 0xC2}));
    // Luminance quantisation table at quality 75: T.81 Annex K.1 values halved (16 -> 8, 11 -> 6, 12 -> 6).
    EXPECT_TRUE(contains({0xFF, 0xDB, 0x00, 0x43, 0x00, 8, 6, 6}));
    // The luminance DC table as T.81 Annex K.3 gives it.
    const auto& dc = standardLuminanceDc();
    std::vector<std::uint8_t> table = {0x00};
    table.insert(table.end(), dc.counts.begin(), dc.counts.end());
    table.insert(table.end(), dc.symbols.begin(), dc.symbols.end());
    EXPECT_TRUE(contains(table));

    EXPECT_FALSE(saveJpeg(Image{}, dir / "empty.jpg"));
    EXPECT_FALSE(platform::exists(dir / "empty.jpg"));
}

TEST(Imaging, DamagedOrTruncatedJpegIsAFailure) {
    auto jpeg = testJpeg(200, 150);
    EXPECT_FALSE(loadJpeg({}));
    EXPECT_FALSE(loadJpeg(std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)));
    EXPECT_FALSE(loadJpeg(std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 100)));
    std::vector<std::uint8_t> garbage(jpeg.begin(), jpeg.begin() + 2);
    garbage.resize(4000, 0x5A);
    EXPECT_FALSE(loadJpeg(garbage));
    EXPECT_FALSE(jpegSize(garbage));
    EXPECT_FALSE(loadJpegFile("/nonexistent/picture.jpg"));
    // A header claiming 65000 x 65000 pixels is refused before any decoding.
    auto huge = jpeg;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 7] = 0xFD;
            huge[i + 6] = huge[i + 8] = 0xE8;
            break;
        }
    EXPECT_FALSE(loadJpeg(huge));
}

}  // namespace
}  // namespace lumbrel::media
