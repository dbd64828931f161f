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
#include <string_view>

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

    // The first position at or after from where what starts; nullopt when
    // none. Beyond the head the file is read in pieces of the head's size.
    std::optional<std::size_t> find(std::string_view what, std::size_t from = 0) const {
        const auto in = [&](Bytes b, std::size_t offset) -> std::optional<std::size_t> {
            if (from >= offset + b.size()) return std::nullopt;
            const std::size_t skip = from > offset ? from - offset : 0;
            const void* hit = ::memmem(b.data() + skip, b.size() - skip, what.data(), what.size());
            if (!hit) return std::nullopt;
            return offset + static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - b.data());
        };
        if (const auto hit = in(head_, 0)) return hit;
        if (head_.size() >= size_ || what.empty()) return std::nullopt;
        // Pieces overlap by what.size() - 1 bytes so that no match across a border is missed.
        std::vector<std::uint8_t> piece(std::max(head_.size(), 2 * what.size()));
        const std::size_t step = piece.size() - (what.size() - 1);
        for (std::size_t at = head_.size() - std::min(head_.size(), what.size() - 1); at < size_; at += step) {
            const auto part = std::span(piece).first(std::min(piece.size(), size_ - at));
            if (part.size() < what.size() || !read(at, part)) return std::nullopt;
            if (const auto hit = in(part, at)) return hit;
            if (at + part.size() >= size_) break;
        }
        return std::nullopt;
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

// True when the directory at pos (entry count, 12-byte entries) fits in the
// noteBytes bytes of the MakerNote that starts there.
bool makerNoteFits(const Source& src, std::size_t pos, std::uint32_t noteBytes, bool big) {
    std::array<std::uint8_t, 2> count;
    if (noteBytes < 2 || !src.read(pos, count)) return false;
    return 2 + 12 * std::uint64_t{read16(count, 0, big)} <= noteBytes;
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
                    // Entered only when its whole directory lies inside the
                    // MakerNote's own bytes: a note that opens with a text
                    // header would otherwise be walked as a directory of
                    // thousands of entries through the picture data.
                    if (info.makerData && makerNoteFits(src, base + value, count32, big)) {
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

// An APP1 payload at pos that holds "Exif", two zero bytes and a TIFF
// header; false when it is not one.
bool readExif(const Source& src, std::size_t pos, ImageInfo& info) {
    std::array<std::uint8_t, 10> h;  // "Exif", 0, 0, the byte order and 42
    if (!src.read(pos, h)) return false;
    if (h[0] != 'E' || h[1] != 'x' || h[2] != 'i' || h[3] != 'f' || h[4] != 0 || h[5] != 0) return false;
    bool big;
    if (h[6] == 'M' && h[7] == 'M' && h[8] == 0x00 && h[9] == 0x2A)
        big = true;
    else if (h[6] == 'I' && h[7] == 'I' && h[8] == 0x2A && h[9] == 0x00)
        big = false;
    else
        return false;
    walkExif(src, pos + 6, big, info);
    return true;
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

// An APP1 payload at pos that opens with "KDCI", the segment ending at end;
// false when it is not one. Records are read only as far as they lie in the
// segment, and a settings record only when it is whole.
bool readKdci(const Source& src, std::size_t pos, std::size_t end, ImageInfo& info) {
    std::array<std::uint8_t, 16> h;  // "KDCI", 6 bytes, count; then each entry
    if (!src.read(pos, std::span(h).first(12)) || h[0] != 'K' || h[1] != 'D' || h[2] != 'C' || h[3] != 'I')
        return false;
    info.makerData = true;
    const std::size_t count = read16(h, 10, true);
    const std::size_t directory = pos + 12;
    std::size_t record = directory + 16 * count;
    std::vector<std::uint8_t> text;
    for (std::size_t i = 0; i < count && record < end; ++i) {
        if (!src.read(directory + 16 * i, h)) break;
        const std::uint16_t type = read16(h, 0, true);
        const std::size_t length = read16(h, 2, true);
        const std::size_t inSegment = std::min(length, end - record);
        if (type == 1) {
            text.resize(inSegment);
            if (src.read(record, text)) readTextRecord(text, info);
        } else if (type == 16 && length >= 32 && inSegment == length) {
            std::array<std::uint8_t, 32> settings;
            if (src.read(record, settings)) readSettingsRecord(settings, info);
        }
        record += length;
    }
    return true;
}

std::uint32_t kilobytes(std::uint64_t length) {
    return length == 0 ? 0 : static_cast<std::uint32_t>(std::min<std::uint64_t>((length - 1) / 1024 + 1, UINT32_MAX));
}

// ---- The picture's header ---------------------------------------------------------
// The segments from the start of image up to the start of scan are walked by
// their lengths: the Exif or "KDCI" segment is found among the APPn segments
// in whatever order they come (a JFIF segment often comes first), and the size
// is the picture's own frame header's, not that of a preview some cameras put
// into an APP2 or maker segment, nor of the thumbnail inside the Exif segment.

// A header of more segments than any camera writes is taken as damaged; it
// keeps a crafted file from costing a read per four bytes.
constexpr int kMaxSegments = 4096;

// Reads the header of the first picture in the file: a JPEG's own, or the
// first frame of a Motion-JPEG movie.
ImageInfo readHeader(const Source& src) {
    static constexpr std::string_view kStart("\xFF\xD8\xFF", 3);
    const std::optional<std::size_t> start = src.find(kStart);
    if (!start) return {};
    std::optional<ImageInfo> kdci, exif;
    bool sizeFound = false;
    std::uint16_t width = 0, height = 0;
    std::size_t p = *start + 2;
    for (int segments = 0; segments < kMaxSegments; ++segments) {
        std::array<std::uint8_t, 4> m;  // marker and length
        if (!src.read(p, std::span(m).first(2)) || m[0] != 0xFF) break;
        const std::uint8_t marker = m[1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++p;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // start of scan, end of image
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // markers without a length
            p += 2;
            continue;
        }
        if (!src.read(p, m)) break;
        const std::size_t length = read16(m, 2, true);
        if (length < 2) break;
        const std::size_t payload = p + 4, end = p + 2 + length;
        if (marker == 0xE1 && !kdci) {
            ImageInfo info;
            if (readKdci(src, payload, end, info))
                kdci = std::move(info);
            else if (!exif && readExif(src, payload, info))
                exif = std::move(info);
        } else if (marker == 0xC0 && !sizeFound) {
            std::array<std::uint8_t, 5> frame;  // precision, height, width
            if (src.read(payload, frame)) {
                height = read16(frame, 1, true);
                width = read16(frame, 3, true);
                sizeFound = true;
            }
        }
        p = end;
    }
    ImageInfo info = kdci ? std::move(*kdci) : exif ? std::move(*exif) : ImageInfo{};
    info.sizeFound = sizeFound;
    info.width = width;
    info.height = height;
    return info;
}

ImageInfo readFrom(const Source& src, std::uint64_t fileLength) {
    if (fileLength == 0) return {};
    ImageInfo info = readHeader(src);
    info.fileSizeKB = kilobytes(fileLength);
    return info;
}

constexpr std::size_t kMinChunk = 16;
// The head holds the header of a camera file (the Exif segment is at most
// 64 KiB); what lies beyond it is read only where the header reaches.
constexpr std::size_t kDefaultChunk = 64 * 1024 + 4096;

bool fill(int fd, std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // an error, or the file got shorter
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

ImageInfo readImageInfo(std::span<const std::uint8_t> bytes, std::uint64_t fileLength) {
    try {
        return readFrom(Source(bytes), fileLength);
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
            const auto length = static_cast<std::size_t>(st.st_size);
            std::vector<std::uint8_t> head(std::min(std::max(chunkBytes, kMinChunk), length));
            if (fill(fd, head)) info = readFrom(Source(head, fd, length), length);
        }
    } catch (...) {
        info = {};
    }
    ::close(fd);
    return info;
}

ImageInfo readImageInfo(const std::string& path) { return readImageInfo(path, kDefaultChunk); }

}  // namespace lumbrel::plugin
