#include "media/exif_upright.h"

#include "media/byte_reader.h"
#include "media/jpeg_date.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace lumbrel::media {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagExifIfd = 0x8769;
constexpr std::uint16_t kTagPixelX = 0xA002;
constexpr std::uint16_t kTagPixelY = 0xA003;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;

// Planned byte changes: (offset in the whole data, new value). Nothing is
// written until every walk has succeeded.
using Edits = std::vector<std::pair<std::size_t, std::uint8_t>>;

// One TIFF structure inside an APP1 segment; offsets relative to its header.
class Tiff {
public:
    Tiff(Bytes bytes, std::size_t base, bool bigEndian) : b_(bytes), base_(base), big_(bigEndian) {}

    std::uint16_t get16(std::size_t pos) const { return read16(b_, pos, big_); }
    std::uint32_t get32(std::size_t pos) const { return read32(b_, pos, big_); }
    void put16(Edits& edits, std::size_t pos, std::uint16_t v) const {
        edits.emplace_back(base_ + pos + (big_ ? 0 : 1), static_cast<std::uint8_t>(v >> 8));
        edits.emplace_back(base_ + pos + (big_ ? 1 : 0), static_cast<std::uint8_t>(v));
    }
    void put32(Edits& edits, std::size_t pos, std::uint32_t v) const {
        put16(edits, pos + (big_ ? 0 : 2), static_cast<std::uint16_t>(v >> 16));
        put16(edits, pos + (big_ ? 2 : 0), static_cast<std::uint16_t>(v));
    }
    std::size_t size() const { return b_.size(); }

    // Offsets of the 12-byte entries of the IFD at offset; empty when the
    // count or an entry lies outside the structure.
    std::optional<std::vector<std::size_t>> entries(std::size_t offset) const {
        if (!fits(offset, 2, b_.size())) return std::nullopt;
        const std::size_t count = get16(offset);
        if (!fits(offset + 2, 12 * count, b_.size())) return std::nullopt;
        std::vector<std::size_t> result(count);
        for (std::size_t i = 0; i < count; ++i) result[i] = offset + 2 + 12 * i;
        return result;
    }

private:
    Bytes b_;
    std::size_t base_;
    bool big_;
};

// A PixelX/PixelYDimension entry: its type and value, when it is a single SHORT or LONG.
struct Dimension {
    std::size_t entry = 0;
    std::uint16_t type = 0;
    std::uint32_t value = 0;
};

std::optional<Dimension> dimensionAt(const Tiff& tiff, std::size_t entry) {
    const std::uint16_t type = tiff.get16(entry + 2);
    if (tiff.get32(entry + 4) != 1) return std::nullopt;
    if (type == kTypeShort) return Dimension{entry, type, tiff.get16(entry + 8)};
    if (type == kTypeLong) return Dimension{entry, type, tiff.get32(entry + 8)};
    return std::nullopt;
}

void putDimension(const Tiff& tiff, Edits& edits, const Dimension& field, std::uint32_t value) {
    if (field.type == kTypeShort)
        tiff.put16(edits, field.entry + 8, static_cast<std::uint16_t>(value));
    else
        tiff.put32(edits, field.entry + 8, value);
}

// The Exif structure of an APP1 body starting at base ("Exif\0\0" already seen).
bool planExif(Bytes segment, std::size_t base, bool swapDimensions, Edits& edits) {
    if (segment.size() < 8) return false;
    bool bigEndian;
    if (segment[0] == 'M' && segment[1] == 'M' && segment[2] == 0x00 && segment[3] == 0x2A)
        bigEndian = true;
    else if (segment[0] == 'I' && segment[1] == 'I' && segment[2] == 0x2A && segment[3] == 0x00)
        bigEndian = false;
    else
        return false;
    const Tiff tiff(segment, base, bigEndian);
    const auto ifd0 = tiff.entries(tiff.get32(4));
    if (!ifd0) return false;
    std::optional<std::size_t> exifIfd;
    for (const std::size_t entry : *ifd0) {
        const std::uint16_t tag = tiff.get16(entry);
        // The reader takes the 16-bit value at +8, so that is what becomes 1.
        if (tag == kTagOrientation) tiff.put16(edits, entry + 8, 1);
        if (tag == kTagExifIfd && !exifIfd) exifIfd = tiff.get32(entry + 8);
    }
    if (!swapDimensions || !exifIfd) return true;

    const auto exif = tiff.entries(*exifIfd);
    if (!exif) return false;
    std::optional<Dimension> x, y;
    for (const std::size_t entry : *exif) {
        const std::uint16_t tag = tiff.get16(entry);
        if (tag == kTagPixelX && !x) x = dimensionAt(tiff, entry);
        if (tag == kTagPixelY && !y) y = dimensionAt(tiff, entry);
    }
    if (!x || !y) return true;
    // Each value goes into the other field in that field's own type; a LONG
    // value above 65535 does not fit a SHORT field, and then both stay.
    const auto fitsField = [](const Dimension& field, std::uint32_t value) {
        return field.type == kTypeLong || value <= 0xFFFF;
    };
    if (!fitsField(*x, y->value) || !fitsField(*y, x->value)) return true;
    putDimension(tiff, edits, *x, y->value);
    putDimension(tiff, edits, *y, x->value);
    return true;
}

bool planMakerBlock(Bytes bytes, std::size_t block, Edits& edits) {
    const MakerEntry entry = findMakerEntry(bytes, block, kMakerOrientationTag);
    if (entry.status == MakerEntry::Status::Damaged) return false;
    if (entry.status == MakerEntry::Status::Found && entry.size >= 2)
        edits.emplace_back(entry.offset + 1, static_cast<std::uint8_t>(bytes[entry.offset + 1] & 0x0F));
    return true;
}

}  // namespace

bool markUpright(std::span<std::uint8_t> jpeg, bool swapDimensions) {
    static constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    try {
        const Bytes b(jpeg.data(), jpeg.size());
        if (b.size() < 2 || b[0] != 0xFF || b[1] != 0xD8) return false;
        Edits edits;
        // The segments from SOI up to the first SOS (or an EOI).
        std::size_t p = 2;
        for (;;) {
            if (p >= b.size() || b[p] != 0xFF) return false;
            while (p < b.size() && b[p] == 0xFF) ++p;  // fill bytes
            if (p >= b.size()) return false;
            const std::size_t segment = p - 1;  // the FF before the marker
            const std::uint8_t marker = b[p++];
            if (marker == 0xDA || marker == 0xD9) break;
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
            if (!fits(p, 2, b.size())) return false;
            const std::size_t length = static_cast<std::size_t>(b[p] << 8 | b[p + 1]);
            if (length < 2 || !fits(p, length, b.size())) return false;
            if (marker == 0xE1) {
                const Bytes body = b.subspan(p + 2, length - 2);
                if (body.size() >= sizeof kExif && std::equal(std::begin(kExif), std::end(kExif), body.begin())) {
                    if (!planExif(body.subspan(sizeof kExif), p + 2 + sizeof kExif, swapDimensions, edits))
                        return false;
                } else if (isMakerBlockAt(b, segment)) {
                    if (!planMakerBlock(b, segment, edits)) return false;
                }
            }
            p += length;
        }
        for (const auto& [offset, value] : edits) jpeg[offset] = value;
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace lumbrel::media
