#include "camera_blocks.h"

#include <vector>

namespace lumbrel::samplecard {
namespace {

// TIFF field types.
constexpr std::uint16_t kShort = 3, kLong = 4, kAscii = 2, kRational = 5, kUndefined = 7, kSRational = 10;

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
    Entry srationalEntry(std::uint16_t tag, std::int32_t num, std::int32_t den) const {
        Entry e = rationalEntry(tag, static_cast<std::uint32_t>(num), static_cast<std::uint32_t>(den));
        e.type = kSRational;
        return e;
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

// The marked series of shutter times (1/n s) and f-numbers (tenths) for
// the whole APEX values 0 to 10 and 0 to 8.
constexpr std::uint32_t kShutterDenominators[] = {1, 2, 4, 8, 15, 30, 60, 125, 250, 500, 1000};
constexpr std::uint32_t kFNumberTenths[] = {10, 14, 20, 28, 40, 56, 80, 110, 160};

// The MakerNote: a directory of the camera's own, starting at the note's first
// byte, in the block's byte order; all its values fit in their entries, so it
// stays valid wherever it is placed.
Bytes makerNote(const Tiff& t, const Shot& shot) {
    Bytes b;
    const std::vector<Entry> entries = {
        t.shortEntry(1, shot.recordingMode), t.shortEntry(2, shot.quality),    t.shortEntry(3, shot.focusMode),
        t.shortEntry(4, shot.flashMode),     t.shortEntry(7, shot.whiteBalance),
        t.longEntry(10, static_cast<std::uint32_t>(shot.zoom) << 16 | 1),     // zoom: upper / lower half
        t.shortEntry(11, 0),                 t.shortEntry(12, 0),               t.shortEntry(13, 0),  // Normal, Std, Std
        t.shortEntry(20, shot.iso),          t.shortEntry(28, shot.exposureMode),
    };
    t.appendIfd(b, 0, entries, 0);
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
        t.rationalEntry(0x829A, 1, kShutterDenominators[f.shot.tv]),  // ExposureTime
        t.rationalEntry(0x829D, kFNumberTenths[f.shot.av], 10),       // FNumber
        t.shortEntry(0x8822, f.shot.program),                         // ExposureProgram
        t.shortEntry(0x8827, f.shot.iso),                             // ISOSpeedRatings
        Tiff::undefinedEntry(0x9000, {'0', '2', '1', '0'}),  // ExifVersion
        Tiff::asciiEntry(0x9003, f.dateTime),                // DateTimeOriginal
        Tiff::asciiEntry(0x9004, f.dateTime),                // DateTimeDigitized
        Tiff::undefinedEntry(0x9101, {1, 2, 3, 0}),          // ComponentsConfiguration: Y Cb Cr
        t.srationalEntry(0x9204, f.shot.biasThirds, 3),      // ExposureBiasValue
        t.shortEntry(0x9207, f.shot.metering),               // MeteringMode
        t.shortEntry(0x9209, f.shot.flashFired ? 1 : 0),     // Flash
        Tiff::undefinedEntry(0x927C, makerNote(t, f.shot)),
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
    for (const auto& [kind, text] : {std::pair{6, f.model}, std::pair{3, f.dateTime}}) {
        items.push_back(static_cast<std::uint8_t>(kind));
        items.insert(items.end(), text.begin(), text.end());
        items.push_back(0);
    }
    // The settings record: the shot's codes at the bytes the cameras use.
    const Shot& shot = f.shot;
    Bytes settings(32, 0);
    settings[0] = static_cast<std::uint8_t>(shot.quality);
    settings[1] = static_cast<std::uint8_t>((f.orientationCode & 0x0F) << 4);
    settings[2] = static_cast<std::uint8_t>(shot.recordingMode);
    settings[3] = static_cast<std::uint8_t>(shot.focusMode);
    // Exposure program in the low two bits (3 manual, 1 program, 2 aperture
    // priority), metering in the high four (0 matrix, 1 centre, 8 spot).
    const int program = shot.program == 1 ? 3 : shot.program == 3 ? 2 : 1;
    const int metering = shot.metering == 2 ? 1 : shot.metering == 3 ? 8 : 0;
    settings[4] = static_cast<std::uint8_t>(metering << 4 | program);
    settings[5] = static_cast<std::uint8_t>(shot.tv + 5);          // shutter index
    settings[6] = static_cast<std::uint8_t>(shot.av + 1);          // aperture index
    settings[7] = static_cast<std::uint8_t>(13 + shot.biasThirds);  // 13: no compensation
    settings[8] = static_cast<std::uint8_t>(shot.flashMode);
    settings[10] = static_cast<std::uint8_t>(shot.whiteBalance);
    settings[17] = static_cast<std::uint8_t>(shot.zoom - 1);
    const std::vector<Area> areas = {
        {2, u32be(f.pictureNumber)},
        {1, items},
        {16, settings},
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
