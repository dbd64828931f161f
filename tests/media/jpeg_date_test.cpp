// The recording-date reader: Exif DateTimeOriginal in either byte order, the
// maker block, the range rules, the 64 KB head, and damaged offsets.

#include "media/jpeg_date.h"

#include "media/exif_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumbrel::media {
namespace {

using test::ByteVector;
using test::ExifFields;
using test::MakerFields;

std::optional<std::string> dateOf(const ByteVector& bytes) { return readRecordingDate(bytes); }

ByteVector exifSegmentWith(std::optional<std::string> date, std::optional<std::uint16_t> orientation) {
    ExifFields f;
    f.dateTimeOriginal = std::move(date);
    f.orientation = orientation;
    return test::exifSegment(f);
}

ByteVector exifJpeg(const std::string& date, bool bigEndian = true) {
    ExifFields f;
    f.bigEndian = bigEndian;
    f.orientation = 1;
    f.dateTimeOriginal = date;
    f.pixelX = 640;
    f.pixelY = 480;
    return test::jpegFile({test::exifSegment(f)});
}

TEST(RecordingDate, HandWrittenLittleEndianExif) {
    const ByteVector file = {
        0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x48, 'E', 'x', 'i', 'f', 0, 0,
        'I', 'I', 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00,                                // TIFF header, IFD0 at 8
        0x01, 0x00, 0x69, 0x87, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x1A, 0x00, 0x00, 0x00,  // Exif IFD at 26
        0x00, 0x00, 0x00, 0x00,
        0x01, 0x00, 0x03, 0x90, 0x02, 0x00, 0x14, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00,  // text at 44
        0x00, 0x00, 0x00, 0x00,
        '2', '0', '0', '3', ':', '0', '7', ':', '1', '4', ' ', '0', '9', ':', '0', '5', ':', '3', '3', 0,
        0xFF, 0xD9};
    EXPECT_EQ(dateOf(file), "20030714090533");
}

TEST(RecordingDate, BothByteOrdersAndTheMakerBlock) {
    EXPECT_EQ(dateOf(exifJpeg("2004:02:29 13:45:01", true)), "20040229134501");
    EXPECT_EQ(dateOf(exifJpeg("2004:02:29 13:45:01", false)), "20040229134501");
    EXPECT_EQ(dateOf(test::jpegFile({test::makerSegment({"2001:11:30 07:08:09", 0x10})})), "20011130070809");
    // A maker block without the date item gives none.
    EXPECT_EQ(dateOf(test::jpegFile({test::makerSegment({std::nullopt, 0x10})})), std::nullopt);
}

TEST(RecordingDate, RangeOfEachPart) {
    EXPECT_EQ(dateOf(exifJpeg("1980:01:01 00:00:00")), "19800101000000");
    EXPECT_EQ(dateOf(exifJpeg("9999:12:31 23:59:59")), "99991231235959");
    for (const char* bad : {"1979:12:31 23:59:59", "2004:00:10 10:10:10", "2004:13:10 10:10:10",
                            "2004:05:00 10:10:10", "2004:05:32 10:10:10", "2004:05:10 24:00:00",
                            "2004:05:10 10:60:10", "2004:05:10 10:10:60",
                            // Not digits, though each part compares within range as a string.
                            "1a80:05:10 10:10:10", "2004:1/:10 10:10:10", "2004:05:10 1 :10:10"})
        EXPECT_EQ(dateOf(exifJpeg(bad)), std::nullopt) << bad;
}

TEST(RecordingDate, WhicheverBlockComesFirst) {
    const ByteVector exif = exifSegmentWith("2002:02:02 02:02:02", std::nullopt);
    const ByteVector maker = test::makerSegment({"2003:03:03 03:03:03", std::nullopt});
    EXPECT_EQ(dateOf(test::jpegFile({exif, maker})), "20020202020202");
    EXPECT_EQ(dateOf(test::jpegFile({maker, exif})), "20030303030303");
    // The first block decides even when it has no date.
    const ByteVector undated = exifSegmentWith(std::nullopt, 1);
    EXPECT_EQ(dateOf(test::jpegFile({undated, maker})), std::nullopt);
}

TEST(RecordingDate, OnlyTheHeadOfAFileIsRead) {
    test::TempDir dir;
    const ByteVector dated = exifJpeg("2005:06:07 08:09:10");
    ByteVector early = dated;
    early.resize(200000, 0x55);
    test::writeBytes(dir / "early.jpg", early);
    EXPECT_EQ(readRecordingDateFile(dir / "early.jpg"), "20050607080910");
    EXPECT_EQ(readHead(dir / "early.jpg")->size(), kHeadBytes);

    // The same block placed after 65536 bytes of other data is not found.
    ByteVector late(kHeadBytes, 0x55);
    late.insert(late.end(), dated.begin(), dated.end());
    test::writeBytes(dir / "late.jpg", late);
    EXPECT_EQ(readRecordingDateFile(dir / "late.jpg"), std::nullopt);
    // ... but the same block ending at the last byte of the head is.
    ByteVector edge(kHeadBytes - dated.size(), 0x55);
    edge.insert(edge.end(), dated.begin(), dated.end());
    test::writeBytes(dir / "edge.jpg", edge);
    EXPECT_EQ(readRecordingDateFile(dir / "edge.jpg"), "20050607080910");

    test::writeBytes(dir / "empty.jpg", {});
    EXPECT_EQ(readRecordingDateFile(dir / "empty.jpg"), std::nullopt);
    EXPECT_EQ(readRecordingDateFile(dir / "missing.jpg"), std::nullopt);
    EXPECT_EQ(readHead(dir.path()), std::nullopt);  // a folder
}

TEST(RecordingDate, DamagedOrHostileOffsetsGiveNoDate) {
    const ByteVector good = exifJpeg("2006:01:02 03:04:05");
    // Cut short anywhere: no date or the right one, never a read past the end.
    for (std::size_t n = 0; n < good.size(); ++n) {
        const ByteVector cut(good.begin(), good.begin() + static_cast<long>(n));
        const auto date = readRecordingDate(cut);
        if (date) {
            EXPECT_EQ(*date, "20060102030405") << n;
        }
    }
    // Offsets into the TIFF structure of the big-endian file (header at 12):
    // IFD0 offset at 16; IFD0 has Make, Orientation, Exif pointer (value at 20+2+24+8).
    const std::size_t tiff = 12, ifd0Offset = tiff + 4, exifPointer = tiff + 8 + 2 + 24 + 8;
    auto patched32 = [&](std::size_t at, std::uint32_t v) {
        ByteVector b = good;
        b[at] = std::uint8_t(v >> 24); b[at + 1] = std::uint8_t(v >> 16);
        b[at + 2] = std::uint8_t(v >> 8); b[at + 3] = std::uint8_t(v);
        return b;
    };
    EXPECT_EQ(dateOf(patched32(ifd0Offset, 0xFFFFFFF0)), std::nullopt);
    EXPECT_EQ(dateOf(patched32(exifPointer, 0xFFFFFFFF)), std::nullopt);
    EXPECT_EQ(dateOf(patched32(exifPointer, 8)), std::nullopt);  // points back at IFD0: a cycle
    // Date text offset (first Exif IFD entry's value) past the end.
    const std::size_t exifIfd = tiff + 8 + 2 + 36 + 4;
    EXPECT_EQ(dateOf(patched32(exifIfd + 2 + 8, static_cast<std::uint32_t>(good.size()))), std::nullopt);
    // An IFD0 entry count far beyond the data, in a file without a date.
    ByteVector manyEntries = test::jpegFile({exifSegmentWith(std::nullopt, 1)});
    manyEntries[tiff + 8] = 0xFF;
    EXPECT_EQ(dateOf(manyEntries), std::nullopt);

    // Maker block: a huge entry count, and a date area larger than the segment.
    const ByteVector maker = test::jpegFile({test::makerSegment({"2003:03:03 03:03:03", std::nullopt})});
    ByteVector count = maker;
    count[2 + 14] = 0xFF;
    EXPECT_EQ(dateOf(count), std::nullopt);
    ByteVector size = maker;
    size[2 + 16 + 16 + 2] = 0xFF;  // data size of the second entry (tag 1)
    EXPECT_EQ(dateOf(size), std::nullopt);
}

}  // namespace
}  // namespace lumbrel::media
