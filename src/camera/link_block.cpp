#include "camera/link_block.h"

#include <algorithm>

namespace lumbrel::camera {

namespace {

/// The longest run a resynchronisation reads while looking for the end of a
/// block: a whole block of the largest length. A line that keeps sending
/// without a terminator is not followed for ever.
constexpr std::size_t kResyncLimit = kMaxBlockData + 5;

/// Reads exactly into.size() bytes; a shortfall empties the receive side, so
/// that the rest of a broken block does not meet the next attempt.
bool readExact(BlockLine& line, std::span<std::uint8_t> into, int timeoutMs) {
    if (line.read(into, timeoutMs) == into.size()) return true;
    line.purgeInput();
    return false;
}

/// Skips to the end of the block being received (ETB or ETX and the checksum
/// after it), then asks for the block again.
void resynchronise(BlockLine& line, const ReadTimeouts& t) {
    std::uint8_t b = 0;
    for (std::size_t i = 0; i < kResyncLimit; ++i) {
        if (line.read(std::span(&b, 1), readTimeout(t, 1, false, false)) != 1) break;
        if (b == kEtb || b == kEtx) {
            line.read(std::span(&b, 1), readTimeout(t, 1, false, false));
            break;
        }
    }
    line.send(kNak);
}

}  // namespace

int readTimeout(const ReadTimeouts& t, std::size_t count, bool fixedReply, bool firstByteOfBlock) {
    if (count == 1 && t.blocksReceived >= ReadTimeouts::kBlockCountCap) return ReadTimeouts::kLongReadMs;
    if (t.movie || fixedReply || (firstByteOfBlock && t.firstBlock)) return ReadTimeouts::kMovieMs;
    return count <= 1024 ? t.normalMs : ReadTimeouts::kLongReadMs;
}

std::uint8_t blockChecksum(std::span<const std::uint8_t> lengthDataTerminator) {
    std::uint8_t sum = 0;
    for (const std::uint8_t b : lengthDataTerminator) sum = static_cast<std::uint8_t>(sum + b);
    return static_cast<std::uint8_t>(~sum);
}

BlockResult receiveBlock(BlockLine& line, ReadTimeouts& t, std::vector<std::uint8_t>& out,
                         const std::function<bool()>& cancelled) {
    BlockResult result;
    // Length bytes, data and terminator: what the checksum covers.
    std::vector<std::uint8_t> body;
    body.reserve(kMaxBlockData + 3);
    for (int attempt = 1; attempt <= kBlockAttempts; ++attempt) {
        result.attempts = attempt;
        std::uint8_t b = 0;

        if (!readExact(line, std::span(&b, 1), readTimeout(t, 1, false, true))) {
            line.pause(500);
            line.send(kNak);
            result.error = LinkError::TimedOut;
            continue;
        }
        if (b != kStx) {
            result.error = LinkError::BadReply;
            resynchronise(line, t);
            continue;
        }

        body.assign(2, 0);
        if (!readExact(line, std::span(body.data(), 2), readTimeout(t, 2, false, false))) {
            line.pause(500);
            line.send(kNak);
            result.error = LinkError::TimedOut;
            continue;
        }
        const std::size_t length = (std::size_t{body[0]} << 8) | body[1];
        if (length > kMaxBlockData) {
            result.error = LinkError::BadReply;
            resynchronise(line, t);
            continue;
        }

        body.resize(2 + length + 1);
        const auto data = std::span(body).subspan(2, length);
        if (length > 0 && !readExact(line, data, readTimeout(t, length, false, false))) {
            line.send(kNak);
            result.error = LinkError::TimedOut;
            continue;
        }
        if (!readExact(line, std::span(&body[2 + length], 1), readTimeout(t, 1, false, false))) {
            line.send(kNak);
            result.error = LinkError::TimedOut;
            continue;
        }
        if (body[2 + length] != kEtb && body[2 + length] != kEtx) {
            result.error = LinkError::BadReply;
            resynchronise(line, t);
            continue;
        }

        std::uint8_t checksum = 0;
        if (!readExact(line, std::span(&checksum, 1), readTimeout(t, 1, false, false))) {
            line.send(kNak);
            result.error = LinkError::TimedOut;
            continue;
        }
        if (cancelled && cancelled()) {
            line.send(kCan);
            result.error = LinkError::Cancelled;
            return result;
        }
        if (checksum != blockChecksum(body)) {
            line.send(kNak);
            result.error = LinkError::Checksum;
            continue;
        }
        line.send(kAck);
        out.insert(out.end(), data.begin(), data.end());
        t.blocksReceived = std::min(t.blocksReceived + 1, ReadTimeouts::kBlockCountCap);
        t.firstBlock = false;
        result.error = LinkError::Ok;
        result.last = length == 0;
        return result;
    }
    return result;
}

}  // namespace lumbrel::camera
