#pragma once
// A camera on a pseudo-terminal: plays the camera's side of the serial link
// (handshake, command echo, replies, data blocks) over a card folder that
// holds DCIM/<nnnXXXXX>/ files, with faults to inject on request. Runs on a
// thread of its own; the program camera-sim and the tests use it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lumbrel::camerasim {

struct SimOptions {
    std::string card;                                   ///< folder holding DCIM
    std::uint8_t identity[4] = {0x01, 0xC8, 0x00, 0x00};  ///< the "SU" reply r0..r3
    bool noAnswer = false;                              ///< never answer anything
    int nakEnq = 0;                                     ///< answer so many ENQs with NAK...
    int nakEnqAfter = 0;                                ///< ...once this many have been answered with ACK
    enum class Corrupt { None, Once, Always };
    Corrupt corrupt = Corrupt::None;                    ///< a wrong checksum on the first block sent, or on every one
    bool oversizeBlock = false;                         ///< send the first block once with length 1545
    /// Close the line when addressed again after this many commands (-1: never).
    int pullCableAfter = -1;
    bool pace = false;                                  ///< send at the line speed (speed / 10 bytes a second)
    bool batteryLow = false;                            ///< "BC" says the battery is running out
    int busyPolls = 0;                                  ///< "ZD" says busy this many times first
    std::optional<std::uint32_t> announcedSize;         ///< "ZQ" reports this size for every file
    std::size_t blockSize = 1544;                       ///< data bytes per block
};

/// What the camera saw: for tests and the program's summary.
struct SimStats {
    std::vector<std::string> commands;  ///< every command accepted, as text ("cb" with its index as a digit)
    int enqs = 0;                       ///< ENQs received
    int naks = 0;                       ///< NAKs received for blocks
    int cans = 0;                       ///< CANs received
    int blocksSent = 0;                 ///< blocks sent, repetitions included
    std::uint64_t payloadSent = 0;      ///< data bytes of the blocks acknowledged
    int speed = 9600;                   ///< the line speed now
};

class CameraSim {
public:
    explicit CameraSim(SimOptions options);
    ~CameraSim();
    CameraSim(const CameraSim&) = delete;
    CameraSim& operator=(const CameraSim&) = delete;

    /// Opens the pseudo-terminal and starts serving on a thread; false when no
    /// pseudo-terminal can be had.
    bool start();
    /// The device the link opens (/dev/pts/N).
    const std::string& devicePath() const { return slavePath_; }
    /// Stops serving and closes the line.
    void stop();
    /// Pulls the cable now: the line goes away under the link.
    void pullCable();
    bool cablePulled() const { return pulled_; }
    /// Waits until the serving thread has ended (stop, or the cable pulled).
    void join();
    SimStats stats() const;
    /// Waits until command has been received (the link goes on as soon as it
    /// has acknowledged the echo, before the camera has taken the command in).
    bool waitForCommand(const std::string& command,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    void serve();
    int readByte(int timeoutMs);
    bool writeBytes(const std::vector<std::uint8_t>& bytes);
    bool handleCommand();
    void execute(const std::string& name, const std::vector<std::uint8_t>& bytes);
    void sendBulk(const std::vector<std::uint8_t>& data);
    std::vector<std::uint8_t> listFolders() const;
    std::vector<std::uint8_t> listFiles() const;
    void closeLine();

    SimOptions options_;
    int master_ = -1;
    int slaveHold_ = -1;
    std::string slavePath_;
    std::string folder_;
    int pending_ = -1;
    int nakLeft_ = 0;
    int ackedEnqs_ = 0;
    int busyLeft_ = 0;
    bool corruptUsed_ = false;
    bool oversizeUsed_ = false;
    int executed_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> pulled_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    SimStats stats_;
    std::thread thread_;
};

}  // namespace lumbrel::camerasim
