#include "plugin/image_info.h"

#include "media/byte_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumbrel::plugin {

namespace {

using Bytes = std::span<const std::uint8_t>;
using media::fits;
using media::read16;
using media::read32;

static_assert(sizeof(std::size_t) >= 8, "file offsets are held in size_t");

// Text fields (model name) are cut at this many bytes.
constexpr std::size_t kMaxText = 256;
// Directory pointers (Exif IFD, MakerNote) may point back at a directory
// already walked; the walk follows at most this many.
constexpr int kMaxDirectories = 8;

// ---- Random access to the file's bytes ----------------------------------------

// The bytes of one file for the segment decoders: either all of them in memory,
// or the head in memory and the rest read on demand.
class Source {
public:
    explicit Source(Bytes all) : head_(all), size_(all.size()) {}
    Source(Bytes head, int fd, std::size_t size) : head_(head), fd_(fd), size_(size) {}

    std::size_t size() const { return size_; }

    // Copies out.size() bytes from pos; false when they do not all lie in the file.
    bool read(std::size_t pos, std::span<std::uint8_t> out) const {
        if (!fits(pos, out.size(), size_)) return false;
        if (out.empty()) return true;
        if (fits(pos, out.size(), head_.size())) {
            std::memcpy(out.data(), head_.data() + pos, out.size());
            return true;
        }
        if (fd_ < 0) return false;
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(pos + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    Bytes head_;
    int fd_ = -1;
    std::size_t size_;
};

// ---- Nominal tables -----------------------------------------------------------

struct Fraction {
    std::uint32_t num, den;
};

// Exposure times for the whole APEX values Tv = -5 .. 20 (t = 2^-Tv, rounded
// to the usual marked series).
constexpr Fraction kNominalShutter[] = {
    {30, 1},   {15, 1},    {8, 1},      {4, 1},      {2, 1},      {1, 1},       {1, 2},
    {1, 4},    {1, 8},     {1, 15},     {1, 30},     {1, 60},     {1, 125},     {1, 250},
    {1, 500},  {1, 1000},  {1, 2000},   {1, 4000},   {1, 8000},   {1, 16000},   {1, 32000},
    {1, 64000}, {1, 128000}, {1, 256000}, {1, 512000}, {1, 1000000}};
constexpr int kNominalShutterFirstTv = -5;

// F-numbers in tenths for the whole APEX values Av = 0 .. 12 (f = sqrt(2)^Av, marked series).
constexpr std::uint16_t kNominalApertureTenths[] = {10, 14, 20, 28, 40, 56, 80, 110, 160, 220, 320, 450, 640};

// Exposure bias of the maker segment's index 1 .. 25 in hundredths of EV:
// thirds of a stop from -4 to +4.
constexpr std::int16_t kMakerBiasHundredths[] = {-400, -367, -333, -300, -267, -233, -200, -167, -133,
                                                 -100, -67,  -33,  0,    33,   67,   100,  133,  167,
                                                 200,  233,  267,  300,  333,  367,  400};

// Exif Orientation (low four bits) to the codes of the picture readers:
// 1 upright, 3 half turn, 6 and 8 quarter turns; mirrored and unknown values
// are left alone.
constexpr auto kOrientationCodes = [] {
    std::array<std::uint8_t, 16> table{};
    table.fill(255);
    table[1] = 0;
    table[3] = 2;
    table[6] = 3;
    table[8] = 1;
    return table;
}();

void setShutter(ImageInfo& info, Fraction f) {
    info.shutterNum = f.num;
    info.shutterDen = f.den;
}

// Shutter time from an APEX shutter speed value num/den.
void shutterFromApex(ImageInfo& info, std::int32_t num, std::int32_t den) {
    if (den == 0) return;
    const std::int64_t n64 = num, d64 = den;
    if (n64 % d64 == 0) {
        const std::int64_t tv = n64 / d64;
        if (tv >= kNominalShutterFirstTv && tv < kNominalShutterFirstTv + std::ssize(kNominalShutter)) {
            setShutter(info, kNominalShutter[tv - kNominalShutterFirstTv]);
            return;
        }
    }
    // 1/2^v seconds as 100/n (v >= 0) or n/100 (v < 0), n in hundredths.
    const double v = static_cast<double>(n64) / static_cast<double>(d64);
    const double n = std::trunc((std::exp2(std::fabs(v)) * 1000 + 5) / 10);
    if (!(n <= std::numeric_limits<std::uint32_t>::max())) return;
    const auto hundredths = static_cast<std::uint32_t>(n);
    setShutter(info, v >= 0 ? Fraction{100, hundredths} : Fraction{hundredths, 100});
}

// F-number in tenths from an APEX aperture value num/den.
void apertureFromApex(ImageInfo& info, std::uint32_t num, std::uint32_t den) {
    if (den == 0) return;
    if (num % den == 0 && num / den < std::size(kNominalApertureTenths)) {
        info.apertureNum = kNominalApertureTenths[num / den];
    } else {
        const double hundredths = std::trunc(std::pow(1.41421356, static_cast<double>(num) / den) * 100 + 5);
        if (!(hundredths <= std::numeric_limits<std::uint32_t>::max())) return;
        info.apertureNum = static_cast<std::uint32_t>(hundredths) / 10;
    }
    info.apertureDen = 10;
}

// "YYYY:MM:DD hh:mm:ss" to the 14 digits; empty unless all of them are digits.
std::string dateDigits(Bytes text) {
    if (text.size() < 19) return {};
    std::string digits;
    for (std::size_t i = 0; i < 19; ++i) {
        if (i == 4 || i == 7 || i == 10 || i == 13 || i == 16) continue;  // separators
        if (text[i] < '0' || text[i] > '9') return {};
        digits.push_back(static_cast<char>(text[i]));
    }
    return digits;
}

// Text up to its first zero byte.
std::string textOf(Bytes bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return std::string(bytes.begin(), end);
}

// ---- Exif -----------------------------------------------------------------------

enum : std::uint16_t {
    kTagMake = 271,
    kTagModel = 272,
    kTagOrientation = 274,
    kTagExposureTime = 33434,
    kTagFNumber = 33437,
    kTagExifPointer = 34665,
    kTagExposureProgram = 34850,
    kTagDateTimeOriginal = 36867,
    kTagShutterSpeedValue = 37377,
    kTagApertureValue = 37378,
    kTagExposureBiasValue = 37380,
    kTagMeteringMode = 37383,
    kTagFlash = 37385,
    kTagMakerNote = 37500,
};

void makerTag(MakerSettings& m, std::uint16_t tag, Bytes entry, bool big) {
    const std::uint16_t v = read16(entry, 8, big);
    switch (tag) {
        case 1: m.recordingMode = v; break;
        case 2: m.quality = v; break;
        case 3: m.focusMode = v; break;
        case 4: m.flashMode = v; break;
        case 7: m.whiteBalance = v; break;
        case 10: m.digitalZoom = read32(entry, 8, big); break;
        case 11: m.sharpness = v; break;
        case 12: m.contrast = v; break;
        case 13: m.saturation = v; break;
        case 14: m.multipleExposure = v; break;
        case 20: m.iso = v; break;
        case 22: m.enhancement = v; break;
        case 23: m.filter = v; break;
        case 25: m.flashIntensity = v; break;
        case 27: {
            // Scene select: the first byte 1 or 2, or 3-5 with a second byte of 1 or 2.
            const std::uint8_t a = entry[8], b = entry[9];
            if (a == 1 || a == 2 || (a >= 3 && a <= 5 && (b == 1 || b == 2))) m.sceneSelect = {a, b, entry[10]};
            break;
        }
        case 28: m.exposureMode = v; break;
        case 29: m.driveMode = v; break;
        case 30: m.sceneNumber = v; break;
        default: break;
    }
}

// One forward walk from IFD0 (the TIFF header at base): a directory pointer
// (the Exif IFD, the maker's MakerNote) ends the current directory and the walk
// goes on in the one it points at.
void walkExif(const Source& src, std::size_t base, bool big, ImageInfo& info) {
    std::array<std::uint8_t, 12> e{};
    const Bytes entry(e);
    const auto rational = [&](std::size_t offset, auto& num, auto& den) {
        std::array<std::uint8_t, 8> r;
        if (!src.read(base + offset, r)) return false;
        num = static_cast<std::remove_reference_t<decltype(num)>>(read32(r, 0, big));
        den = static_cast<std::remove_reference_t<decltype(den)>>(read32(r, 4, big));
        return true;
    };
    // A text field: in the value field when it fits there, else at its offset.
    const auto text = [&](std::uint32_t count, std::uint32_t offset) -> std::string {
        if (count <= 4) return textOf(entry.subspan(8, count));
        std::array<std::uint8_t, kMaxText> t;
        const auto part = std::span(t).first(std::min<std::size_t>(count, kMaxText));
        return src.read(base + offset, part) ? textOf(part) : std::string();
    };

    if (!src.read(base + 4, std::span(e).first(4))) return;
    std::size_t ifd = base + read32(entry, 0, big);
    bool inMakerNote = false, exposureTimeRead = false, fNumberRead = false;
    for (int directories = 0; directories < kMaxDirectories; ++directories) {
        if (!src.read(ifd, std::span(e).first(2))) return;
        const std::size_t count = read16(entry, 0, big);
        std::optional<std::size_t> next;
        for (std::size_t i = 0; i < count && !next; ++i) {
            if (!src.read(ifd + 2 + 12 * i, e)) return;
            const std::uint16_t tag = read16(entry, 0, big);
            const std::uint32_t count32 = read32(entry, 4, big);
            const std::uint32_t value = read32(entry, 8, big);
            const std::uint16_t value16 = read16(entry, 8, big);
            switch (tag) {
                case kTagMake: {
                    static constexpr std::uint8_t kMakerName[] = {'O', 'r', 'r', 'i', 'n', 0};
                    std::array<std::uint8_t, 6> name;
                    if (count32 > 4 && src.read(base + value, name) &&
                        std::equal(name.begin(), name.end(), std::begin(kMakerName)))
                        info.makerData = true;
                    break;
                }
                case kTagModel: info.model = text(count32, value); break;
                case kTagOrientation: info.orientation = kOrientationCodes[value16 & 15]; break;
                case kTagExposureTime:
                    exposureTimeRead = rational(value, info.shutterNum, info.shutterDen) || exposureTimeRead;
                    break;
                case kTagFNumber: fNumberRead = rational(value, info.apertureNum, info.apertureDen) || fNumberRead; break;
                case kTagExposureBiasValue: rational(value, info.biasNum, info.biasDen); break;
                case kTagExposureProgram: info.exposureProgram = value16; break;
                case kTagMeteringMode: info.meteringMode = value16; break;
                case kTagFlash: info.flash = value16; break;
                case kTagDateTimeOriginal: {
                    std::array<std::uint8_t, 19> t;
                    if (src.read(base + value, t)) info.dateTime = dateDigits(t);
                    break;
                }
                case kTagShutterSpeedValue: {
                    std::int32_t num, den;
                    if (!exposureTimeRead && rational(value, num, den)) shutterFromApex(info, num, den);
                    break;
                }
                case kTagApertureValue: {
                    std::uint32_t num, den;
                    if (!fNumberRead && rational(value, num, den)) apertureFromApex(info, num, den);
                    break;
                }
                case kTagExifPointer: next = base + value; break;
                case kTagMakerNote:
                    if (info.makerData) {
                        next = base + value;
                        inMakerNote = true;
                    }
                    break;
                default:
                    if (inMakerNote) makerTag(info.maker, tag, entry, big);
                    break;
            }
        }
        if (!next) return;
        ifd = *next;
    }
}

// "Exif" at pos: taken when it opens the file's first segment, then two zero
// bytes and a TIFF header follow. Returns the end of the APP1 segment.
std::optional<std::size_t> readExif(const Source& src, std::size_t pos, ImageInfo& info) {
    std::array<std::uint8_t, 18> h;  // pos - 6 .. pos + 12
    if (pos < 6 || !src.read(pos - 6, h)) return std::nullopt;
    // SOI and the APP1 marker, then the segment's two length bytes, right before "Exif".
    if (h[0] != 0xFF || h[1] != 0xD8 || h[2] != 0xFF || h[3] != 0xE1) return std::nullopt;
    if (h[10] != 0 || h[11] != 0) return std::nullopt;
    bool big;
    if (h[12] == 'M' && h[13] == 'M' && h[14] == 0x00 && h[15] == 0x2A)
        big = true;
    else if (h[12] == 'I' && h[13] == 'I' && h[14] == 0x2A && h[15] == 0x00)
        big = false;
    else
        return std::nullopt;
    walkExif(src, pos + 6, big, info);
    return pos - 2 + read16(h, 4, true);
}

// ---- The maker segment ------------------------------------------------------------
// FF E1, length, "KDCI", a zero and five reserved bytes, the big-endian entry
// count, then 16-byte entries (record type at +0, record length at +2, both
// big-endian); the records follow the directory in entry order.

void readSettingsRecord(const std::array<std::uint8_t, 32>& s, ImageInfo& info) {
    MakerSettings& m = info.maker;
    m.quality = s[0];
    m.recordingMode = s[2];
    m.focusMode = s[3];
    m.flashMode = s[8];
    m.whiteBalance = s[10];
    m.digitalZoom = static_cast<std::uint32_t>(s[17] + 1) << 16;
    m.sharpness = s[18] & 3;
    m.contrast = (s[18] >> 2) & 3;
    m.saturation = (s[18] >> 4) & 3;
    m.multipleExposure = (s[18] >> 6) & 3;
    info.orientation = s[1] >> 4;
    static constexpr std::uint8_t kProgram[] = {0, 2, 3, 1};
    info.exposureProgram = kProgram[s[4] & 3];
    switch (s[4] >> 4) {
        case 0: info.meteringMode = 5; break;
        case 1: info.meteringMode = 2; break;
        case 8: info.meteringMode = 3; break;
        default: info.meteringMode = 0; break;
    }
    // Shutter index i stands for Tv = i - 5 (index 6 is not used by the cameras).
    if ((s[5] >= 1 && s[5] <= 5) || (s[5] >= 7 && s[5] <= 19))
        setShutter(info, kNominalShutter[s[5] - 5 - kNominalShutterFirstTv]);
    if (s[6] >= 1 && s[6] <= 13) {
        info.apertureNum = kNominalApertureTenths[s[6] - 1];
        info.apertureDen = 10;
    }
    if (s[7] >= 1 && s[7] <= 25) {
        info.biasNum = kMakerBiasHundredths[s[7] - 1];
        info.biasDen = 100;
    }
}

// Text records: a kind byte and a zero-terminated text each; 3 the date, 6 the model.
void readTextRecord(Bytes r, ImageInfo& info) {
    std::size_t p = 0;
    while (p < r.size()) {
        const std::uint8_t kind = r[p];
        const Bytes rest = r.subspan(p + 1);
        const std::size_t length = static_cast<std::size_t>(std::find(rest.begin(), rest.end(), 0) - rest.begin());
        if (kind == 3) info.dateTime = dateDigits(rest.first(length));
        if (kind == 6) info.model = textOf(rest.first(std::min(length, kMaxText)));
        p += 1 + length + 1;
    }
}

// "KDCI" at pos: taken when the APP1 marker and length stand right before it.
// Returns the end of the segment.
std::optional<std::size_t> readKdci(const Source& src, std::size_t pos, ImageInfo& info) {
    std::array<std::uint8_t, 16> h;  // FF E1, length, "KDCI", 6 bytes, count
    if (pos < 4 || !src.read(pos - 4, std::span(h).first(4))) return std::nullopt;
    if (h[0] != 0xFF || h[1] != 0xE1) return std::nullopt;
    const std::size_t end = pos - 2 + read16(h, 2, true);
    info.makerData = true;

    if (!src.read(pos - 4, std::span(h).first(16))) return end;
    const std::size_t count = read16(h, 14, true);
    const std::size_t directory = pos + 12;
    std::size_t record = directory + 16 * count;
    std::vector<std::uint8_t> text;
    for (std::size_t i = 0; i < count; ++i) {
        if (!src.read(directory + 16 * i, h)) break;
        const std::uint16_t type = read16(h, 0, true);
        const std::size_t length = read16(h, 2, true);
        if (type == 1 && record < src.size()) {
            // The part of the record that lies in the file.
            text.resize(std::min(length, src.size() - record));
            if (src.read(record, text)) readTextRecord(text, info);
        } else if (type == 16) {
            std::array<std::uint8_t, 32> settings;
            if (src.read(record, settings)) readSettingsRecord(settings, info);
        }
        record += length;
    }
    return end;
}

std::uint32_t kilobytes(std::uint64_t length) {
    return length == 0 ? 0 : static_cast<std::uint32_t>(std::min<std::uint64_t>((length - 1) / 1024 + 1, UINT32_MAX));
}

// ---- Reading the whole file in memory -----------------------------------------------

std::optional<std::size_t> find(Bytes b, std::string_view what) {
    const void* hit = ::memmem(b.data(), b.size(), what.data(), what.size());
    if (!hit) return std::nullopt;
    return static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - b.data());
}

// From pos to the end of image (FF D9): the size in the last baseline frame
// header (FF C0) met on the way. Without an end of image the size is unknown.
void scanSize(Bytes b, std::size_t pos, ImageInfo& info) {
    while (pos + 1 < b.size()) {
        const void* hit = std::memchr(b.data() + pos, 0xFF, b.size() - 1 - pos);
        if (!hit) break;
        pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - b.data());
        if (b[pos + 1] == 0xD9) return;
        if (b[pos + 1] == 0xC0 && fits(pos, 9, b.size())) {
            info.height = read16(b, pos + 5, true);
            info.width = read16(b, pos + 7, true);
            info.sizeFound = true;
            pos += 8;
        } else {
            ++pos;
        }
    }
    info.sizeFound = false;
    info.width = info.height = 0;
}

ImageInfo readWhole(Bytes b, std::uint64_t fileLength) {
    ImageInfo info;
    if (fileLength == 0) return info;
    // The decoders leave info untouched when they do not take their tag.
    const Source src(b);
    std::optional<std::size_t> end;
    if (const auto kdci = find(b, "KDCI")) end = readKdci(src, *kdci, info);
    if (!end)
        if (const auto exif = find(b, "Exif")) end = readExif(src, *exif, info);
    scanSize(b, end.value_or(0), info);
    info.fileSizeKB = kilobytes(fileLength);
    return info;
}

// ---- Reading the file in pieces ------------------------------------------------------
// The same result as readWhole over the whole file, in one forward pass with
// the head (first piece) kept for the segment decoders and later pieces in a
// window of fixed size.
//
// Everything readWhole looks at in a position-dependent way starts with one of
// four byte pairs: FF D9 and FF C0 (the size scan), "KD" (the first "KDCI") and
// "Ex" (the first "Exif"); every other position leaves the scan as it is. The
// pass visits these pairs in file order, so it meets the first "KDCI" and the
// first "Exif" of the file, in whatever piece they lie. The segment decoders
// read through a Source that falls back on pread beyond the head, so they see
// the bytes readWhole sees. A segment that decides the scan start restarts the
// scan at its end; that end lies at or after two bytes before the tag, and the
// bytes from there to the tag (length bytes below 2, the tag) hold no FF pair,
// so no pair the new scan must see was passed already. An "Exif" segment found
// first is replaced when a "KDCI" segment follows, as readWhole prefers it.
// A pair is handled only when the 9 bytes from it lie in the window (a frame
// header's size), except in the last window; the last 8 bytes of a window are
// carried into the next so that pairs across piece borders are seen.

constexpr std::size_t kCarry = 8;
constexpr std::size_t kMinChunk = 2 * kCarry;
// Pieces stay in the CPU's second-level cache and below the size from which
// the allocator maps fresh pages for every file.
constexpr std::size_t kDefaultChunk = 64 * 1024;

inline bool isPair(std::uint8_t a, std::uint8_t b) {
    return (a == 0xFF && (b == 0xD9 || b == 0xC0)) || (a == 'K' && b == 'D') || (a == 'E' && b == 'x');
}

// The first position p in [pos, limit) starting a pair; limit when none.
// b[limit] must be readable. The vector versions test 32 or 64 positions at a
// time: the pairs are rare in picture data, where most of the time goes.
std::size_t nextPairBytewise(const std::uint8_t* b, std::size_t pos, std::size_t limit) {
    for (; pos < limit; ++pos)
        if (isPair(b[pos], b[pos + 1])) return pos;
    return limit;
}

#if defined(__SSE2__)
// One bit per position of the 16 from p that starts a pair.
inline unsigned pairMask16(const std::uint8_t* p) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
    const auto is = [](__m128i v, std::uint8_t c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(c))); };
    const __m128i marker = _mm_and_si128(is(first, 0xFF), _mm_or_si128(is(second, 0xD9), is(second, 0xC0)));
    const __m128i tags = _mm_or_si128(_mm_and_si128(is(first, 'K'), is(second, 'D')),
                                      _mm_and_si128(is(first, 'E'), is(second, 'x')));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(marker, tags)));
}

std::size_t nextPairSse2(const std::uint8_t* b, std::size_t pos, std::size_t limit) {
    for (; pos + 32 <= limit; pos += 32) {
        const unsigned mask = pairMask16(b + pos) | pairMask16(b + pos + 16) << 16;
        if (mask) return pos + static_cast<std::size_t>(__builtin_ctz(mask));
    }
    return nextPairBytewise(b, pos, limit);
}
#endif

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline std::uint32_t pairMask32(const std::uint8_t* p) {
    const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
    const __m256i ff = _mm256_set1_epi8(static_cast<char>(0xFF)), d9 = _mm256_set1_epi8(static_cast<char>(0xD9)),
                  c0 = _mm256_set1_epi8(static_cast<char>(0xC0)), k = _mm256_set1_epi8('K'), d = _mm256_set1_epi8('D'),
                  e = _mm256_set1_epi8('E'), x = _mm256_set1_epi8('x');
    const __m256i marker = _mm256_and_si256(_mm256_cmpeq_epi8(first, ff),
                                            _mm256_or_si256(_mm256_cmpeq_epi8(second, d9), _mm256_cmpeq_epi8(second, c0)));
    const __m256i tags = _mm256_or_si256(_mm256_and_si256(_mm256_cmpeq_epi8(first, k), _mm256_cmpeq_epi8(second, d)),
                                         _mm256_and_si256(_mm256_cmpeq_epi8(first, e), _mm256_cmpeq_epi8(second, x)));
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(marker, tags)));
}

__attribute__((target("avx2"))) std::size_t nextPairAvx2(const std::uint8_t* b, std::size_t pos, std::size_t limit) {
    for (; pos + 64 <= limit; pos += 64) {
        const std::uint64_t mask = pairMask32(b + pos) | std::uint64_t{pairMask32(b + pos + 32)} << 32;
        if (mask) return pos + static_cast<std::size_t>(__builtin_ctzll(mask));
    }
    return nextPairSse2(b, pos, limit);
}
#endif

std::size_t nextPair(const std::uint8_t* b, std::size_t pos, std::size_t limit) {
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 ? nextPairAvx2(b, pos, limit) : nextPairSse2(b, pos, limit);
#elif defined(__SSE2__)
    return nextPairSse2(b, pos, limit);
#else
    return nextPairBytewise(b, pos, limit);
#endif
}

class PieceReader {
public:
    PieceReader(int fd, std::size_t length, std::size_t chunk) : fd_(fd), length_(length), chunk_(chunk) {}

    std::optional<ImageInfo> read() {
        std::vector<std::uint8_t> head(std::min(chunk_, length_));
        if (!fill(head)) return std::nullopt;
        const Source src(head, fd_, length_);
        std::vector<std::uint8_t> window(kCarry + chunk_);
        Bytes piece = head;
        std::size_t start = 0;  // file position of piece[0]
        for (;;) {
            const bool last = start + piece.size() >= length_;
            visit(src, piece, start, last);
            if (last || done()) break;
            std::memmove(window.data(), piece.data() + piece.size() - kCarry, kCarry);
            start += piece.size() - kCarry;
            const auto next = std::span(window).subspan(kCarry, std::min(chunk_, length_ - start - kCarry));
            if (!fill(next)) return std::nullopt;
            piece = std::span(window).first(kCarry + next.size());
        }
        if (!scanEnded_) info_.width = info_.height = 0, info_.sizeFound = false;
        info_.fileSizeKB = kilobytes(length_);
        return info_;
    }

private:
    bool fill(std::span<std::uint8_t> out) {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::read(fd_, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;  // an error, or the file got shorter
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool done() const { return kdciSeen_ && (kdciTaken_ || exifSeen_) && scanEnded_; }

    void restartScan(std::size_t from) {
        scanNext_ = from;
        scanEnded_ = false;
        info_.sizeFound = false;
        info_.width = info_.height = 0;
    }

    void visit(const Source& src, Bytes b, std::size_t start, bool last) {
        const std::size_t limit = last ? (b.empty() ? 0 : b.size() - 1) : b.size() - kCarry;
        for (std::size_t p = nextPair(b.data(), 0, limit); p < limit; p = nextPair(b.data(), p + 1, limit)) {
            const std::size_t at = start + p;
            if (b[p] == 0xFF) {
                if (scanEnded_ || at < scanNext_) continue;
                if (b[p + 1] == 0xD9) {
                    scanEnded_ = true;
                } else if (fits(p, 9, b.size())) {
                    info_.height = read16(b, p + 5, true);
                    info_.width = read16(b, p + 7, true);
                    info_.sizeFound = true;
                    scanNext_ = at + 8;
                }
            } else if (!fits(p, 4, b.size())) {
                continue;
            } else if (b[p] == 'K' && !kdciSeen_ && b[p + 2] == 'C' && b[p + 3] == 'I') {
                kdciSeen_ = true;
                ImageInfo kdci;
                if (const auto end = readKdci(src, at, kdci)) {
                    info_ = kdci;
                    kdciTaken_ = true;
                    restartScan(*end);
                }
            } else if (b[p] == 'E' && !exifSeen_ && b[p + 2] == 'i' && b[p + 3] == 'f') {
                exifSeen_ = true;
                if (kdciTaken_) continue;
                ImageInfo exif;
                if (const auto end = readExif(src, at, exif)) {
                    info_ = exif;
                    restartScan(*end);
                }
            }
        }
    }

    int fd_;
    std::size_t length_, chunk_;
    ImageInfo info_;
    bool kdciSeen_ = false, kdciTaken_ = false, exifSeen_ = false;
    std::size_t scanNext_ = 0;
    bool scanEnded_ = false;
};

}  // namespace

ImageInfo readImageInfo(std::span<const std::uint8_t> bytes, std::uint64_t fileLength) {
    try {
        return readWhole(bytes, fileLength);
    } catch (...) {
        return {};
    }
}

ImageInfo readImageInfo(const std::string& path, std::size_t chunkBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    ImageInfo info;
    try {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            PieceReader reader(fd, static_cast<std::size_t>(st.st_size), std::max(chunkBytes, kMinChunk));
            info = reader.read().value_or(ImageInfo{});
        }
    } catch (...) {
        info = {};
    }
    ::close(fd);
    return info;
}

ImageInfo readImageInfo(const std::string& path) { return readImageInfo(path, kDefaultChunk); }

}  // namespace lumbrel::plugin
