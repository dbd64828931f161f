#pragma once
// A serial port (an RS-232C line, a USB serial adapter or a pseudo-terminal)
// opened for exclusive use in raw 8N1 mode without flow control: reads with a
// total time-out in milliseconds, whole writes, purge of the queues, and the
// DTR line, which is raised while the port is open and dropped before it is
// closed (a camera sees its cable as connected while DTR is high).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lumbrel::platform {

/// The device of a port name: "COMn" (n from 1) is /dev/ttyS(n-1); anything
/// else (/dev/ttyUSB0, /dev/ttyACM0, a pseudo-terminal) is a device path used as given.
std::string serialDevicePath(std::string_view portName);

/// Whether baud is one of the line speeds a port can be set to (2400 to 115200).
bool isSerialSpeed(int baud);

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort() { close(); }
    SerialPort(SerialPort&& other) noexcept;
    SerialPort& operator=(SerialPort&& other) noexcept;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    enum class OpenResult {
        Opened,
        CannotOpen,     ///< missing device, in use by another program, refused (see errorText)
        CannotConfigure ///< opened, but raw mode or the speed could not be set (closed again)
    };
    /// Opens the port of portName (see serialDevicePath) at baud, raises DTR
    /// and empties both queues. A port that is open is closed first.
    OpenResult open(std::string_view portName, int baud = 9600);
    /// Drops DTR and closes; nothing when not open.
    void close();
    bool isOpen() const { return fd_ >= 0; }

    /// What went wrong at the last failed open, naming the device; for a port
    /// refused because of its permissions it names the `dialout` group too.
    const std::string& errorText() const { return error_; }
    /// Whether the last failed open was refused for lack of permission.
    bool permissionDenied() const { return permissionDenied_; }
    const std::string& device() const { return device_; }

    /// Sets both directions to baud; false for a speed outside isSerialSpeed or
    /// when the port refuses it.
    bool setSpeed(int baud);
    bool setDtr(bool on);
    /// Discards what was received and not read yet.
    bool purgeInput();
    /// Discards what was written and not sent yet.
    bool purgeOutput();

    /// Reads into.size() bytes, waiting at most timeoutMs in all; returns how
    /// many were read (fewer on time-out, when the line is gone or not open).
    std::size_t read(std::span<std::uint8_t> into, int timeoutMs);
    /// Writes every byte (waiting while the output queue is full, at most
    /// timeoutMs in all); false when not all could be written.
    bool write(std::span<const std::uint8_t> bytes, int timeoutMs = 5000);

private:
    int fd_ = -1;
    std::string device_;
    std::string error_;
    bool permissionDenied_ = false;
};

}  // namespace lumbrel::platform
