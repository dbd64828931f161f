#include "camera/camera_link.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "app/settings.h"
#include "app/strings.h"
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/monotonic_sleep.h"
#include "platform/serial_port.h"

namespace lumbrel::camera {

namespace {

/// How many NAK answers to ENQ are waited through before the handshake fails.
constexpr int kMaxEnqNaks = 10;
/// How often "ZD" is repeated while the camera says it is busy (at 9600 baud
/// each exchange takes some milliseconds, so this is a generous bound).
constexpr int kMaxReadyPolls = 2000;
/// The expected size of a list reply.
constexpr std::size_t kListExpected = 1024;
constexpr int kCommandBaud = 9600;

class SerialLinkPort final : public LinkPort {
public:
    Open open(const std::string& portName, int baud) override {
        switch (port_.open(portName, baud)) {
        case platform::SerialPort::OpenResult::Opened: return Open::Opened;
        case platform::SerialPort::OpenResult::CannotOpen: return Open::CannotOpen;
        case platform::SerialPort::OpenResult::CannotConfigure: return Open::CannotConfigure;
        }
        return Open::CannotOpen;
    }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    bool setSpeed(int baud) override { return port_.setSpeed(baud); }
    std::size_t read(std::span<std::uint8_t> into, int timeoutMs) override { return port_.read(into, timeoutMs); }
    bool write(std::span<const std::uint8_t> bytes) override { return port_.write(bytes); }
    bool purgeInput() override { return port_.purgeInput(); }
    bool purgeOutput() override { return port_.purgeOutput(); }
    std::string errorText() const override { return port_.errorText(); }

private:
    platform::SerialPort port_;
};

class SteadyLinkClock final : public LinkClock {
public:
    void sleep(std::chrono::milliseconds duration) override { platform::sleepMonotonic(duration); }
};

int baudOf(std::string_view speed) {
    int baud = 0;
    std::from_chars(speed.data(), speed.data() + speed.size(), baud);
    return baud;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

/// A name the camera gives that can be used as a file name here.
bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

}  // namespace

/// Counts the operations in progress (identification leaves out its "SU"
/// exchange when it runs inside another operation).
class CameraLink::Busy {
public:
    explicit Busy(int& nesting) : nesting_(nesting) { ++nesting_; }
    ~Busy() { --nesting_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    bool outermost() const { return nesting_ == 1; }

private:
    int& nesting_;
};

/// The link's port and clock as the block receiver sees them.
class CameraLink::Line final : public BlockLine {
public:
    explicit Line(CameraLink& link) : link_(link) {}
    std::size_t read(std::span<std::uint8_t> into, int timeoutMs) override {
        return link_.port_->read(into, timeoutMs);
    }
    void send(std::uint8_t control) override { link_.writeBytes(std::span(&control, 1)); }
    void purgeInput() override { link_.port_->purgeInput(); }
    void pause(int ms) override { link_.pause(ms); }

private:
    CameraLink& link_;
};

std::unique_ptr<LinkPort> makeSerialLinkPort() { return std::make_unique<SerialLinkPort>(); }

LinkClock& steadyLinkClock() {
    static SteadyLinkClock clock;
    return clock;
}

int speedIndex(std::string_view speed) {
    const auto it = std::find(std::begin(kLinkSpeeds), std::end(kLinkSpeeds), speed);
    return it == std::end(kLinkSpeeds) ? 1 : static_cast<int>(it - std::begin(kLinkSpeeds));
}

bool isLinkSpeed(std::string_view speed) {
    return std::find(std::begin(kLinkSpeeds), std::end(kLinkSpeeds), speed) != std::end(kLinkSpeeds);
}

std::vector<std::uint8_t> commandBytes(std::string_view text) {
    const std::string_view two = text.substr(0, 2);
    std::size_t length = text.size();
    if (two == "WL")
        length = 10;
    else if (two == "RL" || two == "GO" || two == "XF" || two == "CC")
        length = 6;
    else if (two == "EY")
        length = 5;
    else if (two == "XA" || two == "XT" || two == "XG" || two == "Xh" || two == "GD")
        length = 4;
    else if (two == "CD" || two == "ZQ" || two == "ZG")
        length = text.size() + 1;
    const std::string_view sent = text.substr(0, length);
    std::vector<std::uint8_t> bytes(sent.begin(), sent.end());
    bytes.resize(length, 0);
    return bytes;
}

LinkError parseNameList(std::span<const std::uint8_t> reply, std::vector<std::string>& names) {
    names.clear();
    std::size_t i = 0;
    while (i < reply.size()) {
        const auto zero = std::find(reply.begin() + static_cast<std::ptrdiff_t>(i), reply.end(), std::uint8_t{0});
        const std::size_t end = static_cast<std::size_t>(zero - reply.begin());
        if (end == i) {
            // An empty name ends the list; with names after it the list is broken.
            if (std::any_of(zero, reply.end(), [](std::uint8_t b) { return b != 0; })) return LinkError::EmptyName;
            break;
        }
        names.emplace_back(reinterpret_cast<const char*>(reply.data() + i), end - i);
        i = end + 1;
    }
    return LinkError::Ok;
}

bool isCameraFolderName(std::string_view name) {
    if (name.size() < 3) return false;
    const std::string_view number = name.substr(0, 3);
    return number >= "100" && number <= "999";
}

bool isCameraFileName(std::string_view name) {
    if (name.size() < 8) return false;
    std::string type(name.substr(name.size() - 3));
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (type != "JPG" && type != "AVI") return false;
    const std::string_view number = name.substr(4, 4);
    return number >= "0001" && number <= "9999";
}

int linkErrorStringId(LinkError error) {
    switch (error) {
    case LinkError::Ok:
    case LinkError::Cancelled: return 0;
    case LinkError::BatteryLow: return app::kMsgBatteryLow;
    case LinkError::EmptyName: return app::kMsgFolderWithoutImages;
    case LinkError::Unsupported: return app::kMsgCameraUnsupported;
    default: return app::kMsgNoCameraResponse;
    }
}

std::string_view linkErrorMessage(LinkError error) {
    const int id = linkErrorStringId(error);
    return id == 0 ? std::string_view{} : app::text(id);
}

CameraLink::CameraLink(std::unique_ptr<LinkPort> port, LinkClock* clock)
    : port_(port ? std::move(port) : makeSerialLinkPort()), clock_(clock ? clock : &steadyLinkClock()) {}

CameraLink::~CameraLink() { close(); }

void CameraLink::loadSettings(const app::Settings& settings) {
    portName_ = settings.get(app::setting::CommPort);
    speed_ = settings.get(app::setting::BaudRate);
    cameraFolder_ = settings.get(app::setting::SCameraDir);
    settingsChanged_ = false;
}

bool CameraLink::saveSettings(app::Settings& settings) {
    const bool ok = settings.set(app::setting::BaudRate, speed_) && settings.set(app::setting::CommPort, portName_);
    if (ok) settingsChanged_ = false;
    return ok;
}

void CameraLink::setPortName(std::string name) {
    if (name != portName_) settingsChanged_ = true;
    portName_ = std::move(name);
}

void CameraLink::setSpeed(std::string speed) {
    if (speed != speed_) settingsChanged_ = true;
    speed_ = std::move(speed);
}

void CameraLink::pause(int ms) { clock_->sleep(std::chrono::milliseconds(ms)); }

bool CameraLink::isOpen() const { return port_->isOpen(); }

LinkError CameraLink::open() {
    Busy busy(nesting_);
    switch (port_->open(portName_, kCommandBaud)) {
    case LinkPort::Open::Opened: lineBaud_ = kCommandBaud; return LinkError::Ok;
    case LinkPort::Open::CannotOpen: return LinkError::CannotOpen;
    case LinkPort::Open::CannotConfigure: return LinkError::CannotConfigure;
    }
    return LinkError::CannotOpen;
}

void CameraLink::close() {
    port_->close();
    lineBaud_ = kCommandBaud;
}

bool CameraLink::writeBytes(std::span<const std::uint8_t> bytes) {
    if (port_->write(bytes)) return true;
    port_->purgeOutput();
    return false;
}

LinkError CameraLink::readReply(std::span<std::uint8_t> into) {
    if (port_->read(into, readTimeout(timeouts_, into.size(), true, false)) == into.size()) return LinkError::Ok;
    port_->purgeInput();
    return LinkError::TimedOut;
}

LinkError CameraLink::handshake() {
    int failedTries = 0;
    int naks = 0;
    for (;;) {
        const std::uint8_t enq = kEnq;
        bool timedOut = false;
        LinkError error = LinkError::NoAck;
        if (writeBytes(std::span(&enq, 1))) {
            if (firstHandshake_) {
                // A camera just connected needs time before it answers.
                firstHandshake_ = false;
                pause(2000);
            }
            std::uint8_t answer = 0;
            const bool got = port_->read(std::span(&answer, 1), readTimeout(timeouts_, 1, false, false)) == 1;
            if (got && answer == kAck) return LinkError::Ok;
            if (got && answer == kNak && identified_ && naks < kMaxEnqNaks) {
                // The camera is busy: ask again shortly.
                ++naks;
                pause(100);
                continue;
            }
            timedOut = !got;
            error = timedOut ? LinkError::TimedOut : LinkError::NoAck;
        }
        if (!port_->purgeInput()) return LinkError::NoAck;
        if (failedTries >= reconnectCount_) return error;
        ++failedTries;
        if (timedOut) {
            // The adapter may have lost the line: open the port again.
            port_->close();
            if (port_->open(portName_, lineBaud_) != LinkPort::Open::Opened) return LinkError::TimedOut;
        }
    }
}

LinkError CameraLink::exchange(std::span<const std::uint8_t> bytes, bool doubleHandshake) {
    if (!port_->isOpen()) return LinkError::NotOpen;
    std::uint8_t sum = 0;
    for (const std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
    const std::uint8_t expected = static_cast<std::uint8_t>(~sum);

    LinkError last = LinkError::Ok;
    bool needHandshake = true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (needHandshake) {
            if (const LinkError e = handshake(); e != LinkError::Ok) return e;
            if (doubleHandshake)
                if (const LinkError e = handshake(); e != LinkError::Ok) return e;
            if (bytes.empty()) return LinkError::Ok;
        }
        if (!writeBytes(bytes)) {
            // Send the bytes again, without a new handshake.
            last = LinkError::ShortWrite;
            needHandshake = false;
            continue;
        }
        needHandshake = true;
        std::uint8_t echo = 0;
        if (port_->read(std::span(&echo, 1), readTimeout(timeouts_, 1, false, false)) != 1) {
            port_->purgeInput();
            last = LinkError::TimedOut;
            continue;
        }
        const std::uint8_t answer = echo == expected ? kAck : kNak;
        writeBytes(std::span(&answer, 1));
        if (answer == kAck) return LinkError::Ok;
        last = LinkError::Checksum;
    }
    return last;
}

LinkError CameraLink::exchange(std::string_view text) {
    const auto bytes = commandBytes(text);
    return exchange(bytes, startsWith(text, "CX"));
}

LinkError CameraLink::commandWithReply(std::string_view text, std::span<std::uint8_t> reply) {
    if (const LinkError e = exchange(text); e != LinkError::Ok) return e;
    return readReply(reply);
}

LinkError CameraLink::identify() {
    Busy busy(nesting_);
    close();
    if (const LinkError e = open(); e != LinkError::Ok) return e;
    if (!busy.outermost()) return LinkError::Ok;

    firstHandshake_ = true;
    std::uint8_t r[4] = {};
    if (const LinkError e = commandWithReply("SU", r); e != LinkError::Ok) return e;
    generation_ = r[0] != 0 ? 2 : 1;
    const unsigned model = r[2] + 256u * r[3];
    specialModel_ = model == 0xBA90 || model == 0x90BA;
    if (generation_ != 2 || r[1] < 0xC0) {
        fastProtocol_ = false;
        identified_ = false;
        return LinkError::Unsupported;
    }
    fastProtocol_ = true;
    identified_ = true;
    std::uint8_t reply = 0;
    if (const LinkError e = commandWithReply(std::string_view("NP\x01", 3), std::span(&reply, 1)); e != LinkError::Ok)
        return e;
    return exchange(std::string_view("PP\x06\x00", 4));
}

LinkError CameraLink::setLineSpeed(std::string_view speed) {
    Busy busy(nesting_);
    const int index = speedIndex(speed);
    // The port follows what the camera was told: an unlisted speed is the second of the list.
    const int baud = baudOf(kLinkSpeeds[index]);
    const std::uint8_t command[3] = {'c', 'b', static_cast<std::uint8_t>(index)};
    LinkError error = exchange(command);
    if (error == LinkError::Ok) {
        pause(100);
        if (!port_->setSpeed(baud)) {
            error = LinkError::CannotConfigure;
        } else {
            lineBaud_ = baud;
            error = exchange(std::span<const std::uint8_t>{});
        }
    }
    if (error != LinkError::Ok && port_->isOpen()) {
        port_->setSpeed(kCommandBaud);
        lineBaud_ = kCommandBaud;
    }
    return error;
}

LinkError CameraLink::endLink(bool stayConnected) {
    Busy busy(nesting_);
    const bool wasIdentified = identified_;
    reconnectCount_ = 0;
    const LinkError error = exchange("QR");
    reconnectCount_ = 1;
    identified_ = false;
    if (!stayConnected) return error;
    pause(2000);
    if (wasIdentified) {
        std::uint8_t reply = 0;
        if (const LinkError e = commandWithReply(std::string_view("NP\x01", 3), std::span(&reply, 1));
            e != LinkError::Ok)
            return e;
        identified_ = true;
    }
    return error;
}

LinkError CameraLink::endLinkQuietly() {
    Busy busy(nesting_);
    reconnectCount_ = 0;
    const LinkError error = exchange("QX");
    reconnectCount_ = 1;
    identified_ = false;
    pause(2000);
    return error;
}

LinkError CameraLink::batteryCheck() {
    Busy busy(nesting_);
    std::uint8_t reply = 0;
    if (const LinkError e = commandWithReply("BC", std::span(&reply, 1)); e != LinkError::Ok) return e;
    return reply == 0xFF ? LinkError::BatteryLow : LinkError::Ok;
}

LinkError CameraLink::waitUntilReady() {
    Busy busy(nesting_);
    if (!identified_) return LinkError::NotIdentified;
    for (int i = 0; i < kMaxReadyPolls; ++i) {
        std::uint8_t reply = 0;
        if (const LinkError e = commandWithReply("ZD", std::span(&reply, 1)); e != LinkError::Ok) return e;
        if (reply == 0xFF) return LinkError::Ok;
        if (reply != 0) return LinkError::NoData;
    }
    return LinkError::TimedOut;
}

LinkError CameraLink::changeDirectory(std::string_view name) {
    Busy busy(nesting_);
    if (!identified_) return LinkError::NotIdentified;
    std::uint8_t reply = 0;
    return commandWithReply("CD" + std::string(name), std::span(&reply, 1));
}

LinkError CameraLink::bulkReply(std::span<const std::uint8_t> command, std::size_t expected,
                                std::vector<std::uint8_t>& data, LinkProgress* progress) {
    data.clear();
    data.reserve(std::min<std::size_t>(expected, kMaxCameraFileSize));
    if (const LinkError e = setLineSpeed(speed_); e != LinkError::Ok) return e;

    bool cancelled = false;
    LinkError error = exchange(command);
    if (error == LinkError::Ok) {
        const std::uint8_t start = kDc2;
        error = writeBytes(std::span(&start, 1)) ? LinkError::Ok : LinkError::ShortWrite;
    }
    timeouts_.blocksReceived = 0;
    timeouts_.firstBlock = true;
    Line line(*this);
    const auto askCancel = [&] { return progress && progress->cancelled(); };
    while (error == LinkError::Ok) {
        const BlockResult block = receiveBlock(line, timeouts_, data, askCancel);
        if (block.error != LinkError::Ok) {
            error = block.error;
            cancelled = block.error == LinkError::Cancelled;
            break;
        }
        if (block.last) break;
        if (progress) {
            const std::size_t base = std::max<std::size_t>(expected, 1);
            progress->progress(static_cast<int>(std::min<std::size_t>(data.size() * 100 / base, 100)));
        }
        // Seen between blocks: tell the camera to stop sending at once. A
        // reply beyond the largest file is refused the same way.
        if (askCancel() || data.size() > kMaxCameraFileSize) {
            const std::uint8_t stop = kCan;
            writeBytes(std::span(&stop, 1));
            cancelled = true;
            error = LinkError::Cancelled;
        }
    }
    timeouts_.firstBlock = false;
    timeouts_.blocksReceived = 0;

    if (cancelled) {
        data.clear();
        // Let the camera finish what it was sending, then drop it and end the link.
        pause(5500);
        port_->purgeInput();
        setLineSpeed(kLinkSpeeds[2]);
        endLink();
        return LinkError::Cancelled;
    }
    if (const LinkError back = setLineSpeed(kLinkSpeeds[2]); error == LinkError::Ok) error = back;
    data.shrink_to_fit();
    return error;
}

LinkError CameraLink::nameList(std::string_view command, std::vector<std::string>& names, LinkProgress* progress,
                               bool (*keep)(std::string_view)) {
    Busy busy(nesting_);
    names.clear();
    if (!identified_) return LinkError::NotIdentified;
    std::vector<std::uint8_t> reply;
    const auto bytes = commandBytes(command);
    if (const LinkError e = bulkReply(bytes, kListExpected, reply, progress); e != LinkError::Ok) return e;
    std::vector<std::string> all;
    if (const LinkError e = parseNameList(reply, all); e != LinkError::Ok) return e;
    for (auto& name : all)
        if (keep(name)) names.push_back(std::move(name));
    return LinkError::Ok;
}

LinkError CameraLink::listFolders(std::vector<std::string>& names, LinkProgress* progress) {
    return nameList("ZH", names, progress, isCameraFolderName);
}

LinkError CameraLink::listFiles(std::vector<std::string>& names, LinkProgress* progress) {
    return nameList("ZE", names, progress, isCameraFileName);
}

LinkError CameraLink::fileSize(std::string_view name, std::uint32_t& size) {
    Busy busy(nesting_);
    std::uint8_t r[4] = {};
    if (const LinkError e = commandWithReply("ZQ" + std::string(name), r); e != LinkError::Ok) return e;
    size = (std::uint32_t{r[0]} << 24) | (std::uint32_t{r[1]} << 16) | (std::uint32_t{r[2]} << 8) | r[3];
    return LinkError::Ok;
}

LinkError CameraLink::downloadFile(std::string_view name, const std::string& folder, LinkProgress* progress) {
    Busy busy(nesting_);
    struct MovieEnd {
        ReadTimeouts& t;
        ~MovieEnd() { t.movie = false; }
    } movieEnd{timeouts_};
    if (!fastProtocol_) return LinkError::Unsupported;
    // The name becomes a file name here: nothing that leads out of folder.
    if (!isPlainFileName(name)) return LinkError::NoData;
    if (const LinkError e = exchange("DO"); e != LinkError::Ok) return e;
    std::uint32_t size = 0;
    if (const LinkError e = fileSize(name, size); e != LinkError::Ok) return e;
    if (size >= kMaxCameraFileSize) return LinkError::NoData;

    std::vector<std::uint8_t> data;
    const auto command = commandBytes("ZG" + std::string(name));
    if (const LinkError e = bulkReply(command, size, data, progress); e != LinkError::Ok) return e;
    if (data.empty()) return LinkError::NoData;

    platform::AtomicFile file(platform::joinPath(folder, name));
    if (!file.ok() || !file.write(data) || !file.commit()) return LinkError::NoData;
    return LinkError::Ok;
}

LinkError CameraLink::testConnection() {
    // Not counted as an operation of its own: its identification must run the "SU" exchange.
    LinkError error = identify();
    if (error == LinkError::Ok) {
        error = setLineSpeed(speed_);
        if (error != LinkError::Ok) error = setLineSpeed(kLinkSpeeds[2]);
    }
    if (error == LinkError::Ok) {
        endLink(true);
        pause(2000);
    }
    close();
    return error;
}

}  // namespace lumbrel::camera
