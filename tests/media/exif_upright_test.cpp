// The upright patch: the expected bytes are the same hand-built file with the
// new values written in by the builder, so every other byte is compared too.

#include "media/exif_upright.h"

#include "media/exif_builder.h"
#include "media/jpeg_orientation.h"

#include <gtest/gtest.h>

namespace lumbrel::media {
namespace {

using test::ByteVector;
using test::ExifFields;

struct Fields {
    bool bigEndian = true;
    std::uint16_t orientation = 6;
    std::uint32_t x = 640, y = 480;
    std::uint16_t xType = 3, yType = 3;
    std::optional<std::uint8_t> maker;
};

ByteVector build(const Fields& f) {
    ExifFields e;
    e.bigEndian = f.bigEndian;
    e.orientation = f.orientation;
    e.dateTimeOriginal = "2004:05:06 07:08:09";
    e.pixelX = f.x;
    e.pixelY = f.y;
    e.pixelXType = f.xType;
    e.pixelYType = f.yType;
    e.thumbnail = {0xFF, 0xD8, 0xFF, 0xDB, 0x01, 0x02, 0xFF, 0xD9};
    std::vector<ByteVector> segments = {test::exifSegment(e)};
    if (f.maker) segments.push_back(test::makerSegment({"2004:05:06 07:08:09", *f.maker}));
    return test::jpegFile(segments);
}

ByteVector patched(ByteVector bytes, bool swap, bool* ok = nullptr) {
    const bool result = markUpright(bytes, swap);
    if (ok) *ok = result;
    return bytes;
}

TEST(MarkUpright, SetsUprightAndSwapsDimensionsInPlace) {
    Fields before{true, 6, 640, 480, 3, 3, 0x35};
    Fields after{true, 1, 480, 640, 3, 3, 0x05};  // the maker byte keeps its low four bits
    bool ok = false;
    EXPECT_EQ(patched(build(before), true, &ok), build(after));
    EXPECT_TRUE(ok);
    EXPECT_EQ(orientationFromHead(build(after)), 0);

    before = {false, 8, 3000, 2000, 4, 4, std::nullopt};
    after = {false, 1, 2000, 3000, 4, 4, std::nullopt};
    EXPECT_EQ(patched(build(before), true), build(after));
    // Without the swap only the orientation changes.
    after = {false, 1, 3000, 2000, 4, 4, std::nullopt};
    EXPECT_EQ(patched(build(before), false), build(after));
}

TEST(MarkUpright, DimensionsOfDifferentTypes) {
    EXPECT_EQ(patched(build({true, 3, 640, 480, 3, 4, {}}), true), build({true, 1, 480, 640, 3, 4, {}}));
    EXPECT_EQ(patched(build({false, 3, 640, 480, 4, 3, {}}), true), build({false, 1, 480, 640, 4, 3, {}}));
    // 70000 does not fit the SHORT field: both dimensions stay.
    EXPECT_EQ(patched(build({true, 6, 640, 70000, 3, 4, {}}), true), build({true, 1, 640, 70000, 3, 4, {}}));
}

TEST(MarkUpright, DamagedStructureChangesNothing) {
    const ByteVector good = build({true, 6, 640, 480, 3, 3, 0x30});
    // TIFF header at 12; IFD0 offset at 16; the Exif pointer's value at 20 + 2 + 24 + 8.
    auto with32 = [&](std::size_t at, std::uint32_t v) {
        ByteVector b = good;
        b[at] = std::uint8_t(v >> 24); b[at + 1] = std::uint8_t(v >> 16);
        b[at + 2] = std::uint8_t(v >> 8); b[at + 3] = std::uint8_t(v);
        return b;
    };
    for (const ByteVector& bad : {with32(16, 0xFFFF0000), with32(16, 0x00000100), with32(54, 0x7FFFFFFF)}) {
        bool ok = true;
        EXPECT_EQ(patched(bad, true, &ok), bad);
        EXPECT_FALSE(ok);
    }
    // The Exif IFD is walked only for the swap.
    const std::size_t maker = 2 + 2 + (static_cast<std::size_t>(good[4] << 8 | good[5]));
    bool ok = false;
    const ByteVector badPointer = with32(54, 0x7FFFFFFF);
    ByteVector expected = badPointer;
    expected[20 + 2 + 12 + 9] = 1;  // IFD0 entry 1, Orientation, big-endian SHORT
    expected[maker + 16 + 48 + 4 + 28 + 1] = 0x00;  // second byte of the tag 16 data
    EXPECT_EQ(patched(badPointer, false, &ok), expected);
    EXPECT_TRUE(ok);

    // A damaged maker block after a sound Exif block: the Exif block is not changed either.
    ByteVector badMaker = good;
    badMaker[maker + 14] = 0xFF;  // entry count
    EXPECT_EQ(patched(badMaker, true, &ok), badMaker);
    EXPECT_FALSE(ok);

    // A segment length past the end, and no JPEG at all.
    ByteVector cut(good.begin(), good.begin() + 40);
    EXPECT_EQ(patched(cut, true, &ok), cut);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(markUpright(std::span<std::uint8_t>(), true));
}

TEST(MarkUpright, FileWithoutMetadataIsWalkedAndLeft) {
    const ByteVector plain = test::jpegFile({});
    bool ok = false;
    EXPECT_EQ(patched(plain, true, &ok), plain);
    EXPECT_TRUE(ok);
}

}  // namespace
}  // namespace lumbrel::media
