#pragma once
// Baseline JPEG (ITU T.81, sequential DCT, Huffman coding) taken apart and put
// together again at the level of quantised DCT coefficients: the marker
// structure of a file, Huffman tables, and the entropy decoder and encoder of a
// single interleaved scan of a 4:2:0 picture (one luminance component sampled
// 2 x 2, two chrominance components sampled 1 x 1).
//
// Coefficient blocks are 64 values of std::int16_t in zig-zag order (index 0 is
// the DC coefficient), as they appear in the entropy-coded data.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumbrel::media {

/// Zig-zag position -> natural position (row * 8 + column, row = vertical
/// frequency), T.81 Figure A.6; and the inverse.
extern const std::array<std::uint8_t, 64> kZigzagToNatural;
extern const std::array<std::uint8_t, 64> kNaturalToZigzag;

/// The component of each of the six blocks of an MCU, in coding order: four
/// luminance blocks (a 2 x 2 square), then one of each chrominance component.
inline constexpr std::array<int, 6> kMcuBlockComponent = {0, 0, 0, 0, 1, 2};

/// Bit k set where block[k] of a block of 64 coefficients is not zero.
std::uint64_t nonZeroMask(const std::int16_t* block);

/// A Huffman table as a DHT segment defines it, with the lookup tables for
/// decoding and encoding built once (T.81 Annex C).
class HuffmanTable {
public:
    /// Number of code bits the decoder resolves with one table look-up.
    static constexpr int kLookaheadBits = 9;

    /// nullopt for a malformed definition: more than 256 symbols, or more codes
    /// of some length than that length allows (including the all-ones code).
    static std::optional<HuffmanTable> build(std::span<const std::uint8_t, 16> counts,
                                             std::span<const std::uint8_t> symbols);

    /// Code length and symbol of the code in the high bits of `bits16` (the next
    /// 16 bits of the stream): (length << 8) | symbol, or 0 when no code matches.
    [[nodiscard]] std::uint32_t decode(std::uint32_t bits16) const {
        const std::uint32_t quick = lookup_[bits16 >> (16 - kLookaheadBits)];
        return quick != 0 ? quick : decodeSlow(bits16);
    }

    /// Number of bits the AC decoder resolves with one look-up, code and value together.
    static constexpr int kFastBits = 10;
    /// Marks the end of block in fastAc's run field.
    static constexpr std::uint32_t kFastEndOfBlock = 0xFF;

    /// For an AC table: when the next kFastBits bits of the stream (the high bits
    /// of `bits16`) hold a whole code and its additional bits, the coefficient's
    /// value (extended, T.81 F.2.2.1) << 16 | run of zeros << 8 | bits used, with
    /// run kFastEndOfBlock for the end-of-block code; 0 otherwise (a longer code
    /// or value, ZRL, or no code at all): decode() then resolves it.
    [[nodiscard]] std::int32_t fastAc(std::uint32_t bits16) const { return fastAc_[bits16 >> (16 - kFastBits)]; }

    /// Code of a symbol, and its length; length 0 when the table has no code for it.
    [[nodiscard]] std::uint16_t code(std::uint8_t symbol) const { return code_[symbol]; }
    [[nodiscard]] std::uint8_t length(std::uint8_t symbol) const { return length_[symbol]; }

private:
    [[nodiscard]] std::uint32_t decodeSlow(std::uint32_t bits16) const;

    std::array<std::uint16_t, 1 << kLookaheadBits> lookup_{};
    std::array<std::int32_t, 1 << kFastBits> fastAc_{};
    std::array<std::int32_t, 17> maxCode_{};    // largest code of each length, -1 if none
    std::array<std::int32_t, 17> valueOffset_{};  // symbol index of a length's code 0
    std::array<std::uint8_t, 256> symbols_{};
    std::array<std::uint16_t, 256> code_{};
    std::array<std::uint8_t, 256> length_{};
};

/// One component of the frame, with the tables its scan uses.
struct JpegComponent {
    std::uint8_t id = 0;
    std::uint8_t h = 0;
    std::uint8_t v = 0;
    std::uint8_t quantTable = 0;
    std::uint8_t dcTable = 0;
    std::uint8_t acTable = 0;
};

/// A parsed baseline 4:2:0 JPEG with a single interleaved scan. Offsets refer to
/// the bytes that were parsed; everything but the frame header and the
/// entropy-coded data is left there as it is.
struct JpegFile {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint16_t restartInterval = 0;  ///< MCUs between restart markers, 0 = none
    std::array<JpegComponent, 3> components{};
    /// Quantisation tables 0 to 3 in zig-zag order, as they stand when the scan begins.
    std::array<std::optional<std::array<std::uint16_t, 64>>, 4> quant{};
    std::array<std::optional<HuffmanTable>, 4> dcTables{};
    std::array<std::optional<HuffmanTable>, 4> acTables{};
    std::size_t frameOffset = 0;  ///< the FF C0 marker
    std::size_t frameLength = 0;  ///< marker and segment
    std::size_t scanOffset = 0;   ///< first byte of the entropy-coded data
    std::size_t scanEnd = 0;      ///< the EOI marker that follows the scan

    [[nodiscard]] int mcusWide() const { return (width + 15) / 16; }
    [[nodiscard]] int mcusHigh() const { return (height + 15) / 16; }
};

/// Parses the markers of a baseline JPEG: SOI, then any segments, of which DQT,
/// DHT, DRI, SOF0 and SOS are read and the rest skipped by their length, one
/// scan over the three components, and EOI right after its entropy-coded data.
/// nullopt for anything else: another frame type, other sampling or precision,
/// a table the scan needs that is missing or malformed, a segment that runs past
/// the data, or a file with more blocks than its scan could code.
std::optional<JpegFile> parseJpeg(std::span<const std::uint8_t> data);

/// Decodes the MCUs of the scan in order. Per MCU: beginMcu(), then the four
/// luminance blocks (left to right, top to bottom) and the two chrominance
/// blocks with decodeBlock(); after the last MCU, finish().
class ScanDecoder {
public:
    ScanDecoder(const JpegFile& file, std::span<const std::uint8_t> data);
    /// A decoder that starts part-way through a scan without restart markers,
    /// at the byte at offset start of data (not the 00 of a stuffed FF 00),
    /// as if an MCU began there: DC predictions start at 0 and DC values are
    /// not range-checked, for they are off by the unknown values before.
    /// Where its MCU boundaries meet those of a decoder from the beginning
    /// (equal position()), all that follows is the same but for those DC
    /// offsets, one per component. With before given (a decoder of the same
    /// data whose next byte lies at or before start), the stuffing bytes are
    /// counted from there instead of from the scan's beginning.
    static ScanDecoder partWay(const JpegFile& file, std::span<const std::uint8_t> data, std::size_t start,
                               const ScanDecoder* before = nullptr);
    /// A decoder that starts at the restart marker at offset marker of data,
    /// the one before MCU mcu (a multiple of the restart interval).
    static ScanDecoder atRestart(const JpegFile& file, std::span<const std::uint8_t> data, std::size_t marker, int mcu);

    /// Reads the restart marker due before this MCU (and resets the DC
    /// predictions). false when it is missing or the data ran out.
    bool beginMcu();
    /// Decodes one block of component 0, 1 or 2 into `block` (zig-zag order).
    /// false for damaged data: no matching code, more than 64 coefficients, or a
    /// DC value out of range.
    bool decodeBlock(int component, std::int16_t* block);
    /// The same, with coefficient k of the coded block stored at
    /// block[order.position[k]] and negated where order.negate[k] is -1 (0
    /// otherwise): a block turned or mirrored as it is decoded, at the cost of
    /// its non-zero coefficients only. position[0] must be 0.
    struct CoefficientOrder {
        std::array<std::uint8_t, 64> position{};
        std::array<std::int16_t, 64> negate{};
    };
    bool decodeBlock(int component, std::int16_t* block, const CoefficientOrder& order);
    /// After a successful decodeBlock: bit k set for each coefficient k of the
    /// coded block (zig-zag order, before any reordering) that may be non-zero
    /// (the DC coefficient always, the coded AC coefficients).
    [[nodiscard]] std::uint64_t lastNonZero() const { return nonZero_; }
    /// true when the scan was decoded without reading past its data.
    bool finish();
    /// How many bits of entropy-coded data (stuffing left out) lie before the
    /// next bit to be decoded, counted from the scan's beginning.
    [[nodiscard]] std::int64_t position() const {
        return 8 * static_cast<std::int64_t>(fed_) - (count_ - 8 * padding_);
    }
    /// The offset in the data of the next byte to be read into the bit buffer.
    [[nodiscard]] std::size_t nextByte(std::span<const std::uint8_t> data) const {
        return static_cast<std::size_t>(pos_ - data.data());
    }
    /// The DC prediction of a component: its last DC value.
    [[nodiscard]] int prediction(int component) const { return prediction_[static_cast<std::size_t>(component)]; }

private:
    void fill();
    bool restart();

    const JpegFile& file_;
    const std::uint8_t* pos_;
    const std::uint8_t* end_;
    std::uint64_t bits_ = 0;  // unread bits, left-aligned
    int count_ = 0;           // number of unread bits in bits_
    int padding_ = 0;         // zero bytes fed in past a marker or the end
    std::uint64_t fed_ = 0;   // data bytes fed into bits_ since the scan's beginning
    bool partWay_ = false;
    std::uint64_t nonZero_ = 0;
    std::array<int, 3> prediction_{};
    int mcu_ = 0;
    int restartsSeen_ = 0;
    std::array<const HuffmanTable*, 3> dc_{};
    std::array<const HuffmanTable*, 3> ac_{};
};

/// Encodes MCUs into a scan with the file's tables and restart interval,
/// appending to `out`. Per MCU: beginMcu(), then six encodeBlock(); finish().
class ScanEncoder {
public:
    ScanEncoder(const JpegFile& file, std::vector<std::uint8_t>& out);
    /// An encoder for a later piece of the scan, from MCU firstMcu on, so that
    /// two pieces can be encoded at once; join() appends it to the encoder of
    /// the MCUs before it. predictions are the DC values of the last block of
    /// each component before firstMcu. With a restart interval, firstMcu must
    /// start an interval and the piece is ordinary scan bytes beginning with
    /// its restart marker; without one, the piece may start anywhere within a
    /// byte, so its bits are kept as they are, without stuffing.
    ScanEncoder(const JpegFile& file, std::vector<std::uint8_t>& out, int firstMcu, std::array<int, 3> predictions);

    /// Writes the restart marker due before this MCU and resets the DC predictions.
    void beginMcu();
    /// Encodes one block (zig-zag order) of component 0, 1 or 2.
    void encodeBlock(int component, const std::int16_t* block);
    /// Pads the last byte with one bits and trims `out` to the written bytes.
    /// false when a value needed a code that the tables lack.
    bool finish();
    /// Appends what piece (an encoder of the MCUs right after this one's,
    /// made with the constructor for pieces) has written, and goes on from
    /// where it stopped: the bytes are those this encoder would have written
    /// had it encoded the piece's MCUs itself.
    void join(ScanEncoder& piece);

private:
    void put(std::uint32_t bits, int length);
    void flushWord();
    void alignAndFlush();
    void reserve();

    const JpegFile& file_;
    std::vector<std::uint8_t>& out_;
    std::size_t size_;
    std::uint64_t bits_ = 0;  // pending bits, right-aligned
    int count_ = 0;
    std::array<int, 3> prediction_{};
    int mcu_ = 0;
    int restarts_ = 0;
    bool missingCode_ = false;
    bool stuffing_ = true;  // false for a piece without restart intervals
    std::array<const HuffmanTable*, 3> dc_{};
    std::array<const HuffmanTable*, 3> ac_{};
};

}  // namespace lumbrel::media
