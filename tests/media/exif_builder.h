#pragma once
// Builds the metadata of camera JPEG files byte by byte for tests: the Exif
// APP1 segment (TIFF header, IFD0, Exif IFD, thumbnail) in either byte order,
// the maker's "KDCI" APP1 block, and a JPEG file around them. The layout is
// fixed and written out by hand here, independent of the readers under test.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace lumbrel::test {

using ByteVector = std::vector<std::uint8_t>;

struct ExifFields {
    bool bigEndian = true;
    std::optional<std::uint16_t> orientation;  ///< IFD0 0x0112, SHORT
    std::optional<std::string> dateTimeOriginal;  ///< Exif IFD 0x9003, written with a closing zero
    std::optional<std::uint32_t> pixelX, pixelY;  ///< Exif IFD 0xA002 / 0xA003
    std::uint16_t pixelXType = 3, pixelYType = 3;  ///< 3 SHORT, 4 LONG
    ByteVector thumbnail;  ///< bytes placed after the IFDs (IFD1 points at them)
};

// Appends byte by byte (vector::insert of a brace list trips a false
// -Wstringop-overflow in GCC 12 at -O2).
inline void append(ByteVector& out, std::initializer_list<std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) out.push_back(b);
}

class ExifWriter {
public:
    explicit ExifWriter(bool bigEndian) : big_(bigEndian) {}
    void u16(ByteVector& out, std::uint32_t v) const {
        if (big_) { out.push_back(std::uint8_t(v >> 8)); out.push_back(std::uint8_t(v)); }
        else { out.push_back(std::uint8_t(v)); out.push_back(std::uint8_t(v >> 8)); }
    }
    void u32(ByteVector& out, std::uint32_t v) const {
        if (big_) { u16(out, v >> 16); u16(out, v & 0xFFFF); }
        else { u16(out, v & 0xFFFF); u16(out, v >> 16); }
    }
    // One 12-byte entry; a SHORT value sits in the first two bytes of the field.
    void entry(ByteVector& out, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) const {
        u16(out, tag);
        u16(out, type);
        u32(out, count);
        if (type == 3 && count == 1) { u16(out, value); u16(out, 0); }
        else u32(out, value);
    }
private:
    bool big_;
};

/// The TIFF structure alone (header at offset 0). Layout: header (8), IFD0 at 8
/// with Make (0x010F), the optional Orientation and the Exif pointer, then the
/// Exif IFD, IFD1 (thumbnail offset and length), the Make text, the date text
/// and the thumbnail.
inline ByteVector tiffBlock(const ExifFields& f) {
    const ExifWriter w(f.bigEndian);
    const bool exifIfd = f.dateTimeOriginal || f.pixelX || f.pixelY;
    const std::uint32_t ifd0Count = 1 + (f.orientation ? 1 : 0) + (exifIfd ? 1 : 0);
    const std::uint32_t exifCount = (f.dateTimeOriginal ? 1 : 0) + (f.pixelX ? 1 : 0) + (f.pixelY ? 1 : 0);
    const std::uint32_t ifd0 = 8;
    const std::uint32_t exif = ifd0 + 2 + 12 * ifd0Count + 4;
    const std::uint32_t ifd1 = exif + (exifIfd ? 2 + 12 * exifCount + 4 : 0);
    const std::uint32_t make = ifd1 + 2 + 2 * 12 + 4;
    const std::uint32_t date = make + 8;
    const std::uint32_t thumb = date + 20;

    ByteVector out;
    if (f.bigEndian) append(out, {'M', 'M', 0x00, 0x2A});
    else append(out, {'I', 'I', 0x2A, 0x00});
    w.u32(out, ifd0);
    w.u16(out, ifd0Count);
    w.entry(out, 0x010F, 2, 8, make);
    if (f.orientation) w.entry(out, 0x0112, 3, 1, *f.orientation);
    if (exifIfd) w.entry(out, 0x8769, 4, 1, exif);
    w.u32(out, ifd1);
    if (exifIfd) {
        w.u16(out, exifCount);
        if (f.dateTimeOriginal) w.entry(out, 0x9003, 2, 20, date);
        if (f.pixelX) w.entry(out, 0xA002, f.pixelXType, 1, *f.pixelX);
        if (f.pixelY) w.entry(out, 0xA003, f.pixelYType, 1, *f.pixelY);
        w.u32(out, 0);
    }
    w.u16(out, 2);
    w.entry(out, 0x0201, 4, 1, thumb);
    w.entry(out, 0x0202, 4, 1, static_cast<std::uint32_t>(f.thumbnail.size()));
    w.u32(out, 0);
    append(out, {'L', 'u', 'm', 'b', 'r', 'e', 'l', 0});
    std::string text = f.dateTimeOriginal.value_or("");
    text.resize(20, '\0');
    out.insert(out.end(), text.begin(), text.end());
    out.insert(out.end(), f.thumbnail.begin(), f.thumbnail.end());
    return out;
}

inline ByteVector app1(const ByteVector& body) {
    const std::size_t length = body.size() + 2;
    ByteVector out;
    out.reserve(length + 2);
    append(out, {0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

/// FF E1, length, "Exif\0\0", then the TIFF structure.
inline ByteVector exifSegment(const ExifFields& f) {
    ByteVector body = {'E', 'x', 'i', 'f', 0, 0};
    const ByteVector tiff = tiffBlock(f);
    body.insert(body.end(), tiff.begin(), tiff.end());
    return app1(body);
}

struct MakerFields {
    std::optional<std::string> date;  ///< the item 0x03 of entry 1
    std::optional<std::uint8_t> orientationByte;  ///< second data byte of entry 16
};

/// FF E1, length, "KDCI\0", five reserved bytes, the entry count at block offset
/// 14, the 16-byte directory, then the data areas: entry 5 (4 filler bytes),
/// entry 1 (items "\x01" model and "\x03" date, each closed by a zero) and
/// entry 16 (4 bytes, the orientation in the second).
inline ByteVector makerSegment(const MakerFields& f) {
    std::vector<std::pair<std::uint16_t, ByteVector>> entries;
    entries.push_back({5, {0xAA, 0xBB, 0xCC, 0xDD}});
    ByteVector items = {0x01, 'D', 'C', '-', '2', '9', 0};
    if (f.date) {
        items.push_back(0x03);
        items.insert(items.end(), f.date->begin(), f.date->end());
        items.push_back(0);
    }
    entries.push_back({1, items});
    if (f.orientationByte) entries.push_back({16, {0x00, *f.orientationByte, 0x00, 0x00}});

    ByteVector body = {'K', 'D', 'C', 'I', 0, 0, 0, 0, 0, 0};
    body.push_back(0);
    body.push_back(std::uint8_t(entries.size()));
    for (const auto& [tag, data] : entries) {
        const ByteVector entry = {std::uint8_t(tag >> 8), std::uint8_t(tag), std::uint8_t(data.size() >> 8),
                                  std::uint8_t(data.size()), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        body.insert(body.end(), entry.begin(), entry.end());
    }
    for (const auto& entry : entries) body.insert(body.end(), entry.second.begin(), entry.second.end());
    return app1(body);
}

/// A minimal stand-in for the picture data: DQT-free SOS with three components and EOI.
inline ByteVector fakeScan() {
    return {0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00,
            0x12, 0x34, 0x56, 0xFF, 0xD9};
}

/// SOI, the segments in order, then tail (the rest of a JPEG after its SOI).
inline ByteVector jpegFile(const std::vector<ByteVector>& segments, std::span<const std::uint8_t> tail) {
    ByteVector out = {0xFF, 0xD8};
    for (const auto& s : segments) out.insert(out.end(), s.begin(), s.end());
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

inline ByteVector jpegFile(const std::vector<ByteVector>& segments) { return jpegFile(segments, fakeScan()); }

/// Inserts segments right after the SOI of a complete JPEG.
inline ByteVector withSegments(const ByteVector& jpeg, const std::vector<ByteVector>& segments) {
    return jpegFile(segments, std::span<const std::uint8_t>(jpeg).subspan(2));
}

}  // namespace lumbrel::test
