#include "media/jpeg_date.h"

#include "media/byte_reader.h"
#include "platform/files.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace lumbrel::media {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kDateTextLength = 19;  // "YYYY:MM:DD HH:MM:SS"
constexpr std::uint16_t kTagExifIfd = 0x8769;
constexpr std::uint16_t kTagDateTimeOriginal = 0x9003;
// An Exif pointer may point back at an IFD already seen; the walk follows at
// most this many pointers before it gives up.
constexpr int kMaxIfdJumps = 4;

// A TIFF header at p (4 bytes must be available): 1 big-endian, 0 little-endian, -1 none.
int tiffOrderAt(Bytes b, std::size_t p) {
    if (b[p] == 'M' && b[p + 1] == 'M' && b[p + 2] == 0x00 && b[p + 3] == 0x2A) return 1;
    if (b[p] == 'I' && b[p + 1] == 'I' && b[p + 2] == 0x2A && b[p + 3] == 0x00) return 0;
    return -1;
}

// First bytes of a TIFF header ("MM", "II") or of the maker block (FF E1).
constexpr auto kCanStart = [] {
    std::array<bool, 256> table{};
    table['M'] = table['I'] = table[0xFF] = true;
    return table;
}();

bool between(const char* s, std::size_t n, const char* low, const char* high) {
    const std::string_view part(s, n);
    return part >= std::string_view(low, n) && part <= std::string_view(high, n);
}

// Turns the text at pos into the 14 digits and validates each part by string
// comparison. Every digit must be an ASCII digit: a comparison alone would let
// "1a80" through as a year.
std::optional<std::string> dateFromText(Bytes b, std::size_t pos) {
    if (!fits(pos, kDateTextLength, b.size())) return std::nullopt;
    char digits[14];
    std::size_t n = 0;
    for (std::size_t i = 0; i < kDateTextLength; ++i) {
        if (i == 4 || i == 7 || i == 10 || i == 13 || i == 16) continue;  // separators
        const std::uint8_t c = b[pos + i];
        if (c < '0' || c > '9') return std::nullopt;
        digits[n++] = static_cast<char>(c);
    }
    if (!between(digits, 4, "1980", "9999") || !between(digits + 4, 2, "01", "12") ||
        !between(digits + 6, 2, "01", "31") || !between(digits + 8, 2, "00", "23") ||
        !between(digits + 10, 2, "00", "59") || !between(digits + 12, 2, "00", "59"))
        return std::nullopt;
    return std::string(digits, 14);
}

// The IFD walk from a TIFF header at p: IFD0, then the Exif IFD through tag
// 0x8769, until tag 0x9003. Offsets are relative to the header. An entry is
// read only when all its 12 bytes lie in the buffer.
std::optional<std::string> dateFromTiff(Bytes b, std::size_t p, bool bigEndian) {
    std::size_t ifd = p + read32(b, p + 4, bigEndian);  // p < size, a 32-bit value cannot overflow
    for (int jumps = 0; jumps <= kMaxIfdJumps; ++jumps) {
        if (!fits(ifd, 2, b.size())) return std::nullopt;
        const std::size_t count = read16(b, ifd, bigEndian);
        bool jumped = false;
        for (std::size_t i = 0; i < count && !jumped; ++i) {
            const std::size_t entry = ifd + 2 + 12 * i;
            if (!fits(entry, 12, b.size())) return std::nullopt;
            const std::uint16_t tag = read16(b, entry, bigEndian);
            const std::size_t value = read32(b, entry + 8, bigEndian);
            if (tag == kTagDateTimeOriginal) return dateFromText(b, p + value);
            if (tag == kTagExifIfd) {
                ifd = p + value;
                jumped = true;
            }
        }
        if (!jumped) return std::nullopt;
    }
    return std::nullopt;
}

// The date item of the maker block: in the data of entry 1, the zero-terminated
// item that begins with 0x03 holds the date text right after that byte.
std::optional<std::string> dateFromMakerBlock(Bytes b, std::size_t block) {
    const MakerEntry entry = findMakerEntry(b, block, kMakerDateTag);
    if (entry.status != MakerEntry::Status::Found) return std::nullopt;
    const std::size_t end = entry.offset + entry.size;
    std::size_t item = entry.offset;
    while (item < end) {
        if (b[item] == 0x03) {
            if (!fits(item + 1, kDateTextLength, end)) return std::nullopt;
            return dateFromText(b, item + 1);
        }
        while (item < end && b[item] != 0) ++item;  // to the terminator
        ++item;                                        // past it
    }
    return std::nullopt;
}

}  // namespace

bool isMakerBlockAt(Bytes bytes, std::size_t pos) {
    static constexpr std::uint8_t kSignature[] = {'K', 'D', 'C', 'I', 0};
    if (!fits(pos, 9, bytes.size())) return false;
    if (bytes[pos] != 0xFF || bytes[pos + 1] != 0xE1) return false;
    for (std::size_t i = 0; i < sizeof kSignature; ++i)
        if (bytes[pos + 4 + i] != kSignature[i]) return false;
    return true;
}

MakerEntry findMakerEntry(Bytes bytes, std::size_t blockStart, std::uint16_t tag) {
    MakerEntry result;
    if (!isMakerBlockAt(bytes, blockStart)) {
        result.status = MakerEntry::Status::Damaged;
        return result;
    }
    // The block ends where its segment ends (2 marker bytes + the length), or
    // where the bytes end when the segment runs past them (a file's head).
    const std::size_t segmentLength = read16(bytes, blockStart + 2, true);
    const std::size_t blockEnd = std::min(bytes.size() - blockStart, 2 + segmentLength);
    const Bytes block = bytes.subspan(blockStart, blockEnd);
    if (block.size() < 16) {
        result.status = MakerEntry::Status::Damaged;
        return result;
    }
    const std::size_t count = read16(block, 14, true);
    const std::size_t directoryEnd = 16 + 16 * count;  // at most 16 + 16 * 65535
    if (directoryEnd > block.size()) {
        result.status = MakerEntry::Status::Damaged;
        return result;
    }
    std::size_t data = directoryEnd;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = 16 + 16 * i;
        const std::size_t size = read16(block, entry + 2, true);
        if (read16(block, entry, true) == tag) {
            if (!fits(data, size, block.size())) {
                result.status = MakerEntry::Status::Damaged;
                return result;
            }
            result.status = MakerEntry::Status::Found;
            result.offset = blockStart + data;
            result.size = size;
            return result;
        }
        data += size;  // at most 65535 * 65535 past the directory: no overflow
    }
    return result;
}

std::optional<std::vector<std::uint8_t>> readHead(const std::string& path) {
    return platform::readFile(path, kHeadBytes);
}

std::optional<std::string> readRecordingDate(Bytes head) {
    try {
        // Linear scan for whichever comes first: a TIFF header or the maker block.
        // Both need at least 9 bytes from p.
        for (std::size_t p = 0; p + 8 < head.size(); ++p) {
            if (!kCanStart[head[p]]) continue;
            const int order = tiffOrderAt(head, p);
            if (order >= 0) return dateFromTiff(head, p, order == 1);
            if (isMakerBlockAt(head, p)) return dateFromMakerBlock(head, p);
        }
    } catch (...) {
    }
    return std::nullopt;
}

std::optional<std::string> readRecordingDateFile(const std::string& path) {
    // Camera pictures carry their date in the first few kilobytes: read those
    // first, and the whole head only when they give no date. A date found in the
    // short head is the one the whole head gives, since the first block found
    // decides and its walk only gets more room in the longer head.
    std::array<std::uint8_t, 8192> quick;
    const auto got = platform::readFileStart(path, quick);
    if (!got) return std::nullopt;
    if (auto date = readRecordingDate(Bytes(quick.data(), *got))) return date;
    if (*got < quick.size()) return std::nullopt;  // that was the whole file
    const auto head = readHead(path);
    return head ? readRecordingDate(*head) : std::nullopt;
}

}  // namespace lumbrel::media
