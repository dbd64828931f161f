#pragma once
// Receiving one data block from the camera. A block on the line is
//   STX, length N (2 bytes, high byte first, at most 1544), N data bytes,
//   ETB (more blocks follow) or ETX, checksum
// where the checksum is the complement of the 8-bit sum of the length bytes,
// the data and the terminator. Each block is answered with ACK, NAK (send it
// again) or CAN (the user cancelled). A block of length 0 ends a transfer.
// The receiver takes its bytes through BlockLine, so that it can be fed by the
// serial port or by any sequence of bytes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "camera/link_error.h"

namespace lumbrel::camera {

inline constexpr std::uint8_t kEnq = 0x05, kAck = 0x06, kNak = 0x15, kStx = 0x02, kEtx = 0x03, kEtb = 0x17,
                              kDc2 = 0x12, kCan = 0x18;
/// The largest data length of a block (the port queues are sized to match).
inline constexpr std::size_t kMaxBlockData = 1544;
/// Attempts per block: the first and three repetitions.
inline constexpr int kBlockAttempts = 4;

/// The line as the block receiver uses it.
class BlockLine {
public:
    virtual ~BlockLine() = default;
    /// Reads into.size() bytes within timeoutMs in all; returns how many were read.
    virtual std::size_t read(std::span<std::uint8_t> into, int timeoutMs) = 0;
    /// Sends one control byte (ACK, NAK, CAN).
    virtual void send(std::uint8_t control) = 0;
    /// Discards what was received and not read.
    virtual void purgeInput() = 0;
    /// Waits ms milliseconds.
    virtual void pause(int ms) = 0;
};

/// What decides a read's time-out (in milliseconds).
struct ReadTimeouts {
    int normalMs = 3800;          ///< the link's read time-out (100 during a quick poll)
    bool movie = false;           ///< a movie file is being fetched
    int blocksReceived = 0;       ///< blocks read in the current transfer, capped at kBlockCountCap
    bool firstBlock = false;      ///< the next block is the first of the transfer
    static constexpr int kBlockCountCap = 6;
    static constexpr int kMovieMs = 20000;
    static constexpr int kLongReadMs = 1544;
};

/// The time-out of a read of count bytes. fixedReply: the fixed-size reply of
/// a command; firstByteOfBlock: the STX of a block.
/// A single byte once the transfer has run its first blocks gets 1544 ms (a
/// camera that stalls mid-transfer is given up on sooner); a movie, a fixed
/// reply and the STX of the first block get 20000 ms (a camera may need that
/// long to start sending a movie); otherwise reads of up to 1024 bytes get the
/// normal time-out and longer ones 1544 ms.
int readTimeout(const ReadTimeouts& t, std::size_t count, bool fixedReply, bool firstByteOfBlock);

struct BlockResult {
    LinkError error = LinkError::Ok;
    bool last = false;        ///< the block had length 0: the transfer has ended
    int attempts = 0;         ///< attempts used (1 to kBlockAttempts)
};

/// Receives one block, appending its data to out (only once accepted) and
/// answering it on the line; up to kBlockAttempts attempts, each failed one
/// NAKed after resynchronising where needed. cancelled is asked before a
/// block is acknowledged: when it says yes, CAN is sent and the result is
/// Cancelled. timeouts.blocksReceived and firstBlock are advanced.
BlockResult receiveBlock(BlockLine& line, ReadTimeouts& timeouts, std::vector<std::uint8_t>& out,
                         const std::function<bool()>& cancelled);

/// The checksum of a block over its length bytes, data and terminator.
std::uint8_t blockChecksum(std::span<const std::uint8_t> lengthDataTerminator);

}  // namespace lumbrel::camera
