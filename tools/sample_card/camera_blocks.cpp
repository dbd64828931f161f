#include "camera_blocks.h"

#include <vector>

namespace lumbrel::samplecard {
namespace {

// TIFF field types.
constexpr std::uint16_t kShort = 3, kLong = 4, kAscii = 2, kRational = 5, kUndefined = 7;

struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    Bytes value;  ///< already in the file's byte order
};

class Tiff {
public:
    explicit Tiff(ByteOrder order) : big_(order == ByteOrder::Motorola) {}

    Bytes u16(std::uint32_t v) const {
        return big_ ? Bytes{std::uint8_t(v >> 8), std::uint8_t(v)} : Bytes{std::uint8_t(v), std::uint8_t(v >> 8)};
    }
    Bytes u32(std::uint32_t v) const {
        Bytes hi = u16(v >> 16), lo = u16(v & 0xFFFF);
        Bytes b = big_ ? hi : lo;
        const Bytes& second = big_ ? lo : hi;
        b.insert(b.end(), second.begin(), second.end());
        return b;
    }
    Entry shortEntry(std::uint16_t tag, std::uint32_t v) const { return {tag, kShort, 1, u16(v)}; }
    Entry longEntry(std::uint16_t tag, std::uint32_t v) const { return {tag, kLong, 1, u32(v)}; }
    Entry rationalEntry(std::uint16_t tag, std::uint32_t num, std::uint32_t den) const {
        Bytes b = u32(num), d = u32(den);
        b.insert(b.end(), d.begin(), d.end());
        return {tag, kRational, 1, b};
    }
    static Entry asciiEntry(std::uint16_t tag, const std::string& s) {
        Bytes b(s.begin(), s.end());
        b.push_back(0);
        return {tag, kAscii, static_cast<std::uint32_t>(b.size()), b};
    }
    static Entry undefinedEntry(std::uint16_t tag, Bytes b) {
        const auto n = static_cast<std::uint32_t>(b.size());
        return {tag, kUndefined, n, std::move(b)};
    }

    // Bytes an IFD takes: count, entries, next-IFD offset, then the values
    // that do not fit in four bytes, each padded to an even length.
    static std::uint32_t ifdSize(const std::vector<Entry>& entries) {
        std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
        for (const Entry& e : entries)
            if (e.value.size() > 4) size += (static_cast<std::uint32_t>(e.value.size()) + 1) & ~1u;
        return size;
    }

    // Appends the IFD to out; offsets are counted from the TIFF header, which
    // begins at out[base]. The IFD must start at out.size() - base.
    void appendIfd(Bytes& out, std::size_t base, const std::vector<Entry>& entries, std::uint32_t next) const {
        const auto at = static_cast<std::uint32_t>(out.size() - base);
        std::uint32_t data = at + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
        Bytes values;
        append(out, u16(static_cast<std::uint32_t>(entries.size())));
        for (const Entry& e : entries) {
            append(out, u16(e.tag));
            append(out, u16(e.type));
            append(out, u32(e.count));
            if (e.value.size() <= 4) {
                Bytes inline_ = e.value;
                inline_.resize(4, 0);
                append(out, inline_);
            } else {
                append(out, u32(data + static_cast<std::uint32_t>(values.size())));
                append(values, e.value);
                if (values.size() % 2) values.push_back(0);
            }
        }
        append(out, u32(next));
        append(out, values);
    }

    static void append(Bytes& out, const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); }

private:
    bool big_;
};

// The MakerNote: "ORRIN" and padding to 8 bytes, then an IFD of the camera's
// own in the block's byte order whose values all fit in their entries (so it
// stays valid wherever it is placed): picture number, quality mode, firmware.
Bytes makerNote(const Tiff& t, std::uint32_t pictureNumber) {
    Bytes b{'O', 'R', 'R', 'I', 'N', 0, 0, 0};
    const std::vector<Entry> entries = {t.longEntry(0x0001, pictureNumber), t.shortEntry(0x0002, 2),
                                        t.shortEntry(0x0003, 0x0102)};
    t.appendIfd(b, 8, entries, 0);
    return b;
}

}  // namespace

Bytes exifPayload(const ExifFields& f) {
    const Tiff t(f.order);
    const bool hasThumbnail = !f.thumbnail.empty();

    std::vector<Entry> ifd0 = {
        Tiff::asciiEntry(0x010F, f.make),          // Make
        Tiff::asciiEntry(0x0110, f.model),         // Model
        t.shortEntry(0x0112, f.orientation),       // Orientation
        t.rationalEntry(0x011A, 72, 1),            // XResolution
        t.rationalEntry(0x011B, 72, 1),            // YResolution
        t.shortEntry(0x0128, 2),                   // ResolutionUnit: inches
        Tiff::asciiEntry(0x0132, f.dateTime),      // DateTime
        t.shortEntry(0x0213, 2),                   // YCbCrPositioning: co-sited
        t.longEntry(0x8769, 0),                    // ExifIFD pointer, set below
    };
    const auto dimension = [&](std::uint16_t tag, int v) {
        return f.dimensionsAsShort ? t.shortEntry(tag, static_cast<std::uint32_t>(v))
                                   : t.longEntry(tag, static_cast<std::uint32_t>(v));
    };
    const std::vector<Entry> exif = {
        Tiff::undefinedEntry(0x9000, {'0', '2', '1', '0'}),  // ExifVersion
        Tiff::asciiEntry(0x9003, f.dateTime),                // DateTimeOriginal
        Tiff::asciiEntry(0x9004, f.dateTime),                // DateTimeDigitized
        Tiff::undefinedEntry(0x9101, {1, 2, 3, 0}),          // ComponentsConfiguration: Y Cb Cr
        Tiff::undefinedEntry(0x927C, makerNote(t, f.pictureNumber)),
        Tiff::undefinedEntry(0xA000, {'0', '1', '0', '0'}),  // FlashpixVersion
        t.shortEntry(0xA001, 1),                             // ColorSpace: sRGB
        dimension(0xA002, f.width),                          // PixelXDimension
        dimension(0xA003, f.height),                         // PixelYDimension
    };
    std::vector<Entry> ifd1 = {
        t.shortEntry(0x0103, 6),                                                     // Compression: JPEG
        t.rationalEntry(0x011A, 72, 1), t.rationalEntry(0x011B, 72, 1), t.shortEntry(0x0128, 2),
        t.longEntry(0x0201, 0),                                                      // JPEGInterchangeFormat, set below
        t.longEntry(0x0202, static_cast<std::uint32_t>(f.thumbnail.size())),         // JPEGInterchangeFormatLength
    };

    const std::uint32_t ifd0At = 8;
    const std::uint32_t exifAt = ifd0At + Tiff::ifdSize(ifd0);
    const std::uint32_t ifd1At = exifAt + Tiff::ifdSize(exif);
    const std::uint32_t thumbnailAt = ifd1At + Tiff::ifdSize(ifd1);
    ifd0.back().value = t.u32(exifAt);
    ifd1[4].value = t.u32(thumbnailAt);

    Bytes out{'E', 'x', 'i', 'f', 0, 0};
    const std::size_t base = out.size();
    if (f.order == ByteOrder::Motorola)
        Tiff::append(out, {'M', 'M', 0x00, 0x2A});
    else
        Tiff::append(out, {'I', 'I', 0x2A, 0x00});
    Tiff::append(out, t.u32(ifd0At));
    t.appendIfd(out, base, ifd0, hasThumbnail ? ifd1At : 0);
    t.appendIfd(out, base, exif, 0);
    if (hasThumbnail) {
        t.appendIfd(out, base, ifd1, 0);
        Tiff::append(out, f.thumbnail);
    }
    return out;
}

Bytes kdciPayload(const KdciFields& f) {
    struct Area {
        std::uint16_t tag;
        Bytes data;
    };
    const auto u32be = [](std::uint32_t v) {
        return Bytes{std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
    };
    Bytes items;
    for (const auto& [kind, text] : {std::pair{1, f.model}, std::pair{2, f.firmware}, std::pair{3, f.dateTime}}) {
        items.push_back(static_cast<std::uint8_t>(kind));
        items.insert(items.end(), text.begin(), text.end());
        items.push_back(0);
    }
    const std::vector<Area> areas = {
        {2, u32be(f.pictureNumber)},
        {1, items},
        {16, Bytes{0x00, static_cast<std::uint8_t>((f.orientationCode & 0x0F) << 4), 0x00, 0x00}},
    };

    // Payload offset = block offset - 4 (the block starts at FF E1 and its
    // two length bytes, which libjpeg writes).
    Bytes out{'K', 'D', 'C', 'I', 0, 0, 0, 0, 0, 0};
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(areas.size()));
    for (const Area& a : areas) {
        out.push_back(static_cast<std::uint8_t>(a.tag >> 8));
        out.push_back(static_cast<std::uint8_t>(a.tag));
        out.push_back(static_cast<std::uint8_t>(a.data.size() >> 8));
        out.push_back(static_cast<std::uint8_t>(a.data.size()));
        out.insert(out.end(), 12, 0);
    }
    for (const Area& a : areas) out.insert(out.end(), a.data.begin(), a.data.end());
    return out;
}

}  // namespace lumbrel::samplecard
