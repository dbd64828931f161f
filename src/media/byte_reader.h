#pragma once
// Bounds and byte-order helpers for the readers of picture metadata (Exif's
// TIFF structures come in both byte orders; the maker block is big-endian).

#include <cstddef>
#include <cstdint>
#include <span>

namespace lumbrel::media {

/// True when count bytes from pos lie inside a buffer of size bytes (no overflow).
inline bool fits(std::size_t pos, std::size_t count, std::size_t size) {
    return pos <= size && count <= size - pos;
}

/// 16 and 32-bit values at pos; the caller has checked fits(pos, 2 or 4, b.size()).
inline std::uint16_t read16(std::span<const std::uint8_t> b, std::size_t pos, bool bigEndian) {
    return bigEndian ? static_cast<std::uint16_t>(b[pos] << 8 | b[pos + 1])
                     : static_cast<std::uint16_t>(b[pos + 1] << 8 | b[pos]);
}

inline std::uint32_t read32(std::span<const std::uint8_t> b, std::size_t pos, bool bigEndian) {
    const std::uint32_t hi = read16(b, pos, bigEndian);
    const std::uint32_t lo = read16(b, pos + 2, bigEndian);
    return bigEndian ? (hi << 16 | lo) : (lo << 16 | hi);
}

}  // namespace lumbrel::media
