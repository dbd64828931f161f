#pragma once
// The three-byte check stamp that tells whether a page was changed by someone
// else since this program wrote it. The stamp field is bytes 20..22 of the
// page (inside the comment "<!--0   -->" of the common head): byte 20 is '1'
// on a stamped page, byte 21 the 8-bit XOR and byte 22 the 8-bit sum of all
// bytes of the page, taken with the three field bytes set to spaces.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lumbrel::web {

inline constexpr std::size_t kStampOffset = 20;
inline constexpr std::size_t kStampLength = 3;
/// Where a page's body starts: just past the stamp comment of the common head.
/// Edits search for their marks from here on.
inline constexpr std::size_t kBodyStart = 30;
inline constexpr std::uint8_t kStampMark = 0x31;  ///< '1' at offset 20 of a stamped page

struct StampValue {
    std::uint8_t xorValue = 0;
    std::uint8_t sum = 0;
    bool operator==(const StampValue&) const = default;
};

/// XOR and sum over page with the stamp field counted as three spaces;
/// nullopt when the page is too short to hold the field.
std::optional<StampValue> computeStamp(std::span<const std::uint8_t> page);

/// Fills the stamp field of page in memory; false when the page is too short.
bool applyStamp(std::span<std::uint8_t> page);

/// True only when the field holds the mark, the XOR and the sum of the page.
bool isStampIntact(std::span<const std::uint8_t> page);

enum class StampCheck {
    Intact,      ///< stamped and unchanged since
    Altered,     ///< never stamped, or changed after stamping
    Unreadable,  ///< missing, unreadable or too short to hold the field
};

/// Reads the file at path and checks its stamp.
StampCheck checkFileStamp(const std::string& path);

/// Stamps the file at path in place: makes it writable, rewrites it whole with
/// the stamp filled in and makes it read-only again. On failure the file is
/// left read-only with its old contents.
bool stampFile(const std::string& path);

}  // namespace lumbrel::web
