#include "platform/shell_link.h"

#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::platform {
namespace {

using Bytes = std::span<const std::uint8_t>;

// Windows shell link binary format: a fixed 76-byte header that starts with its
// own size and the shell link class identifier.
constexpr std::size_t kHeaderSize = 0x4C;
constexpr std::array<std::uint8_t, 16> kLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::size_t kLinkFlagsOffset = 20;
constexpr std::uint32_t kHasLinkTargetIdList = 1u << 0;
constexpr std::uint32_t kHasLinkInfo = 1u << 1;

// LinkInfo: a header of 0x1C bytes, or at least 0x24 when the two Unicode
// offsets follow it.
constexpr std::uint32_t kLinkInfoHeaderAnsi = 0x1C;
constexpr std::uint32_t kLinkInfoHeaderUnicode = 0x24;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 1u << 0;

// Shell links are small; the LinkInfo block sits right after the header and the
// item list (at most 64 KiB), so the front of a larger file is enough.
constexpr std::size_t kMaxLinkFileBytes = 1u << 20;

// Callers check that offset + 2 (or + 4) lies inside data.
std::uint16_t readU16(Bytes data, std::size_t offset) {
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}
std::uint32_t readU32(Bytes data, std::size_t offset) {
    return static_cast<std::uint32_t>(data[offset]) | (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data[offset + 3]) << 24);
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Windows-1252 bytes 0x80-0x9F; 0 marks the five bytes the code page leaves
// undefined. 0xA0-0xFF equal their Latin-1 code points.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// A NUL-terminated code-page string at offset in block, converted to UTF-8.
// The terminator must lie inside block.
std::optional<std::string> readAnsiString(Bytes block, std::size_t offset) {
    std::string out;
    for (std::size_t i = offset; i < block.size(); ++i) {
        const std::uint8_t b = block[i];
        if (b == 0) return out;
        if (b < 0x80) {
            out += static_cast<char>(b);
        } else if (b < 0xA0) {
            const char16_t cp = kCp1252High[b - 0x80];
            if (cp == 0) return std::nullopt;
            appendUtf8(out, cp);
        } else {
            appendUtf8(out, b);
        }
    }
    return std::nullopt;  // no terminator inside the block
}

// A NUL-terminated UTF-16LE string at offset in block, converted to UTF-8.
// Unpaired surrogates and a missing terminator give nullopt.
std::optional<std::string> readUtf16String(Bytes block, std::size_t offset) {
    std::string out;
    std::size_t i = offset;
    while (i <= block.size() && block.size() - i >= 2) {
        const char16_t unit = readU16(block, i);
        i += 2;
        if (unit == 0) return out;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return std::nullopt;  // low surrogate first
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (block.size() - i < 2) return std::nullopt;
            const char16_t low = readU16(block, i);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            i += 2;
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00));
        } else {
            appendUtf8(out, unit);
        }
    }
    return std::nullopt;
}

// A string offset inside LinkInfo must point past the LinkInfo header and
// before the end of the block.
bool validStringOffset(std::uint32_t offset, std::uint32_t headerSize, Bytes info) {
    return offset >= headerSize && offset < info.size();
}

std::optional<std::string> parseShellLink(Bytes bytes) {
    if (bytes.size() < kHeaderSize) return std::nullopt;
    if (readU32(bytes, 0) != kHeaderSize) return std::nullopt;
    for (std::size_t i = 0; i < kLinkClsid.size(); ++i)
        if (bytes[4 + i] != kLinkClsid[i]) return std::nullopt;
    const std::uint32_t flags = readU32(bytes, kLinkFlagsOffset);

    std::size_t pos = kHeaderSize;
    if (flags & kHasLinkTargetIdList) {
        if (bytes.size() - pos < 2) return std::nullopt;
        const std::size_t idListSize = readU16(bytes, pos);
        pos += 2;
        if (bytes.size() - pos < idListSize) return std::nullopt;
        pos += idListSize;
    }
    if (!(flags & kHasLinkInfo)) return std::nullopt;

    // LinkInfo: its size and header size must fit the buffer and each other.
    if (bytes.size() - pos < kLinkInfoHeaderAnsi) return std::nullopt;
    const std::uint32_t infoSize = readU32(bytes, pos);
    const std::uint32_t headerSize = readU32(bytes, pos + 4);
    if (infoSize > bytes.size() - pos) return std::nullopt;
    if (headerSize != kLinkInfoHeaderAnsi && headerSize < kLinkInfoHeaderUnicode) return std::nullopt;
    if (headerSize > infoSize) return std::nullopt;
    const Bytes info = bytes.subspan(pos, infoSize);

    // LinkInfoFlags at 0x08, LocalBasePathOffset at 0x10, CommonPathSuffixOffset at 0x18.
    const std::uint32_t infoFlags = readU32(info, 0x08);
    if (!(infoFlags & kVolumeIdAndLocalBasePath)) return std::nullopt;
    const std::uint32_t localOffset = readU32(info, 0x10);
    const std::uint32_t suffixOffset = readU32(info, 0x18);
    std::uint32_t localOffsetUnicode = 0;
    std::uint32_t suffixOffsetUnicode = 0;
    if (headerSize >= kLinkInfoHeaderUnicode) {
        localOffsetUnicode = readU32(info, 0x1C);
        suffixOffsetUnicode = readU32(info, 0x20);
    }

    // Each Unicode form replaces its code-page form when its offset is set.
    std::optional<std::string> local;
    if (localOffsetUnicode != 0) {
        if (!validStringOffset(localOffsetUnicode, headerSize, info)) return std::nullopt;
        local = readUtf16String(info, localOffsetUnicode);
    } else {
        if (!validStringOffset(localOffset, headerSize, info)) return std::nullopt;
        local = readAnsiString(info, localOffset);
    }
    if (!local || local->empty()) return std::nullopt;

    std::optional<std::string> suffix = std::string();
    if (suffixOffsetUnicode != 0) {
        if (!validStringOffset(suffixOffsetUnicode, headerSize, info)) return std::nullopt;
        suffix = readUtf16String(info, suffixOffsetUnicode);
    } else if (suffixOffset != 0) {
        if (!validStringOffset(suffixOffset, headerSize, info)) return std::nullopt;
        suffix = readAnsiString(info, suffixOffset);
    }
    if (!suffix) return std::nullopt;

    std::string target = *local + *suffix;
    for (char& c : target)
        if (c == '\\') c = '/';
    return target;
}

bool existsFollowingLinks(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::optional<std::string> shellLinkTarget(std::span<const std::uint8_t> bytes) {
    try {
        return parseShellLink(bytes);
    } catch (...) {  // only allocation can fail
        return std::nullopt;
    }
}

std::optional<std::string> resolveLink(const std::string& path) {
    try {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
        if (endsWithNoCase(lastComponent(path), ".lnk")) {
            const auto data = readFile(path, kMaxLinkFileBytes);
            if (const auto target = data ? parseShellLink(*data) : std::nullopt) {
                // Only an absolute Linux path can name something here; a drive path never does.
                if (target->front() == '/' && existsFollowingLinks(*target)) return target;
                return std::nullopt;
            }
            // Not a shell link: a symbolic link that merely has this name is still followed.
        }
        if (S_ISLNK(st.st_mode)) return canonicalPath(path);  // nullopt when the link dangles
        return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace lumbrel::platform
