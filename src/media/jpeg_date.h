#pragma once
// The recording date of a camera JPEG, read from the head of the file: the
// Exif DateTimeOriginal (tag 0x9003 in the Exif IFD) or the date item of the
// camera maker's "KDCI" APP1 block, whichever a linear scan meets first.
//
// Also the lookup in the maker block's directory, which the orientation
// reader and the upright patch share.
//
// Every reader here takes the bytes as a span, never reads outside it, and
// reports failure by its result; none throws.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumbrel::media {

/// Only the head of a file is read for date and orientation: both blocks lie
/// at the start of camera JPEG files.
inline constexpr std::size_t kHeadBytes = 65536;

/// The head of a file: its first min(size, 65536) bytes; nullopt when it cannot be read.
std::optional<std::vector<std::uint8_t>> readHead(const std::string& path);

/// The recording date as 14 ASCII digits YYYYMMDDHHMMSS, or nullopt (no date, out of range, damaged).
std::optional<std::string> readRecordingDate(std::span<const std::uint8_t> head);
std::optional<std::string> readRecordingDateFile(const std::string& path);

// ---- The maker block ------------------------------------------------------
// APP1 segment: FF E1, 16-bit big-endian length, "KDCI", 0. Block offsets count
// from the FF: big-endian entry count at 14, 16-byte directory entries from 16
// (tag at +0, data size at +2, both big-endian), then the data areas in entry order.

inline constexpr std::uint16_t kMakerDateTag = 1;
inline constexpr std::uint16_t kMakerOrientationTag = 16;

/// True when a maker block starts at pos (FF E1, two length bytes, "KDCI\0").
bool isMakerBlockAt(std::span<const std::uint8_t> bytes, std::size_t pos);

struct MakerEntry {
    enum class Status { Found, Absent, Damaged };
    Status status = Status::Absent;
    std::size_t offset = 0;  ///< start of the entry's data, counted in bytes
    std::size_t size = 0;    ///< its data size
};

/// The data area of the first entry with the given tag of the maker block at
/// blockStart (isMakerBlockAt must hold). The directory and every data area up
/// to the one found must lie within both bytes and the APP1 segment; otherwise
/// the block is Damaged.
MakerEntry findMakerEntry(std::span<const std::uint8_t> bytes, std::size_t blockStart, std::uint16_t tag);

}  // namespace lumbrel::media
