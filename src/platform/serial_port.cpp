#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/serial_speed.h"

namespace lumbrel::platform {

namespace {

using Clock = std::chrono::steady_clock;

/// The <termios.h> constant of baud; 0 for a speed that has none (14400, 28800).
speed_t speedConstant(int baud) {
    switch (baud) {
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return 0;
    }
}

/// Milliseconds left until deadline, never negative.
int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

/// Waits until fd is ready for events or the deadline passes; false on time-out or a line that is gone.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, remainingMs(deadline));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        // Hang-up or error: the other end is gone, even if poll also says readable.
        // (Only waited for after a read found the queue empty.)
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return false;
        return (p.revents & events) != 0;
    }
}

}  // namespace

std::string serialDevicePath(std::string_view portName) {
    if (portName.size() > 3 && (portName.substr(0, 3) == "COM" || portName.substr(0, 3) == "com")) {
        int n = 0;
        const auto digits = portName.substr(3);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (ec == std::errc{} && end == digits.data() + digits.size() && n >= 1)
            return "/dev/ttyS" + std::to_string(n - 1);
    }
    return std::string(portName);
}

bool isSerialSpeed(int baud) {
    return speedConstant(baud) != 0 || baud == 14400 || baud == 28800;
}

SerialPort::SerialPort(SerialPort&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      device_(std::move(other.device_)),
      error_(std::move(other.error_)),
      permissionDenied_(other.permissionDenied_) {}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        device_ = std::move(other.device_);
        error_ = std::move(other.error_);
        permissionDenied_ = other.permissionDenied_;
    }
    return *this;
}

SerialPort::OpenResult SerialPort::open(std::string_view portName, int baud) {
    close();
    device_ = serialDevicePath(portName);
    error_.clear();
    permissionDenied_ = false;

    // Non-blocking, so that opening does not wait for a carrier and reads
    // never block: every wait is a poll with a deadline.
    const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM) {
            permissionDenied_ = true;
            error_ = "Permission denied opening " + device_ +
                     ": add your user to the group that owns it (usually 'dialout': sudo usermod -aG dialout "
                     "$USER) and log in again.";
        } else if (err == EBUSY) {
            error_ = device_ + " is in use by another program.";
        } else {
            error_ = "Cannot open " + device_ + ": " + std::strerror(err) + ".";
        }
        return OpenResult::CannotOpen;
    }
    // Exclusive use: a second program opening the port while the camera talks
    // to us would steal its bytes.
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        error_ = device_ + " cannot be opened for exclusive use: " + std::strerror(errno) + ".";
        ::close(fd);
        return OpenResult::CannotOpen;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        error_ = device_ + " is not a serial port: " + std::string(std::strerror(errno)) + ".";
        ::close(fd);
        return OpenResult::CannotConfigure;
    }
    // Raw 8N1: binary bytes, no parity, one stop bit, no echo or line editing,
    // no hardware or XON/XOFF flow control, modem lines ignored (CLOCAL).
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    // With MIN 1 an empty queue reads as EAGAIN (the descriptor is
    // non-blocking) and a read of 0 bytes means the line is gone.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        error_ = device_ + " cannot be set to raw mode: " + std::string(std::strerror(errno)) + ".";
        ::close(fd);
        return OpenResult::CannotConfigure;
    }
    fd_ = fd;
    if (!setSpeed(baud)) {
        error_ = device_ + " does not take the speed " + std::to_string(baud) + ".";
        close();
        return OpenResult::CannotConfigure;
    }
    setDtr(true);
    ::tcflush(fd_, TCIOFLUSH);
    return OpenResult::Opened;
}

void SerialPort::close() {
    if (fd_ < 0) return;
    setDtr(false);
    // Clear the exclusive mode, so that the port can be opened again at once
    // even where the device stays open elsewhere (a pseudo-terminal's other side).
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

bool SerialPort::setSpeed(int baud) {
    if (fd_ < 0 || !isSerialSpeed(baud)) return false;
    const speed_t constant = speedConstant(baud);
    if (constant == 0) return setNumericSpeed(fd_, baud);
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return false;
    if (::cfsetspeed(&t, constant) != 0) return false;
    return ::tcsetattr(fd_, TCSANOW, &t) == 0;
}

bool SerialPort::setDtr(bool on) {
    if (fd_ < 0) return false;
    int bits = TIOCM_DTR;
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0) return true;
    // A pseudo-terminal has no modem lines.
    return errno == ENOTTY || errno == EINVAL;
}

bool SerialPort::purgeInput() { return fd_ >= 0 && ::tcflush(fd_, TCIFLUSH) == 0; }

bool SerialPort::purgeOutput() { return fd_ >= 0 && ::tcflush(fd_, TCOFLUSH) == 0; }

std::size_t SerialPort::read(std::span<std::uint8_t> into, int timeoutMs) {
    if (fd_ < 0) return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t n = ::read(fd_, into.data() + done, into.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // n == 0 or EIO: the line is gone (the other side of a pseudo-terminal
        // closed, an adapter pulled); anything else but EAGAIN is a failure too.
        if (n == 0 || errno != EAGAIN) break;
        if (!waitFor(fd_, POLLIN, deadline)) break;
    }
    return done;
}

bool SerialPort::write(std::span<const std::uint8_t> bytes, int timeoutMs) {
    if (fd_ < 0) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno != EAGAIN) return false;
        if (!waitFor(fd_, POLLOUT, deadline)) return false;
    }
    return true;
}

}  // namespace lumbrel::platform
