// The orientation reader and the rotatability test, on JPEGs written by
// libjpeg-turbo with hand-built Exif and maker blocks inserted.

#include "media/jpeg_orientation.h"

#include "jpeg_samples.h"
#include "media/exif_builder.h"
#include "media/standard_tables.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <turbojpeg.h>

namespace lumbrel::media {
namespace {

using test::ByteVector;

std::vector<unsigned char> pixels(int width, int height) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width * height * 3));
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 7 + i / 97);
    return rgb;
}

ByteVector tjJpeg(int subsampling, int width = 48, int height = 32) {
    return compressRgb(pixels(width, height), width, height, subsampling, 85);
}

// A 4:2:0 JPEG through libjpeg, for the options TurboJPEG does not offer.
ByteVector libjpegJpeg(bool optimize, bool progressive, unsigned restartRows) {
    return compressWithLibjpeg(pixels(48, 32), 48, 32,
                               {.quality = 85, .restartRows = static_cast<int>(restartRows),
                                .optimize = optimize, .progressive = progressive});
}

// Position of the first segment with the given marker (its FF), or 0.
std::size_t findSegment(const ByteVector& jpeg, std::uint8_t marker) {
    for (std::size_t p = 2; p + 4 <= jpeg.size() && jpeg[p] == 0xFF;) {
        if (jpeg[p + 1] == marker) return p;
        p += 2 + static_cast<std::size_t>(jpeg[p + 2] << 8 | jpeg[p + 3]);
    }
    return 0;
}

ByteVector exifWithOrientation(std::uint16_t value, bool bigEndian = true) {
    test::ExifFields f;
    f.bigEndian = bigEndian;
    f.orientation = value;
    f.dateTimeOriginal = "2004:05:06 07:08:09";
    return test::exifSegment(f);
}

TEST(Orientation, ExifValuesInBothByteOrders) {
    const std::pair<std::uint16_t, std::uint8_t> cases[] = {
        {1, 0}, {3, 2}, {6, 3}, {8, 1}, {5, 255}, {2, 255}, {7, 255}, {0, 255}, {0x0106, 3}};
    for (const bool big : {true, false}) {
        for (const auto& [value, code] : cases) {
            const ByteVector file = test::jpegFile({exifWithOrientation(value, big)});
            EXPECT_EQ(orientationFromHead(file), code) << value << (big ? " MM" : " II");
        }
    }
    test::ExifFields none;
    none.dateTimeOriginal = "2004:05:06 07:08:09";
    EXPECT_EQ(orientationFromHead(test::jpegFile({test::exifSegment(none)})), 0);
    EXPECT_EQ(orientationFromHead(ByteVector{}), 0);
}

TEST(Orientation, MakerBlockNibbleAndPrecedence) {
    auto maker = [](std::uint8_t byte) { return test::makerSegment({std::nullopt, byte}); };
    EXPECT_EQ(orientationFromHead(test::jpegFile({maker(0x30)})), 3);
    EXPECT_EQ(orientationFromHead(test::jpegFile({maker(0x1F)})), 1);  // low bits are not part of it
    EXPECT_EQ(orientationFromHead(test::jpegFile({maker(0x00)})), 0);
    EXPECT_EQ(orientationFromHead(test::jpegFile({maker(0x90)})), 9);
    // The Exif tag wins over the maker block.
    EXPECT_EQ(orientationFromHead(test::jpegFile({exifWithOrientation(1), maker(0x30)})), 0);
    EXPECT_EQ(orientationFromHead(test::jpegFile({exifWithOrientation(8), maker(0x30)})), 1);
    // An Exif block without the tag leaves the maker block's code.
    test::ExifFields plain;
    plain.dateTimeOriginal = "2004:05:06 07:08:09";
    EXPECT_EQ(orientationFromHead(test::jpegFile({test::exifSegment(plain), maker(0x20)})), 2);
}

TEST(Rotatable, OnlyBaseline420WithTheTypicalTables) {
    EXPECT_TRUE(isRotatable(tjJpeg(TJSAMP_420)));
    EXPECT_TRUE(isRotatable(libjpegJpeg(false, false, 1)));  // with a restart interval
    EXPECT_FALSE(isRotatable(tjJpeg(TJSAMP_422)));
    EXPECT_FALSE(isRotatable(tjJpeg(TJSAMP_444)));
    EXPECT_FALSE(isRotatable(tjJpeg(TJSAMP_GRAY)));
    EXPECT_FALSE(isRotatable(libjpegJpeg(true, false, 0)));   // optimised tables
    EXPECT_FALSE(isRotatable(libjpegJpeg(false, true, 0)));   // progressive
    EXPECT_FALSE(isRotatable(ByteVector{}));

    const ByteVector good = tjJpeg(TJSAMP_420);
    const std::size_t sof = findSegment(good, 0xC0);
    ASSERT_NE(sof, 0u);
    ByteVector twelveBit = good;
    twelveBit[sof + 4] = 12;
    EXPECT_FALSE(isRotatable(twelveBit));

    // One symbol of the first table changed.
    const std::size_t dht = findSegment(good, 0xC4);
    ASSERT_NE(dht, 0u);
    ByteVector changed = good;
    changed[dht + 4 + 17] ^= 0x01;
    EXPECT_FALSE(isRotatable(changed));

    // The combined four-table segment instead of libjpeg's separate ones is
    // fine; a fifth table (a copy of luminance DC as table 2) is not.
    ByteVector combined(good.begin(), good.begin() + static_cast<long>(dht));
    const auto dhtSegment = standardDhtSegment();
    combined.insert(combined.end(), dhtSegment.begin(), dhtSegment.end());
    for (std::size_t p = dht; p < good.size();) {
        const std::size_t length = 2 + static_cast<std::size_t>(good[p + 2] << 8 | good[p + 3]);
        if (good[p + 1] != 0xC4) {
            combined.insert(combined.end(), good.begin() + static_cast<long>(p), good.end());
            break;
        }
        p += length;
    }
    EXPECT_TRUE(isRotatable(combined));
    ByteVector extra = combined;
    ByteVector fifth = {0xFF, 0xC4, 0x00, 0x1F, 0x02};
    fifth.insert(fifth.end(), dhtSegment.begin() + 5, dhtSegment.begin() + 5 + 28);
    extra.insert(extra.begin() + static_cast<long>(dht), fifth.begin(), fifth.end());
    EXPECT_FALSE(isRotatable(extra));

    // Cut before the scan: not rotatable.
    EXPECT_FALSE(isRotatable(ByteVector(good.begin(), good.begin() + static_cast<long>(findSegment(good, 0xDA)) + 5)));
}

TEST(OrientationFile, CodeOnlyForRotatableFiles) {
    test::TempDir dir;
    auto write = [&](const char* name, const ByteVector& bytes) {
        test::writeBytes(dir / name, bytes);
        return dir / name;
    };
    const ByteVector j420 = tjJpeg(TJSAMP_420), j422 = tjJpeg(TJSAMP_422);
    EXPECT_EQ(readOrientationFile(write("a.jpg", test::withSegments(j420, {exifWithOrientation(6)}))), 3);
    EXPECT_EQ(readOrientationFile(write("b.jpg", test::withSegments(j422, {exifWithOrientation(6)}))), 255);
    EXPECT_EQ(readOrientationFile(write("c.jpg", test::withSegments(j420, {exifWithOrientation(5)}))), 255);
    EXPECT_EQ(readOrientationFile(write("d.jpg", j420)), 0);
    EXPECT_EQ(readOrientationFile(write("e.jpg", j422)), 255);
    EXPECT_EQ(readOrientationFile(write("empty.jpg", {})), 0);
    EXPECT_EQ(readOrientationFile(dir / "missing.jpg"), 0);

    // Segments of 80000 bytes put the scan beyond the head: the whole file is tested.
    const ByteVector filler = [] {
        ByteVector app2 = {0xFF, 0xE2, 0x9C, 0x42};  // 40002 bytes with the length field
        app2.resize(2 + 40002, 0x00);
        return app2;
    }();
    EXPECT_EQ(readOrientationFile(write("f.jpg", test::withSegments(j420, {exifWithOrientation(8), filler, filler}))), 1);
    EXPECT_EQ(readOrientationFile(write("g.jpg", test::withSegments(j422, {exifWithOrientation(8), filler, filler}))), 255);
}

}  // namespace
}  // namespace lumbrel::media
