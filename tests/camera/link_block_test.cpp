// The block receiver over bytes in memory: what it answers on the line and
// what it accepts, for good, broken and oversized blocks.

#include "camera/link_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace lumbrel::camera;

namespace {

using Bytes = std::vector<std::uint8_t>;

/// A line that delivers the given bytes and records what is sent back.
class MemoryLine final : public BlockLine {
public:
    explicit MemoryLine(Bytes in) : in_(std::move(in)) {}
    std::size_t read(std::span<std::uint8_t> into, int timeoutMs) override {
        timeouts.push_back(timeoutMs);
        const std::size_t n = std::min(into.size(), in_.size() - pos_);
        std::copy_n(in_.begin() + std::ptrdiff_t(pos_), n, into.begin());
        pos_ += n;
        return n;
    }
    void send(std::uint8_t control) override { sent.push_back(control); }
    void purgeInput() override { pos_ = in_.size(); }
    void pause(int ms) override { pauses.push_back(ms); }
    std::size_t left() const { return in_.size() - pos_; }

    Bytes sent;
    std::vector<int> timeouts;
    std::vector<int> pauses;

private:
    Bytes in_;
    std::size_t pos_ = 0;
};

Bytes block(const Bytes& data, std::uint8_t terminator = kEtx, bool badSum = false, std::size_t claimed = SIZE_MAX) {
    const std::size_t n = claimed == SIZE_MAX ? data.size() : claimed;
    Bytes body{std::uint8_t(n >> 8), std::uint8_t(n)};
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(terminator);
    std::uint8_t sum = blockChecksum(body);
    if (badSum) sum = std::uint8_t(sum ^ 0x5A);
    body.insert(body.begin(), kStx);
    body.push_back(sum);
    return body;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

BlockResult receive(MemoryLine& line, Bytes& out, bool cancel = false) {
    ReadTimeouts t;
    return receiveBlock(line, t, out, [&] { return cancel; });
}

}  // namespace

TEST(LinkBlock, AcceptsBlocksAndTheEmptyEnd) {
    const Bytes data{'1', '0', '0', 'A', 0, kEtx, kEtb, kStx};  // control bytes inside data are data
    MemoryLine line(concat({block(data, kEtb), block({})}));
    Bytes out;
    auto r = receive(line, out);
    EXPECT_EQ(r.error, LinkError::Ok);
    EXPECT_FALSE(r.last);
    EXPECT_EQ(out, data);
    r = receive(line, out);
    EXPECT_EQ(r.error, LinkError::Ok);
    EXPECT_TRUE(r.last);
    EXPECT_EQ(line.sent, (Bytes{kAck, kAck}));
}

TEST(LinkBlock, BadChecksumIsAskedForAgain) {
    const Bytes data(700, 0x41);
    MemoryLine line(concat({block(data, kEtx, true), block(data, kEtx, true), block(data)}));
    Bytes out;
    const auto r = receive(line, out);
    EXPECT_EQ(r.error, LinkError::Ok);
    EXPECT_EQ(r.attempts, 3);
    EXPECT_EQ(out, data);  // the broken copies are not kept
    EXPECT_EQ(line.sent, (Bytes{kNak, kNak, kAck}));
}

TEST(LinkBlock, FourFailedAttemptsFail) {
    const Bytes data(10, 0x41);
    MemoryLine line(concat({block(data, kEtx, true), block(data, kEtx, true), block(data, kEtx, true),
                            block(data, kEtx, true), block(data)}));
    Bytes out;
    const auto r = receive(line, out);
    EXPECT_EQ(r.error, LinkError::Checksum);
    EXPECT_EQ(r.attempts, 4);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(line.sent, (Bytes{kNak, kNak, kNak, kNak}));
}

TEST(LinkBlock, OversizedBlockIsResynchronised) {
    // Length 1545: refused, skipped up to its terminator and checksum, NAKed.
    const Bytes filler(1545, 0x55);
    MemoryLine line(concat({block(filler, kEtb), block({'o', 'k'})}));
    Bytes out;
    const auto r = receive(line, out);
    EXPECT_EQ(r.error, LinkError::Ok);
    EXPECT_EQ(r.attempts, 2);
    EXPECT_EQ(out, (Bytes{'o', 'k'}));
    EXPECT_EQ(line.sent, (Bytes{kNak, kAck}));
    EXPECT_EQ(line.left(), 0u);

    // The longest allowed block is taken.
    MemoryLine longest(block(Bytes(kMaxBlockData, 0x55)));
    out.clear();
    EXPECT_EQ(receive(longest, out).error, LinkError::Ok);
    EXPECT_EQ(out.size(), kMaxBlockData);
}

TEST(LinkBlock, GarbageAndWrongTerminatorResynchronise) {
    Bytes wrongEnd = block({'x'});
    wrongEnd[4] = 0x00;  // terminator neither ETB nor ETX
    // A resynchronisation reads to the next terminator and the byte after it.
    MemoryLine line(concat({Bytes{0x41, 0x42, kEtx, 0x00}, wrongEnd, Bytes{kEtx, 0x00}, block({'y'})}));
    Bytes out;
    const auto r = receive(line, out);
    EXPECT_EQ(r.error, LinkError::Ok);
    EXPECT_EQ(out, (Bytes{'y'}));
    EXPECT_EQ(line.sent, (Bytes{kNak, kNak, kAck}));
}

TEST(LinkBlock, SilenceAndShortBlocksTimeOut) {
    MemoryLine silent({});
    Bytes out;
    const auto r = receive(silent, out);
    EXPECT_EQ(r.error, LinkError::TimedOut);
    EXPECT_EQ(r.attempts, 4);
    EXPECT_EQ(silent.sent, Bytes(4, kNak));
    EXPECT_EQ(silent.pauses, std::vector<int>(4, 500));  // 500 ms before each NAK after a silent line

    Bytes cut = block(Bytes(100, 1));
    cut.resize(50);
    MemoryLine shortLine(cut);
    EXPECT_EQ(receive(shortLine, out).error, LinkError::TimedOut);
    EXPECT_TRUE(out.empty());
}

TEST(LinkBlock, CancelSendsCan) {
    MemoryLine line(block({'a'}));
    Bytes out;
    const auto r = receive(line, out, true);
    EXPECT_EQ(r.error, LinkError::Cancelled);
    EXPECT_EQ(line.sent, (Bytes{kCan}));
    EXPECT_TRUE(out.empty());
}

TEST(LinkBlock, ReadTimeouts) {
    ReadTimeouts t;
    EXPECT_EQ(readTimeout(t, 1, false, false), 3800);
    EXPECT_EQ(readTimeout(t, 1024, false, false), 3800);
    EXPECT_EQ(readTimeout(t, 1025, false, false), 1544);
    EXPECT_EQ(readTimeout(t, 4, true, false), 20000);  // a fixed-size reply
    t.firstBlock = true;
    EXPECT_EQ(readTimeout(t, 1, false, true), 20000);  // STX of the first block
    EXPECT_EQ(readTimeout(t, 2, false, false), 3800);
    t.firstBlock = false;
    t.movie = true;
    EXPECT_EQ(readTimeout(t, 1544, false, false), 20000);
    t.blocksReceived = ReadTimeouts::kBlockCountCap;
    EXPECT_EQ(readTimeout(t, 1, false, true), 1544);  // well into a transfer, single bytes wait less
    EXPECT_EQ(readTimeout(t, 2, false, false), 20000);
    t.movie = false;
    t.normalMs = 100;  // a quick poll
    EXPECT_EQ(readTimeout(t, 2, false, false), 100);
}
