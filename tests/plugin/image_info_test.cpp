// The image data reader over hand-built camera files: Exif in both byte orders
// with the maker's MakerNote, the maker's "KDCI" segment, the size scan, and
// the piecewise file reader against the reading of the whole file in memory.

#include "plugin/image_info.h"

#include "media/exif_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string_view>

namespace lumbrel::plugin {
namespace {

using test::append;
using test::ByteVector;

// ---- A small TIFF writer: directories of fields, sub-directories by pointer ----

struct Directory;

struct Field {
    std::uint16_t tag, type;
    std::vector<std::uint32_t> numbers;  // SHORT, LONG, RATIONAL (pairs), SRATIONAL (pairs)
    ByteVector bytes;                    // ASCII, UNDEFINED, BYTE
    std::shared_ptr<Directory> sub;      // LONG pointer to a directory
};

struct Directory {
    std::vector<Field> fields;
};

Field shortField(std::uint16_t tag, std::uint16_t v) { return {tag, 3, {v}, {}, nullptr}; }
Field longField(std::uint16_t tag, std::uint32_t v) { return {tag, 4, {v}, {}, nullptr}; }
Field rational(std::uint16_t tag, std::int64_t num, std::int64_t den) {
    return {tag, 10, {std::uint32_t(num), std::uint32_t(den)}, {}, nullptr};
}
Field text(std::uint16_t tag, std::string_view s) {
    ByteVector bytes(s.begin(), s.end());
    bytes.push_back(0);
    return {tag, 2, {}, bytes, nullptr};
}
Field bytesField(std::uint16_t tag, ByteVector bytes) { return {tag, 7, {}, std::move(bytes), nullptr}; }
Field pointer(std::uint16_t tag, Directory d) { return {tag, 4, {}, {}, std::make_shared<Directory>(std::move(d))}; }
// A MakerNote: a directory of its own as the note's bytes, counted as such.
Field note(std::uint16_t tag, Directory d) { return {tag, 7, {}, {}, std::make_shared<Directory>(std::move(d))}; }

class TiffWriter {
public:
    explicit TiffWriter(bool big) : w_(big), big_(big) {}

    ByteVector write(const Directory& ifd0) {
        if (big_) append(out_, {'M', 'M', 0x00, 0x2A});
        else append(out_, {'I', 'I', 0x2A, 0x00});
        w_.u32(out_, 8);
        directory(ifd0);
        return out_;
    }

private:
    void patch32(std::size_t pos, std::uint32_t v) {
        ByteVector b;
        w_.u32(b, v);
        std::copy(b.begin(), b.end(), out_.begin() + std::ptrdiff_t(pos));
    }

    std::uint32_t directory(const Directory& d) {
        const auto start = std::uint32_t(out_.size());
        w_.u16(out_, std::uint16_t(d.fields.size()));
        std::vector<std::pair<std::size_t, const Field*>> later;
        for (const Field& f : d.fields) {
            ByteVector value;
            if (f.type == 3) for (auto n : f.numbers) w_.u16(value, n);
            else for (auto n : f.numbers) w_.u32(value, n);
            value.insert(value.end(), f.bytes.begin(), f.bytes.end());
            const std::uint32_t count = f.type == 10 ? std::uint32_t(f.numbers.size() / 2)
                                        : f.numbers.empty() ? std::uint32_t(f.bytes.size()) : std::uint32_t(f.numbers.size());
            w_.u16(out_, f.tag);
            w_.u16(out_, f.type);
            w_.u32(out_, f.sub ? 1 : count);
            if (f.sub || value.size() > 4) {
                later.push_back({out_.size(), &f});
                w_.u32(out_, 0);
            } else {
                value.resize(4, 0);
                out_.insert(out_.end(), value.begin(), value.end());
            }
        }
        w_.u32(out_, 0);  // no next directory
        for (const auto& [slot, f] : later) {
            if (f->sub) {
                const std::uint32_t at = directory(*f->sub);
                patch32(slot, at);
                if (f->type == 7) patch32(slot - 4, std::uint32_t(out_.size()) - at);
                continue;
            }
            patch32(slot, std::uint32_t(out_.size()));
            if (f->type == 10) for (auto n : f->numbers) w_.u32(out_, n);
            out_.insert(out_.end(), f->bytes.begin(), f->bytes.end());
        }
        return start;
    }

    test::ExifWriter w_;
    bool big_;
    ByteVector out_;
};

// A baseline frame header of the given size, then a scan and the end of image.
ByteVector picture(std::uint16_t width, std::uint16_t height) {
    ByteVector out = {0xFF, 0xDB, 0x00, 0x04, 0x01, 0x02,  // a segment before the frame
                      0xFF, 0xC0, 0x00, 0x11, 0x08, std::uint8_t(height >> 8), std::uint8_t(height),
                      std::uint8_t(width >> 8), std::uint8_t(width), 0x03};
    const ByteVector scan = test::fakeScan();
    out.insert(out.end(), scan.begin(), scan.end());
    return out;
}

// A thumbnail as cameras put it after the directories: its own frame and end of image.
const ByteVector kThumbnail = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x78, 0x00, 0xA0, 0x03, 0xFF, 0xD9};

Directory cameraDirectory(std::string_view make) {
    Directory makerNote{{shortField(1, 17), shortField(2, 3), shortField(3, 3), shortField(4, 1), shortField(7, 129),
                         longField(10, 0x00020001), shortField(11, 17), shortField(20, 100),
                         bytesField(27, {3, 1, 7}), shortField(28, 6), shortField(30, 5)}};
    Directory exif{{rational(33434, 1, 60), rational(33437, 28, 10), shortField(34850, 2),
                    text(36867, "2001:02:03 10:20:30"), rational(37380, -2, 3), shortField(37383, 5),
                    shortField(37385, 0x19), note(37500, makerNote), bytesField(40000, kThumbnail)}};
    return {{text(271, make), text(272, "QV-Lumen 2"), shortField(274, 6), pointer(34665, exif)}};
}

ByteVector exifFile(const Directory& d, bool big) {
    ByteVector body = {'E', 'x', 'i', 'f', 0, 0};
    const ByteVector tiff = TiffWriter(big).write(d);
    body.insert(body.end(), tiff.begin(), tiff.end());
    return test::jpegFile({test::app1(body)}, picture(1600, 1200));
}

ByteVector cameraFile(bool big, std::string_view make = "Orrin") { return exifFile(cameraDirectory(make), big); }

// The maker segment: FF E1, length, "KDCI", six bytes, the entry count, the
// 16-byte entries (type, length) and the records.
ByteVector kdciSegment(const std::vector<std::pair<std::uint16_t, ByteVector>>& records) {
    ByteVector body = {'K', 'D', 'C', 'I', 0, 0, 0, 0, 0, 0, 0, std::uint8_t(records.size())};
    for (const auto& [type, data] : records) {
        append(body, {std::uint8_t(type >> 8), std::uint8_t(type), std::uint8_t(data.size() >> 8), std::uint8_t(data.size())});
        body.resize(body.size() + 12, 0);
    }
    for (const auto& record : records) body.insert(body.end(), record.second.begin(), record.second.end());
    return test::app1(body);
}

ByteVector kdciFile() {
    const std::string_view texts("\x06" "DC-290\0" "\x03" "1999:12:31 23:59:58\0", 29);
    ByteVector settings(32, 0);
    settings[0] = 2;     // quality Normal
    settings[1] = 0x30;  // a quarter turn
    settings[2] = 13;    // multiple exposure
    settings[4] = 0x11;  // program AE, centre metering
    settings[5] = 11;    // 1/60 s
    settings[6] = 4;     // F2.8
    settings[7] = 16;    // +1.0 EV
    settings[17] = 1;    // zoom x2
    settings[18] = 0b11'10'01'00;
    return test::jpegFile({kdciSegment({{1, ByteVector(texts.begin(), texts.end())}, {16, settings}})},
                          picture(640, 480));
}

ImageInfo read(const ByteVector& bytes) { return readImageInfo(bytes, bytes.size()); }

TEST(ImageInfo, ExifInBothByteOrdersWithTheMakersNote) {
    const ImageInfo info = read(cameraFile(true));
    EXPECT_EQ(info, read(cameraFile(false)));
    EXPECT_TRUE(info.makerData);
    EXPECT_EQ(info.model, "QV-Lumen 2");
    EXPECT_EQ(info.dateTime, "20010203102030");
    EXPECT_EQ(info.orientation, 3);
    EXPECT_EQ(std::tie(info.shutterNum, info.shutterDen), std::make_tuple(1u, 60u));
    EXPECT_EQ(std::tie(info.apertureNum, info.apertureDen), std::make_tuple(28u, 10u));
    EXPECT_EQ(std::tie(info.biasNum, info.biasDen), std::make_tuple(-2, 3));
    EXPECT_EQ(std::tie(info.exposureProgram, info.meteringMode, info.flash), std::make_tuple(2, 5, 0x19));
    MakerSettings m;
    m.recordingMode = 17, m.quality = 3, m.focusMode = 3, m.flashMode = 1, m.whiteBalance = 129;
    m.digitalZoom = 0x00020001, m.sharpness = 17, m.iso = 100, m.sceneSelect = {3, 1, 7};
    m.exposureMode = 6, m.sceneNumber = 5;
    EXPECT_EQ(info.maker, m);
    // The thumbnail's frame inside the Exif segment is not the picture's.
    EXPECT_TRUE(info.sizeFound);
    EXPECT_EQ(std::tie(info.width, info.height), std::make_tuple(1600, 1200));
}

TEST(ImageInfo, AnotherMakersNoteIsNotEntered) {
    const ImageInfo info = read(cameraFile(false, "Other"));
    EXPECT_FALSE(info.makerData);
    EXPECT_EQ(info.maker, MakerSettings{});
    EXPECT_EQ(info.model, "QV-Lumen 2");
}

// A MakerNote is entered only when its directory lies within the note's own
// bytes: a note that opens with a text header ("ORRIN\0\0\0") would be read
// as a directory of some 20,000 entries.
TEST(ImageInfo, MakerNoteWhoseDirectoryDoesNotFitIsPassedOver) {
    for (const bool big : {true, false}) {
        SCOPED_TRACE(big ? "MM" : "II");
        const auto withNote = [&](Field makerNote) {
            Directory exif{{shortField(34850, 2), std::move(makerNote), shortField(37385, 1)}};
            return read(exifFile({{text(271, "Orrin"), text(272, "KD-310"), pointer(34665, exif)}}, big));
        };
        Directory settings{{shortField(2, 3), shortField(20, 100)}};
        const ImageInfo fits = withNote(note(37500, settings));
        EXPECT_EQ(std::tie(fits.maker.quality, fits.maker.iso), std::make_tuple(3, 100));
        EXPECT_EQ(fits.flash, 0);  // the walk went on in the note

        ByteVector headed = {'O', 'R', 'R', 'I', 'N', 0, 0, 0};
        headed.resize(40, 0x11);
        const ImageInfo refused = withNote(bytesField(37500, headed));
        EXPECT_TRUE(refused.makerData);
        EXPECT_EQ(refused.maker, MakerSettings{});
        EXPECT_EQ(refused.exposureProgram, 2);
        EXPECT_EQ(refused.flash, 1);  // the Exif directory goes on after the note
        // One entry more than the note holds.
        ByteVector shortNote = {0, 2, 0, 2, 0, 3, 0, 0, 0, 1, 0, 3, 0, 0};
        if (!big) shortNote = {2, 0, 2, 0, 3, 0, 1, 0, 0, 0, 3, 0, 0, 0};
        shortNote.resize(2 + 12 + 11, 0);
        EXPECT_EQ(withNote(bytesField(37500, shortNote)).maker, MakerSettings{});
        shortNote.resize(2 + 2 * 12, 0);
        EXPECT_EQ(withNote(bytesField(37500, shortNote)).maker.quality, 3);
    }
}

TEST(ImageInfo, ApexValuesStandInForMissingExposureTimeAndFNumber) {
    const auto exposure = [](std::vector<Field> fields) {
        const ImageInfo info = read(exifFile({{pointer(34665, {std::move(fields)})}}, true));
        return std::make_tuple(info.shutterNum, info.shutterDen, info.apertureNum, info.apertureDen);
    };
    using T = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>;
    EXPECT_EQ(exposure({rational(37377, 6, 1), rational(37378, 3, 1)}), T(1, 60, 28, 10));
    EXPECT_EQ(exposure({rational(37377, -10, 2), rational(37378, 12, 1)}), T(30, 1, 640, 10));
    // Off the whole values: 100/n s with n = 2^6.5 in hundredths, n/100 s for
    // negative values; the f-number from sqrt(2)^4.5 in tenths.
    EXPECT_EQ(exposure({rational(37377, 13, 2), rational(37378, 9, 2)}), T(100, 9051, 48, 10));
    EXPECT_EQ(exposure({rational(37377, -3, 2)}), T(283, 100, 0, 0));
    // ExposureTime and FNumber win when they come first.
    EXPECT_EQ(exposure({rational(33434, 1, 100), rational(33437, 35, 10), rational(37377, 6, 1), rational(37378, 3, 1)}),
              T(1, 100, 35, 10));
}

TEST(ImageInfo, MakerSegment) {
    const ImageInfo info = read(kdciFile());
    EXPECT_TRUE(info.makerData);
    EXPECT_EQ(info.model, "DC-290");
    EXPECT_EQ(info.dateTime, "19991231235958");
    EXPECT_EQ(std::tie(info.orientation, info.exposureProgram, info.meteringMode), std::make_tuple(3, 2, 2));
    EXPECT_EQ(std::tie(info.shutterNum, info.shutterDen), std::make_tuple(1u, 60u));
    EXPECT_EQ(std::tie(info.apertureNum, info.apertureDen), std::make_tuple(28u, 10u));
    EXPECT_EQ(std::tie(info.biasNum, info.biasDen), std::make_tuple(100, 100));
    EXPECT_EQ(std::tie(info.maker.quality, info.maker.recordingMode, info.maker.digitalZoom), std::make_tuple(2, 13, 0x20000u));
    EXPECT_EQ(std::tie(info.maker.sharpness, info.maker.contrast, info.maker.saturation, info.maker.multipleExposure),
              std::make_tuple(0, 1, 2, 3));
    EXPECT_EQ(std::tie(info.width, info.height), std::make_tuple(640, 480));

    // The maker segment wins over an Exif segment before it; "KDCI" anywhere
    // but at the start of an APP1 segment is not the maker's.
    const ByteVector exif = cameraFile(false, "Other");
    const ByteVector kdci = kdciFile();
    const ByteVector kdciSegmentBytes(kdci.begin() + 2, kdci.begin() + 2 + 4 + 12 + 32 + 29 + 32);
    ByteVector both = exif;
    both.insert(both.begin() + 2 + 4 + (exif[4] << 8 | exif[5]) - 2, kdciSegmentBytes.begin(), kdciSegmentBytes.end());
    EXPECT_EQ(read(both).model, "DC-290");
    EXPECT_EQ(read(both).width, 1600);
    ByteVector stray = exif;
    const ByteVector app2 = {0xFF, 0xE2, 0x00, 0x08, 'K', 'D', 'C', 'I', 0, 1};
    stray.insert(stray.begin() + 2, app2.begin(), app2.end());
    stray.insert(stray.end() - 4, {'K', 'D', 'C', 'I'});
    EXPECT_EQ(read(stray).model, "QV-Lumen 2");
}

// A settings record is taken only whole: 32 bytes or more, inside its segment.
// A text record is read as far as it lies in the segment.
TEST(ImageInfo, MakerSegmentRecordsStayInsideTheSegment) {
    const std::string_view texts("\x06" "DC-290\0" "\x03" "1999:12:31 23:59:58\0", 29);
    const ByteVector textRecord(texts.begin(), texts.end());
    ByteVector settings(32, 0);
    settings[0] = 3;
    const auto quality = [&](const ByteVector& record) {
        return read(test::jpegFile({kdciSegment({{1, textRecord}, {16, record}})}, picture(64, 48))).maker.quality;
    };
    EXPECT_EQ(quality(settings), 3);
    EXPECT_EQ(quality(ByteVector(settings.begin(), settings.begin() + 31)), 0);
    ByteVector longer = settings;
    longer.resize(40, 0);
    EXPECT_EQ(quality(longer), 3);

    // A settings record whose length runs past the segment, with picture data after it.
    ByteVector segment = kdciSegment({{1, textRecord}, {16, ByteVector(40, 0)}});
    segment.resize(segment.size() - 10);
    segment[2] = std::uint8_t((segment.size() - 2) >> 8), segment[3] = std::uint8_t(segment.size() - 2);
    segment[4 + 12 + 32 + 29] = 3;  // its first byte, quality
    ByteVector file = test::jpegFile({segment}, picture(64, 48));
    file.insert(file.begin() + 2 + std::ptrdiff_t(segment.size()), 10, 0x03);
    const ImageInfo past = read(file);
    EXPECT_EQ(past.maker, MakerSettings{});
    EXPECT_EQ(past.model, "DC-290");
    EXPECT_EQ(std::tie(past.width, past.height), std::make_tuple(0, 0));  // the ten bytes are no marker

    // A text record cut by the segment's end keeps what lies inside it.
    ByteVector cut = kdciSegment({{1, ByteVector(textRecord.begin(), textRecord.begin() + 8)}});
    cut[4 + 12 + 2] = 0, cut[4 + 12 + 3] = std::uint8_t(textRecord.size());
    const ImageInfo model = read(test::jpegFile({cut}, picture(64, 48)));
    EXPECT_EQ(model.model, "DC-290");
    EXPECT_TRUE(model.dateTime.empty());
    EXPECT_EQ(model.width, 64);
}

TEST(ImageInfo, ExifAfterOtherSegmentsOfTheHeader) {
    // Many cameras and phones write a JFIF segment before the Exif segment.
    const ByteVector exif = cameraFile(true);
    const ByteVector jfif = test::withSegments(
        exif, {{0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}, {0xFF, 0xFE, 0x00, 0x03, 'x'}});
    EXPECT_EQ(read(jfif), read(exif));
    // "Exif" only counts as the start of an APP1 segment of the header: not
    // in another segment, nor in the picture data after the start of scan.
    ByteVector body = {'E', 'x', 'i', 'f', 0, 0};
    const ByteVector tiff = TiffWriter(true).write(cameraDirectory("Orrin"));
    body.insert(body.end(), tiff.begin(), tiff.end());
    ByteVector app2 = test::app1(body);
    app2[1] = 0xE2;
    EXPECT_FALSE(read(test::jpegFile({app2}, picture(80, 60))).makerData);
    ByteVector afterScan = test::jpegFile({}, picture(80, 60));
    const ByteVector app1 = test::app1(body);
    afterScan.insert(afterScan.end() - 2, app1.begin(), app1.end());
    const ImageInfo late = read(afterScan);
    EXPECT_FALSE(late.makerData);
    EXPECT_EQ(late.width, 80);
}

TEST(ImageInfo, SizeScan) {
    const auto size = [](const ByteVector& tail) {
        const ImageInfo info = read(test::jpegFile({}, tail));
        return std::make_tuple(info.sizeFound, info.width, info.height);
    };
    using S = std::tuple<bool, std::uint16_t, std::uint16_t>;
    EXPECT_EQ(size(picture(320, 240)), S(true, 320, 240));
    EXPECT_EQ(size(test::fakeScan()), S(false, 0, 0));  // no frame header
    ByteVector afterEnd = test::fakeScan();
    const ByteVector frame = picture(320, 240);
    afterEnd.insert(afterEnd.end(), frame.begin(), frame.end());
    EXPECT_EQ(size(afterEnd), S(false, 0, 0));  // a frame after the start of scan
    ByteVector progressive = picture(320, 240);
    progressive[7] = 0xC2;
    EXPECT_EQ(size(progressive), S(false, 0, 0));  // only a baseline frame counts

    // A picture cut short after its header still has its size; one cut inside
    // the frame header has none.
    const ByteVector whole = test::jpegFile({}, picture(320, 240));
    EXPECT_EQ(read(ByteVector(whole.begin(), whole.end() - 2)).width, 320);
    EXPECT_FALSE(read(ByteVector(whole.begin(), whole.begin() + 14)).sizeFound);

    // A preview JPEG in an APP2 segment (frame header and end of image of its
    // own) before the picture's frame header, and fill bytes before a marker.
    ByteVector preview = {0xFF, 0xE2, 0x00, 0x00, 'F', 'P', 'X', 'R', 0xFF, 0xD8};
    const ByteVector previewFrame = picture(640, 480);
    preview.insert(preview.end(), previewFrame.begin(), previewFrame.end());
    preview[2] = std::uint8_t((preview.size() - 2) >> 8), preview[3] = std::uint8_t(preview.size() - 2);
    ByteVector tail = {0xFF, 0xFF};
    tail.insert(tail.end(), whole.begin() + 2, whole.end());
    preview.insert(preview.end(), tail.begin(), tail.end());
    EXPECT_EQ(size(preview), S(true, 320, 240));
}

// A movie's recording data is that of its first frame: the header of the
// first JPEG in the file.
TEST(ImageInfo, MovieReadsItsFirstFrame) {
    ByteVector movie = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' ', 'L', 'I', 'S', 'T'};
    movie.resize(300, 0);
    const ByteVector frame = cameraFile(false);
    movie.insert(movie.end(), frame.begin(), frame.end());
    movie.insert(movie.end(), frame.begin(), frame.end());
    const ImageInfo info = read(movie);
    EXPECT_EQ(info.model, "QV-Lumen 2");
    EXPECT_EQ(std::tie(info.width, info.height), std::make_tuple(1600, 1200));
}

TEST(ImageInfo, FileSizeFromLength) {
    const ByteVector bytes = cameraFile(true);
    EXPECT_EQ(readImageInfo(bytes, 1023 * 1024).fileSizeKB, 1023u);
    EXPECT_EQ(readImageInfo(bytes, 1023 * 1024 + 1).fileSizeKB, 1024u);
    EXPECT_EQ(readImageInfo(bytes, 0), ImageInfo{});

    test::TempDir dir;
    test::writeBytes(dir / "big.jpg", bytes);
    ASSERT_EQ(::truncate((dir / "big.jpg").c_str(), 2047 * 1024), 0);  // sparse to 2,047 KB
    EXPECT_EQ(readImageInfo(dir / "big.jpg").fileSizeKB, 2047u);
    test::writeBytes(dir / "empty.jpg", {});
    EXPECT_EQ(readImageInfo(dir / "empty.jpg"), ImageInfo{});
    EXPECT_EQ(readImageInfo(dir / "missing.jpg"), ImageInfo{});
}

// The piecewise reader gives what the whole-file reading gives, for pieces of
// every small size (markers and tags across piece borders, segments beyond
// the head), for every truncation of a camera file and for damaged files.
TEST(ImageInfo, PiecewiseReadingEqualsWholeFile) {
    test::TempDir dir;
    const std::string path = dir / "item.jpg";
    int compared = 0;
    const auto same = [&](const ByteVector& bytes, std::initializer_list<std::size_t> chunks) {
        test::writeBytes(path, bytes);
        const ImageInfo whole = read(bytes);
        for (const std::size_t chunk : chunks) {
            ASSERT_EQ(readImageInfo(path, chunk), whole) << "chunk " << chunk << ", " << bytes.size() << " bytes";
            ++compared;
        }
    };

    ByteVector both = cameraFile(false);
    const ByteVector kdci = kdciFile();
    both.insert(both.end() - 2, kdci.begin() + 2, kdci.end() - 2);
    const ByteVector files[] = {cameraFile(true), cameraFile(false, "Other"), kdciFile(), both};
    for (const ByteVector& file : files)
        for (std::size_t chunk = 16; chunk < 80; ++chunk) same(file, {chunk});
    for (std::size_t length = 1; length <= files[0].size(); ++length)
        same(ByteVector(files[0].begin(), files[0].begin() + std::ptrdiff_t(length)), {16, 61, 4096});

    std::mt19937 random(20240607);
    const ByteVector pieces[] = {{0xFF, 0xC0}, {0xFF, 0xD9}, {'K', 'D', 'C', 'I'}, {'E', 'x', 'i', 'f'},
                                 {0xFF, 0xE1, 0x00, 0x02}, {0xFF, 0xD8, 0xFF, 0xE1}};
    for (int round = 0; round < 300; ++round) {
        ByteVector bytes = files[round % 4];
        for (int edit = 0; edit < 4; ++edit) {
            const std::size_t at = random() % bytes.size();
            if (random() % 2) {
                bytes[at] = std::uint8_t(random());
            } else {
                const ByteVector& piece = pieces[random() % std::size(pieces)];
                bytes.insert(bytes.begin() + std::ptrdiff_t(at), piece.begin(), piece.end());
            }
        }
        same(bytes, {16, 17, 29, 64});
    }
    EXPECT_GT(compared, 1000);
}

}  // namespace
}  // namespace lumbrel::plugin
