#include "media/jpeg_codec.h"

#include "platform/large_buffer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The entropy coder's inner loops count leading and trailing zero bits and
// shift by variable amounts on every coefficient; processors with BMI1/BMI2
// and LZCNT do each in one instruction. These functions are built twice and
// the loader picks the version the processor can run (not under the thread
// sanitizer, whose run-time is not ready when the loader makes that choice).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define LUMBREL_BIT_CLONES __attribute__((target_clones("default", "arch=x86-64-v3")))
#else
#define LUMBREL_BIT_CLONES
#endif

namespace lumbrel::media {

const std::array<std::uint8_t, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

const std::array<std::uint8_t, 64> kNaturalToZigzag = [] {
    std::array<std::uint8_t, 64> inverse{};
    for (std::size_t k = 0; k < 64; ++k) {
        inverse[kZigzagToNatural[k]] = static_cast<std::uint8_t>(k);
    }
    return inverse;
}();

// ---------------------------------------------------------------------------
// Huffman tables

std::optional<HuffmanTable> HuffmanTable::build(std::span<const std::uint8_t, 16> counts,
                                                std::span<const std::uint8_t> symbols) {
    std::size_t total = 0;
    for (const std::uint8_t c : counts) {
        total += c;
    }
    if (total > 256 || symbols.size() < total) {
        return std::nullopt;
    }
    HuffmanTable table;
    // Canonical codes (T.81 Annex C): the codes of each length are consecutive
    // and the first code of the next length is (last + 1) << 1.
    std::uint32_t code = 0;
    std::size_t k = 0;
    for (int length = 1; length <= 16; ++length) {
        const int count = counts[static_cast<std::size_t>(length - 1)];
        // More codes than the length allows, or the all-ones code in use.
        if (code + static_cast<std::uint32_t>(count) >= (1u << length)) {
            return std::nullopt;
        }
        table.maxCode_[static_cast<std::size_t>(length)] = count > 0 ? static_cast<std::int32_t>(code) + count - 1 : -1;
        table.valueOffset_[static_cast<std::size_t>(length)] = static_cast<std::int32_t>(k) - static_cast<std::int32_t>(code);
        for (int i = 0; i < count; ++i, ++k, ++code) {
            const std::uint8_t symbol = symbols[k];
            table.symbols_[k] = symbol;
            if (table.length_[symbol] == 0) {  // a repeated symbol keeps its first code
                table.code_[symbol] = static_cast<std::uint16_t>(code);
                table.length_[symbol] = static_cast<std::uint8_t>(length);
            }
            if (length <= kLookaheadBits) {
                const std::uint32_t first = code << (kLookaheadBits - length);
                const std::uint32_t span = 1u << (kLookaheadBits - length);
                const auto entry = static_cast<std::uint16_t>(length << 8 | symbol);
                std::fill_n(table.lookup_.begin() + first, span, entry);
            }
            // Code and additional bits that fit the fast look-up: every value
            // of the additional bits gets its span of entries.
            const int size = symbol & 15;
            if (symbol == 0x00 && length <= kFastBits) {
                const std::uint32_t first = code << (kFastBits - length);
                const auto entry = static_cast<std::int32_t>(kFastEndOfBlock << 8 | static_cast<std::uint32_t>(length));
                std::fill_n(table.fastAc_.begin() + first, 1u << (kFastBits - length), entry);
            } else if (size != 0 && length + size <= kFastBits) {
                const int spare = kFastBits - length - size;
                for (std::uint32_t extra = 0; extra < (1u << size); ++extra) {
                    const std::uint32_t first = ((code << size) | extra) << spare;
                    const int v = static_cast<int>(extra);
                    const int value = v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
                    const auto entry = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << 16 |
                                                                 static_cast<std::uint32_t>(symbol >> 4) << 8 |
                                                                 static_cast<std::uint32_t>(length + size));
                    std::fill_n(table.fastAc_.begin() + first, 1u << spare, entry);
                }
            }
        }
        code <<= 1;
    }
    return table;
}

std::uint32_t HuffmanTable::decodeSlow(std::uint32_t bits16) const {
    for (int length = kLookaheadBits + 1; length <= 16; ++length) {
        const auto c = static_cast<std::int32_t>(bits16 >> (16 - length));
        if (c <= maxCode_[static_cast<std::size_t>(length)]) {
            const auto index = static_cast<std::size_t>(valueOffset_[static_cast<std::size_t>(length)] + c);
            return static_cast<std::uint32_t>(length) << 8 | symbols_[index];
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Marker parsing

namespace {

std::uint16_t be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

bool parseFrame(std::span<const std::uint8_t> s, JpegFile& file) {
    // P, Y, X, Nf, then Nf times (C, H/V, Tq): T.81 B.2.2.
    if (s.size() != 6 + 3 * 3 || s[0] != 8 || s[5] != 3) {
        return false;
    }
    file.height = be16(&s[1]);
    file.width = be16(&s[3]);
    if (file.width == 0 || file.height == 0) {  // height 0 would need a DNL marker
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint8_t* c = &s[6 + 3 * i];
        const std::uint8_t sampling = i == 0 ? 0x22 : 0x11;
        if (c[1] != sampling || c[2] > 3) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (file.components[j].id == c[0]) {
                return false;
            }
        }
        file.components[i] = JpegComponent{c[0], static_cast<std::uint8_t>(c[1] >> 4),
                                           static_cast<std::uint8_t>(c[1] & 15), c[2], 0, 0};
    }
    return true;
}

bool parseHuffman(std::span<const std::uint8_t> s, JpegFile& file) {
    std::size_t p = 0;
    while (p < s.size()) {
        if (s.size() - p < 17) {
            return false;
        }
        const int tableClass = s[p] >> 4;
        const int id = s[p] & 15;
        if (tableClass > 1 || id > 3) {
            return false;
        }
        std::size_t total = 0;
        for (std::size_t i = 0; i < 16; ++i) {
            total += s[p + 1 + i];
        }
        if (s.size() - p - 17 < total) {
            return false;
        }
        auto table = HuffmanTable::build(std::span<const std::uint8_t, 16>(&s[p + 1], 16), s.subspan(p + 17, total));
        if (!table) {
            return false;
        }
        (tableClass == 0 ? file.dcTables : file.acTables)[static_cast<std::size_t>(id)] = *table;
        p += 17 + total;
    }
    return true;
}

bool parseQuant(std::span<const std::uint8_t> s, JpegFile& file) {
    std::size_t p = 0;
    while (p < s.size()) {
        const int precision = s[p] >> 4;
        const int id = s[p] & 15;
        const std::size_t bytes = precision == 0 ? 64 : 128;
        if (precision > 1 || id > 3 || s.size() - p - 1 < bytes) {
            return false;
        }
        std::array<std::uint16_t, 64> values{};
        for (std::size_t k = 0; k < 64; ++k) {
            values[k] = precision == 0 ? s[p + 1 + k] : be16(&s[p + 1 + 2 * k]);
            if (values[k] == 0) {
                return false;
            }
        }
        file.quant[static_cast<std::size_t>(id)] = values;
        p += 1 + bytes;
    }
    return true;
}

bool parseScanHeader(std::span<const std::uint8_t> s, JpegFile& file) {
    // Ns, then Ns times (Cs, Td/Ta), then Ss, Se, Ah/Al: T.81 B.2.3.
    if (s.size() != 1 + 2 * 3 + 3 || s[0] != 3) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        JpegComponent& c = file.components[i];
        const std::uint8_t tables = s[2 + 2 * i];
        if (s[1 + 2 * i] != c.id || (tables >> 4) > 3 || (tables & 15) > 3) {
            return false;
        }
        c.dcTable = static_cast<std::uint8_t>(tables >> 4);
        c.acTable = static_cast<std::uint8_t>(tables & 15);
        if (!file.dcTables[c.dcTable] || !file.acTables[c.acTable] || !file.quant[c.quantTable]) {
            return false;
        }
    }
    return s[7] == 0 && s[8] == 63 && s[9] == 0;
}

}  // namespace

std::optional<JpegFile> parseJpeg(std::span<const std::uint8_t> data) {
    const std::size_t n = data.size();
    if (n < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return std::nullopt;
    }
    JpegFile file;
    bool haveFrame = false;
    std::size_t p = 2;
    for (;;) {
        if (p >= n || data[p] != 0xFF) {
            return std::nullopt;
        }
        while (p < n && data[p] == 0xFF) {  // fill bytes before a marker
            ++p;
        }
        if (n - p < 3) {
            return std::nullopt;
        }
        const std::uint8_t marker = data[p];
        const std::size_t markerOffset = p - 1;
        ++p;
        // Every marker before the scan has a segment; SOI, EOI, RSTn and TEM here mean a broken file.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {
            return std::nullopt;
        }
        const std::size_t length = be16(&data[p]);
        if (length < 2 || length > n - p) {
            return std::nullopt;
        }
        const auto segment = data.subspan(p + 2, length - 2);
        switch (marker) {
        case 0xC0:
            if (haveFrame || !parseFrame(segment, file)) {
                return std::nullopt;
            }
            haveFrame = true;
            file.frameOffset = markerOffset;
            file.frameLength = length + 2;
            break;
        case 0xC4:
            if (!parseHuffman(segment, file)) {
                return std::nullopt;
            }
            break;
        case 0xDB:
            if (!parseQuant(segment, file)) {
                return std::nullopt;
            }
            break;
        case 0xDD:
            if (segment.size() != 2) {
                return std::nullopt;
            }
            file.restartInterval = be16(segment.data());
            break;
        case 0xDA: {
            if (!haveFrame || !parseScanHeader(segment, file)) {
                return std::nullopt;
            }
            file.scanOffset = p + length;
            // The entropy-coded data end at the first marker that is not RSTn
            // (FF 00 is a stuffed FF data byte).
            std::size_t q = file.scanOffset;
            for (;;) {
                const void* ff = std::memchr(data.data() + q, 0xFF, n - q);
                if (ff == nullptr) {
                    return std::nullopt;
                }
                q = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - data.data());
                if (n - q < 2) {
                    return std::nullopt;
                }
                const std::uint8_t next = data[q + 1];
                if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                    q += 2;
                    continue;
                }
                break;
            }
            file.scanEnd = q;
            while (q < n && data[q] == 0xFF) {
                ++q;
            }
            if (q >= n || data[q] != 0xD9) {  // one scan only, closed by EOI
                return std::nullopt;
            }
            // Each block takes at least two bits (a DC and an AC code), so a
            // frame with more blocks than that cannot be this scan's: refuse it
            // before any memory is sized by its dimensions.
            const std::size_t blocks = static_cast<std::size_t>(file.mcusWide()) * static_cast<std::size_t>(file.mcusHigh()) * 6;
            if (blocks > (file.scanEnd - file.scanOffset) * 4 + 8) {
                return std::nullopt;
            }
            return file;
        }
        default:
            // Other frame types (extended, progressive, lossless, arithmetic) and DNL.
            if ((marker >= 0xC1 && marker <= 0xCF) || marker == 0xDC) {
                return std::nullopt;
            }
            break;  // APPn, COM and the like stay as bytes
        }
        p += length;
    }
}

// ---------------------------------------------------------------------------
// Entropy decoding (T.81 F.2)

ScanDecoder::ScanDecoder(const JpegFile& file, std::span<const std::uint8_t> data)
    : file_(file), pos_(data.data() + file.scanOffset), end_(data.data() + file.scanEnd) {
    for (std::size_t c = 0; c < 3; ++c) {
        dc_[c] = &*file.dcTables[file.components[c].dcTable];
        ac_[c] = &*file.acTables[file.components[c].acTable];
    }
}

ScanDecoder ScanDecoder::partWay(const JpegFile& file, std::span<const std::uint8_t> data, std::size_t start,
                                 const ScanDecoder* before) {
    ScanDecoder decoder(file, data);
    if (before != nullptr && before->pos_ <= data.data() + start) {
        decoder.pos_ = before->pos_;
        decoder.fed_ = before->fed_;
    }
    // Where the data bytes before start would have brought a decoder from
    // the scan's beginning: a stuffed FF 00 is one byte of data.
    const std::uint8_t* from = data.data() + start;
    std::uint64_t stuffed = 0;
    for (const std::uint8_t* p = decoder.pos_; p < from;) {
        const void* ff = std::memchr(p, 0xFF, static_cast<std::size_t>(from - p));
        if (ff == nullptr) break;
        p = static_cast<const std::uint8_t*>(ff) + 1;
        if (p < from && *p == 0x00) {
            ++stuffed;
            ++p;
        }
    }
    decoder.fed_ += static_cast<std::uint64_t>(from - decoder.pos_) - stuffed;
    decoder.pos_ = from;
    decoder.partWay_ = true;
    return decoder;
}

ScanDecoder ScanDecoder::atRestart(const JpegFile& file, std::span<const std::uint8_t> data, std::size_t marker,
                                   int mcu) {
    ScanDecoder decoder(file, data);
    decoder.pos_ = data.data() + marker;
    decoder.mcu_ = mcu;
    decoder.restartsSeen_ = mcu / std::max<int>(1, file.restartInterval) - 1;  // the marker is read by beginMcu()
    return decoder;
}

LUMBREL_BIT_CLONES void ScanDecoder::fill() {
    // Eight bytes at a time while none of them is FF; byte by byte otherwise.
    while (count_ <= 56) {
        if (end_ - pos_ >= 8) {
            std::uint64_t word;
            std::memcpy(&word, pos_, 8);
            const std::uint64_t inverted = ~word;
            if (((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) == 0) {
                word = __builtin_bswap64(word);
                const int take = (64 - count_) >> 3;  // whole bytes that fit
                bits_ |= (word >> (64 - 8 * take)) << (64 - 8 * take - count_);
                pos_ += take;
                fed_ += static_cast<std::uint64_t>(take);
                count_ += 8 * take;
                return;
            }
        }
        std::uint32_t byte = 0;
        if (pos_ < end_) {
            byte = *pos_;
            if (byte != 0xFF) {
                ++pos_;
                ++fed_;
            } else if (end_ - pos_ >= 2 && pos_[1] == 0x00) {
                pos_ += 2;
                ++fed_;
            } else {
                byte = 0;  // a marker: feed zeros and stay before it
                ++padding_;
            }
        } else {
            ++padding_;
        }
        bits_ |= static_cast<std::uint64_t>(byte) << (56 - count_);
        count_ += 8;
    }
}

bool ScanDecoder::restart() {
    // The bits left over are the padding of the last byte before the marker.
    const int real = count_ - 8 * padding_;
    if (real < 0 || real >= 8 || pos_ >= end_ || *pos_ != 0xFF) {
        return false;
    }
    while (pos_ < end_ && *pos_ == 0xFF) {
        ++pos_;
    }
    if (pos_ >= end_ || *pos_ != 0xD0 + (restartsSeen_ & 7)) {
        return false;
    }
    ++pos_;
    ++restartsSeen_;
    bits_ = 0;
    count_ = 0;
    padding_ = 0;
    prediction_ = {};
    return true;
}

bool ScanDecoder::beginMcu() {
    const int interval = file_.restartInterval;
    if (interval != 0 && mcu_ != 0 && mcu_ % interval == 0 && !restart()) {
        return false;
    }
    ++mcu_;
    return count_ >= 8 * padding_;
}

namespace {

// The value of an additional-bits field of `size` bits (T.81 F.2.2.1 EXTEND):
// fields starting with 0 stand for negative values.
inline int extend(std::uint32_t bits, int size) {
    const int v = static_cast<int>(bits);
    return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
}

}  // namespace

namespace {

const ScanDecoder::CoefficientOrder kZigzagOrder = [] {
    ScanDecoder::CoefficientOrder order;
    for (std::size_t k = 0; k < 64; ++k) {
        order.position[k] = static_cast<std::uint8_t>(k);
    }
    return order;
}();

// v, or -v when negate is -1.
inline std::int16_t applySign(int v, std::int16_t negate) { return static_cast<std::int16_t>((v ^ negate) - negate); }

}  // namespace

bool ScanDecoder::decodeBlock(int component, std::int16_t* block) { return decodeBlock(component, block, kZigzagOrder); }

LUMBREL_BIT_CLONES bool ScanDecoder::decodeBlock(int component, std::int16_t* block,
                                                const CoefficientOrder& order) {
    std::memset(block, 0, 64 * sizeof(std::int16_t));
    const auto c = static_cast<std::size_t>(component);
    if (count_ < 32) {
        fill();
    }
    std::uint32_t entry = dc_[c]->decode(static_cast<std::uint32_t>(bits_ >> 48));
    if (entry == 0) {
        return false;
    }
    bits_ <<= entry >> 8;
    count_ -= static_cast<int>(entry >> 8);
    const int dcSize = static_cast<int>(entry & 0xFF);
    if (dcSize > 11) {
        return false;
    }
    int value = prediction_[c];
    if (dcSize != 0) {
        value += extend(static_cast<std::uint32_t>(bits_ >> (64 - dcSize)), dcSize);
        bits_ <<= dcSize;
        count_ -= dcSize;
    }
    // Part-way, the predictions are off by what came before: the values are
    // kept modulo 2^16 (as they are stored) and checked once they are known.
    if (partWay_) {
        value = static_cast<std::int16_t>(value);
    } else if (value < -2047 || value > 2047) {
        return false;
    }
    prediction_[c] = value;
    block[0] = static_cast<std::int16_t>(value);
    std::uint64_t nonZero = 1;

    const HuffmanTable& ac = *ac_[c];
    for (int k = 1; k < 64;) {
        if (count_ < 32) {
            fill();
        }
        const std::int32_t fast = ac.fastAc(static_cast<std::uint32_t>(bits_ >> 48));
        if (fast != 0) {  // code and value in one step
            const int used = fast & 0xFF;
            bits_ <<= used;
            count_ -= used;
            const int run = (fast >> 8) & 0xFF;
            if (run == static_cast<int>(HuffmanTable::kFastEndOfBlock)) {
                break;
            }
            k += run;
            if (k > 63) {
                return false;
            }
            nonZero |= std::uint64_t{1} << k;
            block[order.position[static_cast<std::size_t>(k)]] = applySign(fast >> 16, order.negate[static_cast<std::size_t>(k)]);
            ++k;
            continue;
        }
        entry = ac.decode(static_cast<std::uint32_t>(bits_ >> 48));
        if (entry == 0) {
            return false;
        }
        bits_ <<= entry >> 8;
        count_ -= static_cast<int>(entry >> 8);
        const int run = static_cast<int>(entry >> 4) & 15;
        const int size = static_cast<int>(entry & 15);
        if (size == 0) {
            if (run != 15) {
                break;  // EOB
            }
            k += 16;  // ZRL
            continue;
        }
        k += run;
        if (k > 63) {
            return false;
        }
        nonZero |= std::uint64_t{1} << k;
        block[order.position[static_cast<std::size_t>(k)]] =
            applySign(extend(static_cast<std::uint32_t>(bits_ >> (64 - size)), size), order.negate[static_cast<std::size_t>(k)]);
        bits_ <<= size;
        count_ -= size;
        ++k;
    }
    nonZero_ = nonZero;
    return true;
}

bool ScanDecoder::finish() { return count_ >= 8 * padding_; }

// ---------------------------------------------------------------------------
// Entropy encoding (T.81 F.1.2)

ScanEncoder::ScanEncoder(const JpegFile& file, std::vector<std::uint8_t>& out)
    : file_(file), out_(out), size_(out.size()) {
    for (std::size_t c = 0; c < 3; ++c) {
        dc_[c] = &*file.dcTables[file.components[c].dcTable];
        ac_[c] = &*file.acTables[file.components[c].acTable];
    }
    // Write into the vector's whole capacity; finish() trims it.
    const std::size_t room = std::max(out_.capacity(), size_ + 65536);
    out_.reserve(room);
    platform::prefault(out_.data() + size_, room - size_);
    out_.resize(room);
}

ScanEncoder::ScanEncoder(const JpegFile& file, std::vector<std::uint8_t>& out, int firstMcu,
                         std::array<int, 3> predictions)
    : ScanEncoder(file, out) {
    prediction_ = predictions;
    mcu_ = firstMcu;
    const int interval = file.restartInterval;
    if (interval != 0) {
        restarts_ = firstMcu / interval - 1;  // the marker before firstMcu is the piece's first byte
    } else {
        stuffing_ = false;
    }
}

void ScanEncoder::reserve() {
    // A block takes at most 64 codes of 16 + 15 bits, twice that with stuffing.
    constexpr std::size_t kBlockMax = 64 * 4 * 2 + 16;
    if (out_.size() - size_ < kBlockMax) {
        out_.resize(std::max(out_.size() * 3 / 2, size_ + 64 * kBlockMax));
    }
}

namespace {

// Writes the 32 bits of word big-endian at out, each 0xFF byte followed by a
// stuffed 0x00 (F.1.2.3); returns the end of what was written.
inline std::uint8_t* emitWord(std::uint8_t* out, std::uint32_t word) {
    const std::uint32_t inverted = ~word;
    if (((inverted - 0x01010101u) & ~inverted & 0x80808080u) == 0) {  // no 0xFF byte
        const std::uint32_t big = __builtin_bswap32(word);
        std::memcpy(out, &big, 4);
        return out + 4;
    }
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<std::uint8_t>(word >> shift);
        *out++ = byte;
        if (byte == 0xFF) *out++ = 0x00;
    }
    return out;
}

// Writes word big-endian at out as it is: for a piece whose stuffing is left
// to the encoder that joins it.
inline std::uint8_t* storeWord(std::uint8_t* out, std::uint32_t word) {
    const std::uint32_t big = __builtin_bswap32(word);
    std::memcpy(out, &big, 4);
    return out + 4;
}

}  // namespace

void ScanEncoder::flushWord() {
    count_ -= 32;
    const auto word = static_cast<std::uint32_t>(bits_ >> count_);
    std::uint8_t* at = out_.data() + size_;
    size_ = static_cast<std::size_t>((stuffing_ ? emitWord(at, word) : storeWord(at, word)) - out_.data());
}

inline void ScanEncoder::put(std::uint32_t bits, int length) {
    bits_ = (bits_ << length) | bits;
    count_ += length;
    if (count_ >= 32) {
        flushWord();
    }
}

void ScanEncoder::alignAndFlush() {
    const int pad = (8 - count_ % 8) % 8;
    if (pad != 0) {
        put((1u << pad) - 1, pad);  // the last byte is padded with one bits
    }
    while (count_ >= 8) {
        count_ -= 8;
        const auto byte = static_cast<std::uint8_t>(bits_ >> count_);
        out_[size_++] = byte;
        if (byte == 0xFF) {
            out_[size_++] = 0x00;
        }
    }
}

void ScanEncoder::beginMcu() {
    const int interval = file_.restartInterval;
    if (interval != 0 && mcu_ != 0 && mcu_ % interval == 0) {
        reserve();
        alignAndFlush();
        out_[size_++] = 0xFF;
        out_[size_++] = static_cast<std::uint8_t>(0xD0 + (restarts_ & 7));
        ++restarts_;
        prediction_ = {};
    }
    ++mcu_;
}

std::uint64_t nonZeroMask(const std::int16_t* block) {
#if defined(__SSE2__)
    // Eight values per comparison; two comparisons packed to sixteen bytes
    // give sixteen bits of the mask.
    std::uint64_t mask = 0;
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 4; ++i) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i + 8));
        const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(low, zero), _mm_cmpeq_epi16(high, zero));
        const auto bits = static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(zeros)) ^ 0xFFFFu);
        mask |= bits << (16 * i);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int k = 0; k < 64; ++k) {
        mask |= static_cast<std::uint64_t>(block[k] != 0) << k;
    }
    return mask;
#endif
}

LUMBREL_BIT_CLONES void ScanEncoder::encodeBlock(int component, const std::int16_t* block) {
    reserve();
    const auto c = static_cast<std::size_t>(component);
    // The bit buffer and the output position are kept in locals for the block
    // and stored back at its end: stores into the output bytes may alias any
    // member, which would otherwise reload them after every byte written.
    std::uint64_t buffer = bits_;
    int count = count_;
    std::uint8_t* out = out_.data() + size_;
    const bool stuffing = stuffing_;
    bool missing = false;
    const auto put = [&](std::uint32_t bits, int length) {
        buffer = (buffer << length) | bits;
        count += length;
        if (count >= 32) {
            count -= 32;
            const auto word = static_cast<std::uint32_t>(buffer >> count);
            out = stuffing ? emitWord(out, word) : storeWord(out, word);
        }
    };
    // The size category of v and its additional bits: v itself when positive,
    // v - 1 in `size` bits when negative (F.1.2.1).
    const auto category = [](int v, std::uint32_t& bits) {
        const int sign = v >> 31;
        const auto magnitude = static_cast<std::uint32_t>((v ^ sign) - sign);
        const int size = 32 - std::countl_zero(magnitude);
        bits = static_cast<std::uint32_t>(v + sign) & ((1u << size) - 1);
        return size;
    };

    std::uint32_t bits = 0;
    const int diff = block[0] - prediction_[c];
    prediction_[c] = block[0];
    int size = category(diff, bits);
    const HuffmanTable& dc = *dc_[c];
    int length = dc.length(static_cast<std::uint8_t>(size));
    missing |= length == 0;
    put(static_cast<std::uint32_t>(dc.code(static_cast<std::uint8_t>(size))) << size | bits, length + size);

    std::uint64_t nonZero = nonZeroMask(block) & ~std::uint64_t{1};
    const HuffmanTable& ac = *ac_[c];
    int last = 0;
    while (nonZero != 0) {
        const int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        while (run > 15) {  // ZRL: sixteen zeros
            missing |= ac.length(0xF0) == 0;
            put(ac.code(0xF0), ac.length(0xF0));
            run -= 16;
        }
        size = category(block[k], bits);
        const auto symbol = static_cast<std::uint8_t>(run << 4 | size);
        length = ac.length(symbol);
        missing |= length == 0;
        put(static_cast<std::uint32_t>(ac.code(symbol)) << size | bits, length + size);
        last = k;
    }
    if (last != 63) {
        missing |= ac.length(0x00) == 0;
        put(ac.code(0x00), ac.length(0x00));  // EOB
    }
    bits_ = buffer;
    count_ = count;
    size_ = static_cast<std::size_t>(out - out_.data());
    missingCode_ = missingCode_ || missing;
}

bool ScanEncoder::finish() {
    reserve();
    alignAndFlush();
    out_.resize(size_);
    return !missingCode_;
}

void ScanEncoder::join(ScanEncoder& piece) {
    const std::uint8_t* bytes = piece.out_.data();
    const std::size_t size = piece.size_;
    if (piece.stuffing_) {
        // The piece starts with its restart marker: the bytes before it end
        // as they would before any marker.
        reserve();
        alignAndFlush();
        if (out_.size() - size_ < size + 16) out_.resize(std::max(out_.size() * 3 / 2, size_ + size + 16));
        std::memcpy(out_.data() + size_, bytes, size);
        size_ += size;
        bits_ = piece.bits_;
        count_ = piece.count_;
    } else {
        // Plain bits: fed through this encoder's bit buffer, 32 at a time,
        // which stuffs them as it writes.
        std::size_t i = 0;
        while (i < size) {
            // Stuffing at most doubles a chunk: room for that is made first,
            // which the usual output buffer has already.
            const std::size_t chunk = std::min<std::size_t>(size - i, 16384);
            if (out_.size() - size_ < 2 * chunk + 16) out_.resize(std::max(out_.size() * 3 / 2, size_ + 2 * chunk + 16));
            const std::size_t end = i + chunk;
            for (; i + 4 <= end; i += 4) {
                std::uint32_t big;
                std::memcpy(&big, bytes + i, 4);
                put(__builtin_bswap32(big), 32);
            }
            for (; i < end; ++i) put(bytes[i], 8);
        }
        reserve();
        // The piece's bits not yet written, at most 31: in two puts so that
        // neither overflows the buffer.
        const int rest = piece.count_;
        const std::uint64_t pending = piece.bits_ & ((std::uint64_t{1} << rest) - 1);
        if (rest > 16) {
            put(static_cast<std::uint32_t>(pending >> 16), rest - 16);
            put(static_cast<std::uint32_t>(pending & 0xFFFF), 16);
        } else if (rest > 0) {
            put(static_cast<std::uint32_t>(pending), rest);
        }
    }
    prediction_ = piece.prediction_;
    mcu_ = piece.mcu_;
    restarts_ = piece.restarts_;
    missingCode_ = missingCode_ || piece.missingCode_;
}

}  // namespace lumbrel::media
