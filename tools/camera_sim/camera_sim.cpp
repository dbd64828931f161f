#include "camera_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace lumbrel::camerasim {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kEnq = 0x05, kAck = 0x06, kNak = 0x15, kStx = 0x02, kEtx = 0x03, kEtb = 0x17, kDc2 = 0x12,
                       kCan = 0x18;
constexpr int kSpeeds[] = {2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200};

/// The bytes that follow the two letters of a command: by its letters, as the link sends them.
/// -1: up to and including a zero byte.
int argumentLength(const std::string& two) {
    if (two == "CD" || two == "ZQ" || two == "ZG") return -1;
    if (two == "WL") return 8;
    if (two == "RL" || two == "GO" || two == "XF" || two == "CC") return 4;
    if (two == "EY") return 3;
    if (two == "XA" || two == "XT" || two == "XG" || two == "Xh" || two == "GD") return 2;
    if (two == "NP" || two == "cb") return 1;
    if (two == "PP") return 2;
    return 0;
}

std::uint8_t complementSum(const std::vector<std::uint8_t>& bytes, std::size_t from = 0) {
    std::uint8_t sum = 0;
    for (std::size_t i = from; i < bytes.size(); ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return static_cast<std::uint8_t>(~sum);
}

std::vector<std::uint8_t> nameList(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    std::vector<std::uint8_t> out;
    for (const auto& n : names) {
        out.insert(out.end(), n.begin(), n.end());
        out.push_back(0);
    }
    out.push_back(0);
    return out;
}

}  // namespace

CameraSim::CameraSim(SimOptions options) : options_(std::move(options)) {
    nakLeft_ = options_.nakEnq;
    busyLeft_ = options_.busyPolls;
    folder_ = options_.card;
}

CameraSim::~CameraSim() {
    stop();
    join();
    closeLine();
}

bool CameraSim::start() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return false;
    slavePath_ = ::ptsname(master_);
    // Holding the other side open keeps the line up while the link closes and
    // reopens its port; raw mode from the start, so nothing is echoed.
    slaveHold_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveHold_ < 0) return false;
    termios t{};
    ::tcgetattr(slaveHold_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slaveHold_, TCSANOW, &t);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    thread_ = std::thread([this] { serve(); });
    return true;
}

void CameraSim::stop() { stop_ = true; }

void CameraSim::pullCable() { pulled_ = true; }

void CameraSim::join() {
    if (thread_.joinable()) thread_.join();
}

void CameraSim::closeLine() {
    if (master_ >= 0) ::close(master_);
    if (slaveHold_ >= 0) ::close(slaveHold_);
    master_ = slaveHold_ = -1;
}

bool CameraSim::waitForCommand(const std::string& command, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return std::find(stats_.commands.begin(), stats_.commands.end(), command) != stats_.commands.end();
    });
}

SimStats CameraSim::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

int CameraSim::readByte(int timeoutMs) {
    if (pending_ >= 0) return std::exchange(pending_, -1);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!stop_ && !pulled_ && master_ >= 0) {
        std::uint8_t b = 0;
        const ssize_t n = ::read(master_, &b, 1);
        if (n == 1) return b;
        if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) return -1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return -1;
        pollfd p{master_, POLLIN, 0};
        // Short polls, so that stop and a pulled cable are seen promptly.
        ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
    }
    return -1;
}

bool CameraSim::writeBytes(const std::vector<std::uint8_t>& bytes) {
    const int speed = stats().speed;
    const auto start = Clock::now();
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (stop_ || pulled_) return false;
        // Paced: send in small batches, each once the line would have carried
        // the bytes before it (ten bits a byte: start, eight data, stop).
        std::size_t batch = bytes.size() - done;
        if (options_.pace) {
            batch = std::min<std::size_t>(batch, 32);
            const auto due = start + std::chrono::microseconds(done * 10 * 1000000 / std::size_t(speed));
            std::this_thread::sleep_until(due);
        }
        const ssize_t n = ::write(master_, bytes.data() + done, batch);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            return false;
        }
    }
    if (options_.pace) {
        const auto lineTime = std::chrono::microseconds(bytes.size() * 10 * 1000000 / std::size_t(speed));
        std::this_thread::sleep_until(start + lineTime);
    }
    return true;
}

void CameraSim::serve() {
    while (!stop_) {
        if (pulled_) {
            closeLine();
            return;
        }
        const int b = readByte(100);
        if (b < 0) continue;
        if (b != kEnq) continue;  // a stray control byte
        {
            std::lock_guard lock(mutex_);
            ++stats_.enqs;
        }
        // The cable goes when the link next addresses the camera, so that the
        // last reply has reached it and the link is waiting for an answer.
        if (options_.pullCableAfter >= 0 && executed_ >= options_.pullCableAfter) {
            pulled_ = true;
            continue;
        }
        if (options_.noAnswer) continue;
        if (nakLeft_ > 0 && ackedEnqs_ >= options_.nakEnqAfter) {
            --nakLeft_;
            writeBytes({kNak});
            continue;
        }
        ++ackedEnqs_;
        writeBytes({kAck});
        handleCommand();
    }
}

bool CameraSim::handleCommand() {
    std::vector<std::uint8_t> bytes;
    // The link may wait 2 s after its first ENQ before it reads the ACK.
    int b = readByte(5000);
    // ENQ again: the last one was a handshake alone (a speed confirmation).
    while (b == kEnq) {
        {
            std::lock_guard lock(mutex_);
            ++stats_.enqs;
        }
        writeBytes({kAck});
        b = readByte(5000);
    }
    if (b < 0) return false;
    bytes.push_back(static_cast<std::uint8_t>(b));
    const int b2 = readByte(1000);
    if (b2 < 0) return false;
    bytes.push_back(static_cast<std::uint8_t>(b2));
    const std::string two(bytes.begin(), bytes.end());
    const int more = argumentLength(two);
    if (more < 0) {
        for (;;) {
            const int c = readByte(1000);
            if (c < 0) return false;
            bytes.push_back(static_cast<std::uint8_t>(c));
            if (c == 0 || bytes.size() > 300) break;
        }
    } else {
        for (int i = 0; i < more; ++i) {
            const int c = readByte(1000);
            if (c < 0) return false;
            bytes.push_back(static_cast<std::uint8_t>(c));
        }
    }
    writeBytes({complementSum(bytes)});
    const int answer = readByte(2000);
    if (answer != kAck) {
        if (answer == kEnq) pending_ = answer;
        return false;
    }
    ++executed_;
    execute(two, bytes);
    return true;
}

void CameraSim::execute(const std::string& two, const std::vector<std::uint8_t>& bytes) {
    std::string argument;
    if (argumentLength(two) < 0) argument.assign(bytes.begin() + 2, bytes.end() - (bytes.back() == 0 ? 1 : 0));
    {
        std::lock_guard lock(mutex_);
        std::string text = two + argument;
        if (two == "cb")
            text += std::to_string(bytes[2]);
        else if (argumentLength(two) > 0)
            text.append(bytes.begin() + 2, bytes.end());
        stats_.commands.push_back(text);
    }
    changed_.notify_all();
    if (two == "SU") {
        writeBytes({options_.identity, options_.identity + 4});
    } else if (two == "NP") {
        writeBytes({0x00});
    } else if (two == "BC") {
        writeBytes({std::uint8_t(options_.batteryLow ? 0xFF : 0x00)});
    } else if (two == "ZD") {
        if (busyLeft_ > 0) {
            --busyLeft_;
            writeBytes({0x00});
        } else {
            writeBytes({0xFF});
        }
    } else if (two == "CD") {
        const fs::path dcim = fs::path(options_.card) / "DCIM";
        folder_ = argument == "DCIM" ? dcim.string() : (dcim / argument).string();
        std::error_code ec;
        writeBytes({std::uint8_t(fs::is_directory(folder_, ec) ? 0x00 : 0x01)});
    } else if (two == "ZH") {
        sendBulk(listFolders());
    } else if (two == "ZE") {
        sendBulk(listFiles());
    } else if (two == "ZQ") {
        std::error_code ec;
        const auto size = fs::file_size(fs::path(folder_) / argument, ec);
        const std::uint32_t n = options_.announcedSize ? *options_.announcedSize : ec ? 0u : std::uint32_t(size);
        writeBytes({std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
    } else if (two == "ZG") {
        std::ifstream in(fs::path(folder_) / argument, std::ios::binary);
        sendBulk(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
    } else if (two == "cb") {
        // The speed changes once the command is acknowledged.
        if (bytes[2] < std::size(kSpeeds)) {
            std::lock_guard lock(mutex_);
            stats_.speed = kSpeeds[bytes[2]];
        }
    } else if (two == "QR" || two == "QX") {
        folder_ = options_.card;
    }
    // "PP", "DO" and anything else: no reply.
}

std::vector<std::uint8_t> CameraSim::listFolders() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(fs::path(options_.card) / "DCIM", ec))
        if (e.is_directory()) names.push_back(e.path().filename().string());
    return nameList(names);
}

std::vector<std::uint8_t> CameraSim::listFiles() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder_, ec))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    return nameList(names);
}

void CameraSim::sendBulk(const std::vector<std::uint8_t>& data) {
    // The link asks for the data with DC2.
    const int start = readByte(5000);
    if (start != kDc2) {
        if (start == kEnq) pending_ = start;
        return;
    }
    const std::size_t size = std::max<std::size_t>(options_.blockSize, 1);
    std::size_t offset = 0;
    for (;;) {
        const std::size_t n = std::min(size, data.size() - offset);
        for (int attempt = 0;; ++attempt) {
            std::vector<std::uint8_t> block{kStx};
            if (options_.oversizeBlock && !oversizeUsed_ && n > 0) {
                // 1545 bytes that hold no terminator, so the link resynchronises at its end.
                oversizeUsed_ = true;
                block.push_back(0x06);
                block.push_back(0x09);
                block.insert(block.end(), 1545, 0x55);
            } else {
                block.push_back(std::uint8_t(n >> 8));
                block.push_back(std::uint8_t(n));
                const auto from = data.begin() + std::ptrdiff_t(offset);
                block.insert(block.end(), from, from + std::ptrdiff_t(n));
            }
            block.push_back(offset + n >= data.size() ? kEtx : kEtb);
            std::uint8_t sum = complementSum(block, 1);
            const bool corrupt = options_.corrupt == SimOptions::Corrupt::Always ||
                                 (options_.corrupt == SimOptions::Corrupt::Once && !corruptUsed_);
            if (corrupt) {
                corruptUsed_ = true;
                sum = static_cast<std::uint8_t>(~sum);
            }
            block.push_back(sum);
            {
                std::lock_guard lock(mutex_);
                ++stats_.blocksSent;
            }
            if (!writeBytes(block)) return;
            const int answer = readByte(30000);
            if (answer == kAck) {
                std::lock_guard lock(mutex_);
                stats_.payloadSent += n;
                break;
            }
            std::lock_guard lock(mutex_);
            if (answer == kNak) {
                ++stats_.naks;
                if (attempt < 8) continue;
            }
            if (answer == kCan) ++stats_.cans;
            if (answer == kEnq) pending_ = answer;
            return;
        }
        if (n == 0) return;
        offset += n;
    }
}

}  // namespace lumbrel::camerasim
