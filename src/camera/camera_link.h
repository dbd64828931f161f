#pragma once
// The serial camera link: opens the port, recognises the camera, changes the
// line speed for bulk transfers and carries the camera's command protocol.
//
// A command is two ASCII letters and perhaps an argument. Each is preceded by
// a handshake (ENQ, answered by ACK) and confirmed by the camera's echo of the
// complement of the 8-bit sum of the bytes sent, which the link answers with
// ACK (or NAK, and the command is sent again once). Some commands have a
// fixed-size reply; "ZH", "ZE" and "ZG" reply with data blocks (link_block.h)
// at the configured speed, while commands run at 9600 baud.
//
// Typical use (the transfer): loadSettings, identify, batteryCheck,
// waitUntilReady, changeDirectory("DCIM"), listFolders, for each folder
// changeDirectory + listFiles, downloadFile per file, and endLink at the end
// or after any error (then show linkErrorMessage of the code). Every
// operation returns a LinkError; Ok is 0. One thread uses a link at a time.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "camera/link_block.h"
#include "camera/link_error.h"

namespace lumbrel::app {
class Settings;
}

namespace lumbrel::camera {

/// The line the link talks over: the serial port (makeSerialLinkPort), or a
/// stand-in in tests.
class LinkPort {
public:
    virtual ~LinkPort() = default;
    enum class Open { Opened, CannotOpen, CannotConfigure };
    virtual Open open(const std::string& portName, int baud) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool setSpeed(int baud) = 0;
    /// Reads into.size() bytes within timeoutMs in all; returns how many were read.
    virtual std::size_t read(std::span<std::uint8_t> into, int timeoutMs) = 0;
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    virtual bool purgeInput() = 0;
    virtual bool purgeOutput() = 0;
    /// The port's own account of the last failed open (device, permissions).
    virtual std::string errorText() const = 0;
};

/// The termios serial port of the platform layer.
std::unique_ptr<LinkPort> makeSerialLinkPort();

/// The link's waits. The default sleeps on the monotonic clock; tests may
/// record the waits or shorten them.
class LinkClock {
public:
    virtual ~LinkClock() = default;
    virtual void sleep(std::chrono::milliseconds duration) = 0;
};

/// Sleeps on std::chrono::steady_clock.
LinkClock& steadyLinkClock();

/// The owner of a bulk transfer's progress: told the percentage after each
/// block, asked between blocks whether the user has cancelled.
class LinkProgress {
public:
    virtual ~LinkProgress() = default;
    virtual void progress(int percent) = 0;
    virtual bool cancelled() = 0;
};

/// The line speeds, in the order of the speed command's index byte.
inline constexpr std::string_view kLinkSpeeds[] = {"2400",  "4800",  "9600",  "14400", "19200",
                                                   "28800", "38400", "57600", "115200"};
/// The index of speed in kLinkSpeeds; 1 for a speed the list does not hold.
int speedIndex(std::string_view speed);
/// Whether speed is one of kLinkSpeeds.
bool isLinkSpeed(std::string_view speed);

/// The bytes sent for a command: their number is fixed by its first two
/// letters ("WL" 10; "RL", "GO", "XF", "CC" 6; "EY" 5; "XA", "XT", "XG",
/// "Xh", "GD" 4; "CD", "ZQ", "ZG" the text and its terminating zero byte;
/// any other the text itself). A text shorter than its fixed length is
/// padded with zero bytes.
std::vector<std::uint8_t> commandBytes(std::string_view text);

/// The names of a camera list reply: zero-terminated names, an empty name
/// ending the list. An empty name with more names after it is EmptyName.
LinkError parseNameList(std::span<const std::uint8_t> reply, std::vector<std::string>& names);
/// Whether a "ZH" name is kept: its first three characters lie between "100" and "999".
bool isCameraFolderName(std::string_view name);
/// Whether a "ZE" name is kept: it ends in "JPG" or "AVI" (any case) and its
/// characters 5 to 8 lie between "0001" and "9999".
bool isCameraFileName(std::string_view name);

/// Files of this size or larger are not fetched.
inline constexpr std::uint32_t kMaxCameraFileSize = 13172735;

/// The number of the message shown for a code (59175, 59178, 59179, 59180);
/// 0 for Ok and Cancelled, which show nothing.
int linkErrorStringId(LinkError error);
/// The text of that message; empty for Ok and Cancelled.
std::string_view linkErrorMessage(LinkError error);

class CameraLink {
public:
    /// A link over port (the serial port by default) whose waits go to clock
    /// (real time by default; the clock must outlive the link).
    explicit CameraLink(std::unique_ptr<LinkPort> port = makeSerialLinkPort(), LinkClock* clock = nullptr);
    ~CameraLink();
    CameraLink(const CameraLink&) = delete;
    CameraLink& operator=(const CameraLink&) = delete;

    // Settings: section Communications, keys CommPort, BaudRate, SCameraDir.
    void loadSettings(const app::Settings& settings);
    /// Writes BaudRate, then CommPort; false when the settings cannot be written.
    bool saveSettings(app::Settings& settings);
    const std::string& portName() const { return portName_; }
    const std::string& speed() const { return speed_; }
    const std::string& cameraFolder() const { return cameraFolder_; }
    void setPortName(std::string name);
    void setSpeed(std::string speed);
    void setCameraFolder(std::string folder) { cameraFolder_ = std::move(folder); }
    /// Whether port or speed were changed since they were loaded or saved.
    bool settingsChanged() const { return settingsChanged_; }

    /// Opens the port at 9600 baud (CannotOpen, CannotConfigure).
    LinkError open();
    /// Drops DTR and closes the port.
    void close();
    bool isOpen() const;
    /// The port's own words about the last failed open (the device, and the
    /// `dialout` group for a port refused for its permissions); shown beside
    /// the message of CannotOpen.
    std::string portError() const { return port_->errorText(); }

    /// Opens the port (closing it first) and identifies the camera with "SU".
    /// Only a camera of the second protocol generation with a second reply
    /// byte of at least 0xC0 is accepted (else Unsupported); it is then told
    /// "NP" and "PP". Called from inside another operation, the "SU" exchange
    /// is left out.
    LinkError identify();
    /// Changes the line speed (one of kLinkSpeeds; another string counts as
    /// the second) with "cb" and confirms it at the new speed. On failure the
    /// port is set back to 9600.
    LinkError setLineSpeed(std::string_view speed);
    /// Ends the link with "QR". stayConnected: then waits 2000 ms and, if the
    /// camera was identified, tells it "NP" again, so that it stays identified.
    /// The handshake does not reopen the port while the link is ended.
    LinkError endLink(bool stayConnected = false);
    /// Ends the link with "QX", then waits 2000 ms.
    LinkError endLinkQuietly();
    /// "BC": BatteryLow when the camera says so. Also keeps the link alive.
    LinkError batteryCheck();
    /// "ZD", repeated while the camera is busy: Ok once it is ready, NoData
    /// for any other answer. Needs identification (NotIdentified).
    LinkError waitUntilReady();
    /// "CD": the camera's current folder ("DCIM", then a folder of it).
    /// Needs identification.
    LinkError changeDirectory(std::string_view name);
    /// "ZH": the camera folders of the current folder (isCameraFolderName).
    /// Needs identification. progress may be null.
    LinkError listFolders(std::vector<std::string>& names, LinkProgress* progress = nullptr);
    /// "ZE": the pictures and movies of the current folder (isCameraFileName).
    /// Needs identification.
    LinkError listFiles(std::vector<std::string>& names, LinkProgress* progress = nullptr);
    /// "ZQ": the size of a file of the current folder.
    LinkError fileSize(std::string_view name, std::uint32_t& size);
    /// Fetches the file name of the current folder into folder/name (made
    /// whole or not at all: nothing is left behind on failure). Needs the
    /// fast protocol (Unsupported); a file of kMaxCameraFileSize or more is
    /// NoData, nothing received NoData, cancelled Cancelled (the link is then
    /// ended), a file that cannot be written NoData. A name that is not a
    /// plain file name (a "/", "." or "..") is NoData. Clears the movie flag.
    LinkError downloadFile(std::string_view name, const std::string& folder, LinkProgress* progress = nullptr);
    /// The connection test: identify, set the configured speed (9600 when
    /// that fails), end the link in its stay-connected form, wait 2000 ms, close.
    LinkError testConnection();

    /// Set before fetching a movie ("AVI"): its reads may wait 20 s.
    void setMovie(bool movie) { timeouts_.movie = movie; }
    /// A quick poll: reads time out after 100 ms instead of 3800 ms.
    void setQuickPoll(bool quick) { timeouts_.normalMs = quick ? 100 : 3800; }

    bool identified() const { return identified_; }
    bool fastProtocol() const { return fastProtocol_; }
    int generation() const { return generation_; }
    bool specialModel() const { return specialModel_; }
    /// The line speed the port is set to now.
    int lineBaud() const { return lineBaud_; }

    /// One command exchange (handshake, bytes, checksum echo); an empty text
    /// is the handshake alone. bytes: the command bytes as sent.
    LinkError exchange(std::span<const std::uint8_t> bytes, bool doubleHandshake = false);
    LinkError exchange(std::string_view text);

private:
    class Busy;
    class Line;
    LinkError handshake();
    LinkError readReply(std::span<std::uint8_t> into);
    bool writeBytes(std::span<const std::uint8_t> bytes);
    LinkError commandWithReply(std::string_view text, std::span<std::uint8_t> reply);
    LinkError bulkReply(std::span<const std::uint8_t> command, std::size_t expected, std::vector<std::uint8_t>& data,
                        LinkProgress* progress);
    LinkError nameList(std::string_view command, std::vector<std::string>& names, LinkProgress* progress,
                       bool (*keep)(std::string_view));
    void pause(int ms);

    std::unique_ptr<LinkPort> port_;
    LinkClock* clock_;
    std::string portName_ = "COM1";
    std::string speed_ = "115200";
    std::string cameraFolder_;
    bool settingsChanged_ = false;
    int nesting_ = 0;
    ReadTimeouts timeouts_;
    int reconnectCount_ = 1;
    int generation_ = 1;
    bool fastProtocol_ = false;
    bool identified_ = false;
    bool specialModel_ = false;
    bool firstHandshake_ = false;
    int lineBaud_ = 9600;
};

}  // namespace lumbrel::camera
