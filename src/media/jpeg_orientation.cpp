#include "media/jpeg_orientation.h"

#include "media/byte_reader.h"
#include "media/jpeg_date.h"
#include "media/standard_tables.h"
#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace lumbrel::media {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint16_t kTagOrientation = 0x0112;

// The next position from pos holding 0xFF (b.size() when there is none); both
// blocks start with it, and memchr passes over the rest quickly.
std::size_t nextFF(Bytes b, std::size_t pos) {
    if (pos >= b.size()) return b.size();
    const void* hit = std::memchr(b.data() + pos, 0xFF, b.size() - pos);
    return hit ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - b.data()) : b.size();
}

// Exif Orientation values (low four bits) to codes: 1 upright, 3 half turn,
// 6 needs a quarter turn clockwise, 8 a quarter turn counter-clockwise. The
// mirrored values and any other value are left alone.
std::uint8_t codeFromExifValue(std::uint16_t value) {
    switch (value & 0x0F) {
        case 1: return 0;
        case 3: return 2;
        case 6: return 3;
        case 8: return 1;
        default: return kLeaveAlone;
    }
}

// The first place in the head where SOI is directly followed by an APP1
// segment holding "Exif\0\0" and a TIFF header: the Orientation entry of its
// IFD0, if there is one.
std::optional<std::uint8_t> exifCode(Bytes b) {
    static constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    for (std::size_t p = 0; fits(p, 20, b.size()); p = nextFF(b, p + 1)) {
        if (b[p] != 0xFF || b[p + 1] != 0xD8 || b[p + 2] != 0xFF || b[p + 3] != 0xE1) continue;
        if (!std::equal(std::begin(kExif), std::end(kExif), b.begin() + static_cast<std::ptrdiff_t>(p + 6))) continue;
        const std::size_t tiff = p + 12;
        bool bigEndian;
        if (b[tiff] == 'M' && b[tiff + 1] == 'M' && b[tiff + 2] == 0x00 && b[tiff + 3] == 0x2A)
            bigEndian = true;
        else if (b[tiff] == 'I' && b[tiff + 1] == 'I' && b[tiff + 2] == 0x2A && b[tiff + 3] == 0x00)
            bigEndian = false;
        else
            continue;
        const std::size_t ifd = tiff + read32(b, tiff + 4, bigEndian);
        if (!fits(ifd, 2, b.size())) return std::nullopt;
        const std::size_t count = read16(b, ifd, bigEndian);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entry = ifd + 2 + 12 * i;
            if (!fits(entry, 12, b.size())) return std::nullopt;
            // The 16-bit value at +8 in the header's byte order (a SHORT value).
            if (read16(b, entry, bigEndian) == kTagOrientation) return codeFromExifValue(read16(b, entry + 8, bigEndian));
        }
        return std::nullopt;
    }
    return std::nullopt;
}

// The maker block's code: the high four bits of the second data byte of entry 16.
std::optional<std::uint8_t> makerCode(Bytes b) {
    for (std::size_t p = 0; p + 8 < b.size(); p = nextFF(b, p + 1)) {
        if (b[p] != 0xFF || b[p + 1] != 0xE1 || !isMakerBlockAt(b, p)) continue;
        const MakerEntry entry = findMakerEntry(b, p, kMakerOrientationTag);
        if (entry.status != MakerEntry::Status::Found || entry.size < 2) return std::nullopt;
        return static_cast<std::uint8_t>(b[entry.offset + 1] >> 4);
    }
    return std::nullopt;
}

enum class Walk { Rotatable, NotRotatable, Truncated };

// One DHT segment body: every table in it must equal one of the four typical
// tables byte for byte. Marks each table seen.
bool typicalTables(Bytes body, unsigned& seen) {
    static const HuffmanSpec* const kTables[] = {&standardLuminanceDc(), &standardChrominanceDc(),
                                                 &standardLuminanceAc(), &standardChrominanceAc()};
    std::size_t q = 0;
    while (q < body.size()) {
        const std::uint8_t classId = body[q];
        const HuffmanSpec* match = nullptr;
        unsigned index = 0;
        for (; index < 4; ++index) {
            if ((kTables[index]->tableClass << 4 | kTables[index]->id) == classId) {
                match = kTables[index];
                break;
            }
        }
        if (!match) return false;
        const std::size_t length = 17 + match->symbols.size();
        if (!fits(q, length, body.size())) return false;
        if (!std::equal(match->counts.begin(), match->counts.end(), body.begin() + static_cast<std::ptrdiff_t>(q + 1)))
            return false;
        if (!std::equal(match->symbols.begin(), match->symbols.end(), body.begin() + static_cast<std::ptrdiff_t>(q + 17)))
            return false;
        seen |= 1u << index;
        q += length;
    }
    return true;
}

// Walks the markers from SOI up to the first SOS. Truncated when the bytes end
// before the SOS segment does (a head may need the whole file).
Walk walkMarkers(Bytes b) {
    if (b.size() < 2) return Walk::Truncated;
    if (b[0] != 0xFF || b[1] != 0xD8) return Walk::NotRotatable;
    bool frameOk = false;
    unsigned tablesSeen = 0;
    std::size_t p = 2;
    for (;;) {
        if (p >= b.size()) return Walk::Truncated;
        if (b[p] != 0xFF) return Walk::NotRotatable;
        while (p < b.size() && b[p] == 0xFF) ++p;  // fill bytes
        if (p >= b.size()) return Walk::Truncated;
        const std::uint8_t marker = b[p++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker == 0x00 || marker == 0xD8 || marker == 0xD9) return Walk::NotRotatable;
        if (!fits(p, 2, b.size())) return Walk::Truncated;
        const std::size_t length = read16(b, p, true);
        if (length < 2) return Walk::NotRotatable;
        if (!fits(p, length, b.size())) return Walk::Truncated;
        const Bytes body = b.subspan(p + 2, length - 2);
        p += length;

        if (marker == 0xC0) {
            // P, Y, X, Nf, then Nf times (C, H<<4|V, Tq).
            if (frameOk || body.size() != 6 + 3 * 3) return Walk::NotRotatable;
            const std::uint16_t height = read16(body, 1, true);
            const std::uint16_t width = read16(body, 3, true);
            if (body[0] != 8 || height == 0 || width == 0 || body[5] != 3) return Walk::NotRotatable;
            if (body[7] != 0x22 || body[10] != 0x11 || body[13] != 0x11) return Walk::NotRotatable;
            frameOk = true;
        } else if (marker == 0xC4) {
            if (!typicalTables(body, tablesSeen)) return Walk::NotRotatable;
        } else if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4) {
            return Walk::NotRotatable;  // other frame types and arithmetic coding conditions
        } else if (marker == 0xDA) {
            // Ns, then Ns times (C, Td<<4|Ta), Ss, Se, Ah<<4|Al: one interleaved
            // scan over the three components, with tables 0 and 1 only.
            if (!frameOk || tablesSeen != 0x0F || body.size() != 1 + 2 * 3 + 3 || body[0] != 3)
                return Walk::NotRotatable;
            for (std::size_t i = 0; i < 3; ++i)
                if ((body[2 + 2 * i] & 0xEE) != 0) return Walk::NotRotatable;
            return Walk::Rotatable;
        }
        // APPn, DQT, DRI, COM and the rest are skipped by their length.
    }
}

}  // namespace

std::uint8_t orientationFromHead(Bytes head) {
    // The Exif tag wins over the maker block: the Exif tag is the one that other
    // picture software keeps up to date when it turns a picture, while the maker
    // block is the camera's own copy and may be stale. A camera's own files
    // carry the same code in both.
    if (const auto code = exifCode(head)) return *code;
    if (const auto code = makerCode(head)) return *code;
    return 0;
}

bool isRotatable(Bytes jpeg) { return walkMarkers(jpeg) == Walk::Rotatable; }

std::uint8_t readOrientationFile(const std::string& path) {
    try {
        const auto head = readHead(path);
        if (!head || head->empty()) return 0;
        const std::uint8_t code = orientationFromHead(*head);
        if (code > 3) return code;
        // The markers up to the scan usually lie in the head; only when they run
        // past it is the whole file read.
        Walk walk = walkMarkers(*head);
        if (walk == Walk::Truncated && head->size() == kHeadBytes) {
            const auto whole = platform::readFile(path);
            walk = whole ? walkMarkers(*whole) : Walk::NotRotatable;
        }
        return walk == Walk::Rotatable ? code : kLeaveAlone;
    } catch (...) {
        return kLeaveAlone;
    }
}

}  // namespace lumbrel::media
