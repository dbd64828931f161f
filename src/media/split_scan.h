#pragma once
// Decoding the scan of a large picture on two processors at once.

#include <cstdint>
#include <functional>
#include <span>

#include "media/jpeg_codec.h"
#include "platform/large_buffer.h"

namespace lumbrel::media {

/// Scans of fewer MCUs (a quarter of a megapixel) are not worth a second
/// thread, for decoding or for encoding.
inline constexpr int kSplitMcus = 1024;

/// How decodeScan shares out the work.
struct ScanSplit {
    /// Where the second thread starts, without restart markers, in per cent
    /// of the data: below 50 when decodeMcu does more per MCU than decoding,
    /// which the second thread leaves for later.
    int firstShare = 50;
    enum class Mode {
        Never,           ///< one thread decodes it all
        WhenWorthwhile,  ///< split a large picture when there is a second processor
        Always,          ///< split any picture (with one processor the second part runs first)
        InTurn,          ///< split any picture, the second part done first on the calling thread: for tests
    };
    Mode mode = Mode::WhenWorthwhile;
};

/// The MCUs at the end of a scan that a second thread decoded before it knew
/// which MCUs they were: six blocks of 64 coefficients each, stored as
/// decodeBlock stores them with the order given to decodeScan.
class ScanTail {
public:
    /// The first MCU of the tail; the picture's MCU count when there is none.
    [[nodiscard]] int firstMcu() const { return firstMcu_; }
    /// Block b (0 to 5) of MCU mcu, at least firstMcu().
    [[nodiscard]] std::int16_t* block(int mcu, int b) const {
        return blocks_.as<std::int16_t>() + (static_cast<std::size_t>(mcu - firstMcu_ + offset_) * 6 + static_cast<std::size_t>(b)) * 64;
    }

private:
    friend bool decodeScan(const JpegFile&, std::span<const std::uint8_t>, const std::function<bool(ScanDecoder&, int)>&,
                           const ScanDecoder::CoefficientOrder&, ScanTail&, const ScanSplit&);
    int firstMcu_ = 0;
    int offset_ = 0;  // index in blocks_ of MCU firstMcu_
    platform::LargeBuffer blocks_;
};

/// Decodes every MCU of the scan of file (whose bytes are data) in order,
/// decodeMcu(decoder, mcu) decoding one (beginMcu(), six decodeBlock(), false
/// when that fails). A large picture is decoded in two parts at once:
/// - with restart markers, the second thread starts at the marker nearest the
///   middle of the data and calls decodeMcu for the MCUs from there on;
/// - without, it starts at the middle byte, not knowing where MCUs begin,
///   and stores what it decodes in tail, with tailOrder. The first thread
///   stops at the first MCU boundary where the two meet: from there on the
///   second decoded exactly what the first would have, but for the DC values,
///   which are then set right. The MCUs from tail.firstMcu() on are left in
///   tail, not passed to decodeMcu.
/// When the two never meet, the first thread decodes everything itself.
/// false when the data are damaged, as for a decode from start to end.
bool decodeScan(const JpegFile& file, std::span<const std::uint8_t> data,
                const std::function<bool(ScanDecoder&, int)>& decodeMcu, const ScanDecoder::CoefficientOrder& tailOrder,
                ScanTail& tail, const ScanSplit& split = {});

}  // namespace lumbrel::media
