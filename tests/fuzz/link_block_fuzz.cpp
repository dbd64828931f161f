// Feeds arbitrary camera bytes to the serial link's block receiver and checks
// what must hold for any input:
//   - no crash, no read past a buffer (the sanitizers stop the run);
//   - every call ends with a result code, after at most four attempts, and
//     answers each attempt on the line (ACK, NAK or CAN);
//   - an accepted block adds at most 1544 bytes; a failed one adds nothing;
//   - the receiver never asks for more bytes than a block can hold.
// The first input byte chooses when the user cancels; the rest is the line.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "camera/link_block.h"

namespace {

using namespace lumbrel::camera;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "link_block_fuzz: %s\n", what);
        std::abort();
    }
}

class FuzzLine final : public BlockLine {
public:
    explicit FuzzLine(std::span<const std::uint8_t> in) : in_(in) {}
    std::size_t read(std::span<std::uint8_t> into, int timeoutMs) override {
        check(into.size() <= kMaxBlockData, "read larger than a block");
        check(timeoutMs > 0, "read without a time-out");
        const std::size_t n = std::min(into.size(), in_.size() - pos_);
        for (std::size_t i = 0; i < n; ++i) into[i] = in_[pos_ + i];
        pos_ += n;
        return n;
    }
    void send(std::uint8_t control) override {
        check(control == kAck || control == kNak || control == kCan, "unexpected control byte");
        ++sent;
        if (control == kCan) ++cans;
    }
    void purgeInput() override {}
    void pause(int ms) override { check(ms == 500, "unexpected pause"); }
    bool exhausted() const { return pos_ == in_.size(); }

    int sent = 0;
    int cans = 0;

private:
    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int cancelAt = data[0] & 0x0F;  // cancel before the n-th acknowledgement (0x0F: never)
    FuzzLine line(std::span(data + 1, size - 1));
    ReadTimeouts timeouts;
    timeouts.firstBlock = true;
    std::vector<std::uint8_t> out;
    int asked = 0;
    const auto cancelled = [&] { return cancelAt != 0x0F && asked++ >= cancelAt; };

    // Blocks until the line runs dry, an error, or the end of the transfer.
    for (int blocks = 0; blocks < 64; ++blocks) {
        const std::size_t before = out.size();
        const int sentBefore = line.sent;
        const BlockResult r = receiveBlock(line, timeouts, out, cancelled);
        check(r.attempts >= 1 && r.attempts <= kBlockAttempts, "attempts out of range");
        check(line.sent - sentBefore >= 1 && line.sent - sentBefore <= r.attempts, "attempt not answered");
        if (r.error != LinkError::Ok) {
            check(out.size() == before, "a failed block left data");
            check(r.error == LinkError::TimedOut || r.error == LinkError::BadReply || r.error == LinkError::Checksum ||
                      r.error == LinkError::Cancelled,
                  "unexpected result code");
            check((r.error == LinkError::Cancelled) == (line.cans == 1), "CAN without cancel");
            break;
        }
        check(out.size() - before <= kMaxBlockData, "block larger than allowed");
        check(timeouts.blocksReceived <= ReadTimeouts::kBlockCountCap, "block counter past its cap");
        if (r.last || line.exhausted()) break;
    }
    return 0;
}
