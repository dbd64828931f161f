#pragma once
// The serial link against the simulated camera on a pseudo-terminal, with
// the link's waits and read time-outs recorded and shortened (a tenth of a
// read time-out, a twentieth of a wait), so that failures run in moments.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "camera/camera_link.h"
#include "camera_sim.h"
#include "support/temp_dir.h"

namespace lumbrel::test {

class RecordingClock final : public camera::LinkClock {
public:
    void sleep(std::chrono::milliseconds duration) override {
        sleeps.push_back(int(duration.count()));
        std::this_thread::sleep_for(duration / 20);
    }
    std::vector<int> sleeps;
};

struct PortRead {
    std::size_t count;
    int timeoutMs;
};

/// The real serial port, with each read's time-out recorded and shortened.
class ScaledPort final : public camera::LinkPort {
public:
    explicit ScaledPort(std::vector<PortRead>& reads, int& opens) : reads_(reads), opens_(opens) {}
    Open open(const std::string& name, int baud) override {
        ++opens_;
        return port_->open(name, baud);
    }
    void close() override { port_->close(); }
    bool isOpen() const override { return port_->isOpen(); }
    bool setSpeed(int baud) override { return port_->setSpeed(baud); }
    std::size_t read(std::span<std::uint8_t> into, int timeoutMs) override {
        reads_.push_back({into.size(), timeoutMs});
        return port_->read(into, std::max(timeoutMs / 10, 20));
    }
    bool write(std::span<const std::uint8_t> bytes) override { return port_->write(bytes); }
    bool purgeInput() override { return port_->purgeInput(); }
    bool purgeOutput() override { return port_->purgeOutput(); }
    std::string errorText() const override { return port_->errorText(); }

private:
    std::unique_ptr<camera::LinkPort> port_ = camera::makeSerialLinkPort();
    std::vector<PortRead>& reads_;
    int& opens_;
};

/// Cancels once progress has been reported a given number of times.
class CancelAfter final : public camera::LinkProgress {
public:
    explicit CancelAfter(int reports) : left_(reports) {}
    void progress(int percent) override {
        percents.push_back(percent);
        --left_;
    }
    bool cancelled() override { return left_ <= 0; }
    std::vector<int> percents;

private:
    int left_;
};

/// Deterministic bytes for a test file.
inline std::vector<std::uint8_t> patternBytes(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> out(n);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = std::uint8_t(x >> 16);
    }
    return out;
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

/// A card: DCIM/100TEST (two pictures, a movie and files that are neither),
/// DCIM/101ABCDE (one picture) and DCIM/MISC (not a camera folder).
inline void makeCard(const std::string& root) {
    const std::filesystem::path dcim = std::filesystem::path(root) / "DCIM";
    writeBytes(dcim / "100TEST" / "TEST0001.JPG", patternBytes(5000, 1));
    writeBytes(dcim / "100TEST" / "TEST0002.jpg", patternBytes(1544, 2));
    writeBytes(dcim / "100TEST" / "MOVI0003.AVI", patternBytes(9000, 3));
    writeBytes(dcim / "100TEST" / "TEST0000.JPG", patternBytes(10, 4));
    writeBytes(dcim / "100TEST" / "NOTES.TXT", patternBytes(10, 5));
    writeBytes(dcim / "101ABCDE" / "ABCD0001.JPG", patternBytes(300, 6));
    std::filesystem::create_directories(dcim / "MISC");
}

class LinkFixture {
public:
    camera::CameraLink& link() { return *link_; }
    camerasim::CameraSim& sim() { return *sim_; }

    /// Starts a camera with the given options (card filled in) and a link to it.
    void startCamera(camerasim::SimOptions options = {}) {
        makeCard(card_.path());
        options.card = card_.path();
        sim_ = std::make_unique<camerasim::CameraSim>(std::move(options));
        ASSERT_TRUE(sim_->start());
        link_ = std::make_unique<camera::CameraLink>(std::make_unique<ScaledPort>(reads, opens), &clock);
        link_->setPortName(sim_->devicePath());
    }
    /// Identifies the camera and changes into DCIM/folder.
    void enterFolder(const std::string& folder) {
        ASSERT_EQ(link_->identify(), camera::LinkError::Ok);
        ASSERT_EQ(link_->changeDirectory("DCIM"), camera::LinkError::Ok);
        ASSERT_EQ(link_->changeDirectory(folder), camera::LinkError::Ok);
    }
    std::vector<std::uint8_t> cardFile(const std::string& relative) const {
        std::ifstream in(std::filesystem::path(card_.path()) / "DCIM" / relative, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    const std::string& out() const { return out_.path(); }

    RecordingClock clock;
    std::vector<PortRead> reads;
    int opens = 0;

private:
    TempDir card_;
    TempDir out_;
    std::unique_ptr<camerasim::CameraSim> sim_;
    std::unique_ptr<camera::CameraLink> link_;
};

}  // namespace lumbrel::test
