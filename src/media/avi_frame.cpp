#include "media/avi_frame.h"

#include "media/standard_tables.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lumbrel::media {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

/// Position of the first occurrence of pattern in data at or after from.
std::size_t find(Bytes data, std::size_t from, Bytes pattern) {
    if (from >= data.size()) return kNotFound;
    const auto it = std::search(data.begin() + static_cast<std::ptrdiff_t>(from), data.end(), pattern.begin(),
                                pattern.end());
    return it == data.end() ? kNotFound : static_cast<std::size_t>(it - data.begin());
}

bool hasAt(Bytes data, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return at <= data.size() && n <= data.size() - at && std::memcmp(data.data() + at, text, n) == 0;
}

Bytes bytesOf(const char* text) {
    return {reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)};
}

// "strf" chunk: 4 bytes id, 4 bytes size, then the BITMAPINFOHEADER, whose
// biCompression field is at +16.
constexpr std::size_t kCompressionOffset = 8 + 16;
// Frame start: SOI, APP0 marker, 2 length bytes, then the identifier "AVI1\0".
constexpr std::size_t kIdentifierOffset = 6;
constexpr std::size_t kIdentifierSize = 5;

// True when the segments from the start of header up to the start of scan
// (walked by their lengths) include a DHT segment.
bool hasHuffmanTables(Bytes header) {
    std::size_t p = 0;
    while (p + 4 <= header.size() && header[p] == 0xFF) {
        const std::uint8_t marker = header[p + 1];
        if (marker == 0xC4) return true;
        if (marker == 0xDA || marker == 0xD9) return false;
        if (marker == 0xFF) {  // a fill byte
            ++p;
            continue;
        }
        const std::size_t length = (std::size_t{header[p + 2]} << 8) | header[p + 3];
        if (length < 2) return false;
        p += 2 + length;
    }
    return false;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> extractFirstFrame(std::span<const std::uint8_t> avi) {
    if (!hasAt(avi, 0, "RIFF") || !hasAt(avi, 8, "AVI LIST")) return std::nullopt;

    const std::size_t strf = find(avi, 16, bytesOf("strf"));
    if (strf == kNotFound || !hasAt(avi, strf + kCompressionOffset, "MJPG")) return std::nullopt;

    const std::size_t movi = find(avi, strf + 4, bytesOf("movi"));
    if (movi == kNotFound) return std::nullopt;

    // The first SOI + APP0 whose identifier is "AVI1\0" (the Motion-JPEG APP0)
    // or "JFIF\0" (frames written as complete pictures, as many programs do).
    static constexpr std::array<std::uint8_t, 4> kFrameStart = {0xFF, 0xD8, 0xFF, 0xE0};
    std::size_t frame = movi + 4;
    for (;;) {
        frame = find(avi, frame, kFrameStart);
        if (frame == kNotFound) return std::nullopt;
        if ((hasAt(avi, frame + kIdentifierOffset, "AVI1") || hasAt(avi, frame + kIdentifierOffset, "JFIF")) &&
            frame + kIdentifierOffset + 4 < avi.size() && avi[frame + kIdentifierOffset + 4] == 0)
            break;
        ++frame;
    }

    // The APP0 segment by its length (which counts the two length bytes). The usual
    // AVI1 segment is 16 bytes long, so SOI + APP0 are the frame's first 20 bytes;
    // when it is not, the Huffman tables still go right after the segment.
    const std::size_t appLength = (std::size_t{avi[frame + 4]} << 8) | avi[frame + 5];
    if (appLength < 2 + kIdentifierSize || appLength > avi.size() - (frame + 4)) return std::nullopt;
    const std::size_t appEnd = frame + 4 + appLength;

    // Scan on for FF C0 (baseline frame header) and FF D9 (end of image).
    bool baseline = false;
    std::size_t end = kNotFound;
    for (std::size_t i = appEnd; i + 1 < avi.size(); ++i) {
        if (avi[i] != 0xFF) continue;
        if (avi[i + 1] == 0xC0) baseline = true;
        if (avi[i + 1] == 0xD9) {
            end = i + 2;
            break;
        }
    }
    if (end == kNotFound || !baseline) return std::nullopt;

    // A frame with Huffman tables of its own keeps them; only one without
    // gets the typical tables.
    const Bytes dht = hasHuffmanTables(avi.subspan(appEnd, end - appEnd)) ? Bytes{} : standardDhtSegment();
    try {
        std::vector<std::uint8_t> out;
        out.reserve(end - frame + dht.size());
        out.insert(out.end(), avi.begin() + static_cast<std::ptrdiff_t>(frame),
                   avi.begin() + static_cast<std::ptrdiff_t>(appEnd));
        std::memcpy(out.data() + kIdentifierOffset, "JFIF", kIdentifierSize);  // with its zero byte
        out.insert(out.end(), dht.begin(), dht.end());
        out.insert(out.end(), avi.begin() + static_cast<std::ptrdiff_t>(appEnd),
                   avi.begin() + static_cast<std::ptrdiff_t>(end));
        return out;
    } catch (...) {
        return std::nullopt;  // no memory for the frame
    }
}

}  // namespace lumbrel::media
