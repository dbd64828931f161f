#include "platform/serial_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

using lumbrel::platform::SerialPort;
using lumbrel::platform::serialDevicePath;

namespace {

/// The master side of a pseudo-terminal: the far end of the port under test.
struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) slave = ::ptsname(master);
    }
    ~Pty() {
        if (master >= 0) ::close(master);
    }
};

}  // namespace

TEST(SerialPort, PortNames) {
    EXPECT_EQ(serialDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(serialDevicePath("COM9"), "/dev/ttyS8");
    EXPECT_EQ(serialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    // Not a COM number: a device path as given.
    EXPECT_EQ(serialDevicePath("COM0"), "COM0");
    EXPECT_EQ(serialDevicePath("COMx"), "COMx");
}

TEST(SerialPort, RawBytesBothWaysAndReadTimeOut) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    SerialPort port;
    ASSERT_EQ(port.open(pty.slave, 9600), SerialPort::OpenResult::Opened) << port.errorText();
    // Raw: control bytes and CR/LF pass unchanged, nothing is echoed.
    const std::vector<std::uint8_t> bytes{0x05, 0x0D, 0x0A, 0x11, 0x13, 0x03, 0xFF, 0x00};
    ASSERT_TRUE(port.write(bytes));
    std::array<std::uint8_t, 8> got{};
    ASSERT_EQ(::read(pty.master, got.data(), got.size()), 8);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), got.begin()));

    ASSERT_EQ(::write(pty.master, bytes.data(), bytes.size()), 8);
    std::array<std::uint8_t, 10> in{};
    // Two bytes more than are there: the read returns the eight after its time-out.
    EXPECT_EQ(port.read(in, 50), 8u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), in.begin()));

    for (const int baud : {2400, 14400, 28800, 115200}) EXPECT_TRUE(port.setSpeed(baud)) << baud;
    EXPECT_FALSE(port.setSpeed(12345));
    ASSERT_EQ(::write(pty.master, bytes.data(), 3), 3);
    EXPECT_TRUE(port.purgeInput());
    EXPECT_EQ(port.read(std::span(in).first(1), 20), 0u);
}

TEST(SerialPort, LineGoneEndsReadAndWrite) {
    auto pty = std::make_unique<Pty>();
    SerialPort port;
    ASSERT_EQ(port.open(pty->slave), SerialPort::OpenResult::Opened);
    pty.reset();  // the cable pulled
    std::array<std::uint8_t, 1> in{};
    EXPECT_EQ(port.read(in, 5000), 0u);  // at once, not after the time-out
    EXPECT_FALSE(port.write(in));
    port.close();
    EXPECT_FALSE(port.isOpen());
}

TEST(SerialPort, MissingAndRefusedDevices) {
    SerialPort port;
    EXPECT_EQ(port.open("/nonexistent/ttyX"), SerialPort::OpenResult::CannotOpen);
    EXPECT_NE(port.errorText().find("/nonexistent/ttyX"), std::string::npos);
    EXPECT_FALSE(port.permissionDenied());

    // A file that is no terminal opens but cannot be configured.
    lumbrel::test::TempDir dir;
    const std::string file = dir.path() + "/plain";
    ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
    EXPECT_EQ(port.open(file), SerialPort::OpenResult::CannotConfigure);
    EXPECT_FALSE(port.isOpen());

    // A device without permission for this user. Root opens anything, so
    // there the refusal is tried by a child that has become nobody.
    ::chmod(file.c_str(), 0);
    const auto refused = [&file] {
        SerialPort p;
        return p.open(file) == SerialPort::OpenResult::CannotOpen && p.permissionDenied() &&
               p.errorText().find("dialout") != std::string::npos && p.errorText().find(file) != std::string::npos;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(refused());
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && refused() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
