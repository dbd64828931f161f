#include "media/split_scan.h"

#include "platform/side_thread.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <optional>
#include <vector>

namespace lumbrel::media {
namespace {

// How often the second thread starts again after data it could not decode.
constexpr int kMaxRuns = 64;

// The last block of each component in an MCU: its DC value is the prediction
// for the next MCU.
constexpr std::array<int, 3> kLastBlock = {3, 4, 5};

// Starts the second part's work on a thread of its own, or, in turn, does it
// all before the first part starts. The thread is waited for when the result
// goes out of scope.
std::optional<platform::SideThread> runSecond(const std::function<void()>& second, const ScanSplit& split) {
    if (split.mode == ScanSplit::Mode::InTurn) {
        second();
        return std::nullopt;
    }
    return std::optional<platform::SideThread>(std::in_place, second);
}

bool decodeAlone(const JpegFile& file, std::span<const std::uint8_t> data,
                 const std::function<bool(ScanDecoder&, int)>& decodeMcu, int total) {
    ScanDecoder decoder(file, data);
    for (int m = 0; m < total; ++m) {
        if (!decodeMcu(decoder, m)) return false;
    }
    return decoder.finish();
}

// With restart markers: the second part starts at the first marker at or
// after the middle of the data, whose MCU the markers before it tell.
bool decodeAtRestart(const JpegFile& file, std::span<const std::uint8_t> data,
                     const std::function<bool(ScanDecoder&, int)>& decodeMcu, int total, const ScanSplit& split) {
    const std::uint8_t* bytes = data.data();
    const std::size_t end = file.scanEnd;
    const std::size_t middle = file.scanOffset + (end - file.scanOffset) / 2;
    int before = 0;
    std::size_t marker = 0;
    for (std::size_t p = file.scanOffset; p + 1 < end;) {
        const void* ff = std::memchr(bytes + p, 0xFF, end - 1 - p);
        if (ff == nullptr) break;
        p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - bytes);
        if (bytes[p + 1] < 0xD0 || bytes[p + 1] > 0xD7) {
            ++p;  // a stuffed FF 00, or a fill byte before a marker
            continue;
        }
        if (p >= middle) {
            marker = p;
            break;
        }
        ++before;
        p += 2;
    }
    const int firstOfSecond = (before + 1) * file.restartInterval;
    if (marker == 0 || firstOfSecond >= total) return decodeAlone(file, data, decodeMcu, total);

    bool secondOk = false;
    bool firstOk = true;
    {
        const auto second = [&] {
            ScanDecoder decoder = ScanDecoder::atRestart(file, data, marker, firstOfSecond);
            for (int m = firstOfSecond; m < total; ++m) {
                if (!decodeMcu(decoder, m)) return;
            }
            secondOk = decoder.finish();
        };
        const auto secondThread = runSecond(second, split);
        ScanDecoder decoder(file, data);
        for (int m = 0; m < firstOfSecond && firstOk; ++m) firstOk = decodeMcu(decoder, m);
        // The marker the second part started at must stand right where the first ends.
        firstOk = firstOk && decoder.beginMcu();
    }
    return firstOk && secondOk;
}

}  // namespace

bool decodeScan(const JpegFile& file, std::span<const std::uint8_t> data,
                const std::function<bool(ScanDecoder&, int)>& decodeMcu, const ScanDecoder::CoefficientOrder& tailOrder,
                ScanTail& tail, const ScanSplit& split) {
    const int total = file.mcusWide() * file.mcusHigh();
    tail.firstMcu_ = total;
    tail.offset_ = 0;
    tail.blocks_ = {};
    if (split.mode == ScanSplit::Mode::Never ||
        (split.mode == ScanSplit::Mode::WhenWorthwhile && (total < kSplitMcus || !platform::SideThread::worthwhile())))
        return decodeAlone(file, data, decodeMcu, total);
    if (file.scanEnd - file.scanOffset < 16) return decodeAlone(file, data, decodeMcu, total);
    if (file.restartInterval != 0) return decodeAtRestart(file, data, decodeMcu, total, split);

    // The second thread starts at the middle byte (not the 00 of a stuffed
    // FF 00) and records where each of its MCUs began; the first, from the
    // beginning, compares its MCU boundaries with those.
    std::size_t start = file.scanOffset + (file.scanEnd - file.scanOffset) * static_cast<std::size_t>(std::clamp(split.firstShare, 1, 99)) / 100;
    start = std::max(start, file.scanOffset + 1);
    if (data[start - 1] == 0xFF) ++start;
    // Room for every MCU, and for the MCU each run that fails ends with.
    const int room = total + kMaxRuns + 1;
    tail.blocks_ = platform::LargeBuffer(static_cast<std::size_t>(room) * 6 * 64 * sizeof(std::int16_t),
                                         platform::LargeBuffer::Touch::WhenUsed);
    std::int16_t* const blocks = tail.blocks_.as<std::int16_t>();
    std::vector<std::int64_t> starts(static_cast<std::size_t>(room) + 1);
    std::vector<int> runs(static_cast<std::size_t>(room) + 1);
    std::atomic<int> recorded{0};
    std::atomic<bool> stop{false};
    int meetFirst = -1;  // the MCU where the two met, and its index in the second's
    int meetSecond = -1;
    std::array<int, 3> predictions{};
    bool firstOk = true;
    ScanDecoder first(file, data);
    {
        const auto second = [&] {
            // Started at a byte that is no MCU boundary, the decoder may meet
            // data that cannot be decoded before it falls into step: it then
            // starts again after that point, a new run. A run ends at the
            // first MCU it cannot decode, or past the end of the data.
            std::optional<ScanDecoder> decoder(ScanDecoder::partWay(file, data, start));
            int run = 0;
            for (int j = 0; j <= room;) {
                if (!decoder->finish()) break;  // past the end of the data
                starts[static_cast<std::size_t>(j)] = decoder->position();
                runs[static_cast<std::size_t>(j)] = run;
                recorded.store(j + 1, std::memory_order_release);
                if (j == room || stop.load(std::memory_order_relaxed) || !decoder->beginMcu()) break;
                std::int16_t* mcu = blocks + static_cast<std::size_t>(j) * 6 * 64;
                bool ok = true;
                for (std::size_t b = 0; b < 6 && ok; ++b) ok = decoder->decodeBlock(kMcuBlockComponent[b], mcu + b * 64, tailOrder);
                ++j;
                if (ok) continue;
                std::size_t next = decoder->nextByte(data);
                if (++run > kMaxRuns || next + 1 >= file.scanEnd) break;
                if (data[next - 1] == 0xFF) ++next;
                ScanDecoder again = ScanDecoder::partWay(file, data, next, &*decoder);
                decoder.emplace(std::move(again));
            }
        };
        const auto secondThread = runSecond(second, split);
        int j = 0;
        for (int m = 0; m < total && firstOk; ++m) {
            const std::int64_t here = first.position();
            const int ready = recorded.load(std::memory_order_acquire);
            while (j < ready && starts[static_cast<std::size_t>(j)] < here) ++j;
            if (j < ready && starts[static_cast<std::size_t>(j)] == here) {
                meetFirst = m;
                meetSecond = j;
                for (int c = 0; c < 3; ++c) predictions[static_cast<std::size_t>(c)] = first.prediction(c);
                break;
            }
            firstOk = decodeMcu(first, m);
        }
        if (meetFirst < 0) {
            stop.store(true, std::memory_order_relaxed);  // the first did it all, or failed
            firstOk = firstOk && first.finish();
        }
    }
    if (!firstOk || meetFirst < 0) return firstOk;

    // The second must have decoded every MCU from the meeting point on, in the
    // run it met in, and stayed within the data after the last. When it did
    // not (it ran out of room, or its run ended in data it could not decode),
    // the first goes on from the meeting point itself, as if alone.
    const int needed = total - meetFirst;
    const auto last = static_cast<std::size_t>(meetSecond + needed);
    if (meetSecond + needed >= recorded.load() || runs[last] != runs[static_cast<std::size_t>(meetSecond)]) {
        for (int m = meetFirst; m < total && firstOk; ++m) firstOk = decodeMcu(first, m);
        return firstOk && first.finish();
    }
    // Its DC values are off by the difference of the predictions where they
    // met: its own were those of the MCU before in the same run, 0 at the
    // start of a run.
    const bool runStart = meetSecond == 0 || runs[static_cast<std::size_t>(meetSecond - 1)] != runs[static_cast<std::size_t>(meetSecond)];
    std::array<int, 3> offset{};
    for (std::size_t c = 0; c < 3; ++c) {
        const int secondPrediction =
            runStart ? 0 : blocks[(static_cast<std::size_t>(meetSecond - 1) * 6 + static_cast<std::size_t>(kLastBlock[c])) * 64];
        offset[c] = predictions[c] - secondPrediction;
    }
    for (int j = meetSecond; j < meetSecond + needed; ++j) {
        for (std::size_t b = 0; b < 6; ++b) {
            std::int16_t& dc = blocks[(static_cast<std::size_t>(j) * 6 + b) * 64];
            const auto value = static_cast<std::int16_t>(dc + offset[static_cast<std::size_t>(kMcuBlockComponent[b])]);
            if (value < -2047 || value > 2047) return false;
            dc = value;
        }
    }
    tail.firstMcu_ = meetFirst;
    tail.offset_ = meetSecond;
    return true;
}

}  // namespace lumbrel::media
