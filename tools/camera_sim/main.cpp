// camera-sim: a serial camera on a pseudo-terminal, serving a card folder.
// Prints the device to open (or makes --link PATH point at it) and serves
// until interrupted or until the simulated cable is pulled.

#include <signal.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "camera_sim.h"

namespace {

volatile sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

const char kUsage[] =
    "usage: camera-sim CARD [options]\n"
    "  CARD                 folder holding DCIM/<nnnXXXXX>/ pictures and movies\n"
    "  --link PATH          make PATH a symbolic link to the device\n"
    "  --identity R0,R1,R2,R3   the identification reply (default 1,200,0,0)\n"
    "  --no-answer          never answer\n"
    "  --nak-enq N          answer N handshakes with NAK (the first N, or those after\n"
    "  --nak-enq-after M    the first M answered)\n"
    "  --corrupt once|always    a wrong checksum on the first block, or on every block\n"
    "  --oversize-block     send the first block once with length 1545\n"
    "  --pull-cable-after N close the line after N commands\n"
    "  --pace               send at the line speed (speed / 10 bytes a second)\n"
    "  --battery-low        the battery check says the battery is running out\n"
    "  --busy N             the ready check says busy N times first\n"
    "  --announce-size N    report N bytes for every file's size\n"
    "  --block-size N       data bytes per block (default 1544)\n";

bool number(std::string_view text, long long& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc{} && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    using lumbrel::camerasim::SimOptions;
    SimOptions options;
    std::string link;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> std::string_view { return i + 1 < argc ? argv[++i] : ""; };
        long long n = 0;
        if (arg == "--link") {
            link = value();
        } else if (arg == "--identity") {
            std::string v(value());
            int part = 0;
            for (std::size_t pos = 0; part < 4; ++part) {
                const std::size_t comma = v.find(',', pos);
                if (!number(std::string_view(v).substr(pos, comma - pos), n) || n < 0 || n > 255) break;
                options.identity[part] = static_cast<std::uint8_t>(n);
                if (comma == std::string::npos) {
                    ++part;
                    break;
                }
                pos = comma + 1;
            }
            if (part != 4) {
                std::fputs("camera-sim: --identity takes four bytes, such as 1,200,0,0\n", stderr);
                return 2;
            }
        } else if (arg == "--no-answer") {
            options.noAnswer = true;
        } else if (arg == "--nak-enq" && number(value(), n)) {
            options.nakEnq = static_cast<int>(n);
        } else if (arg == "--nak-enq-after" && number(value(), n)) {
            options.nakEnqAfter = static_cast<int>(n);
        } else if (arg == "--corrupt") {
            const auto v = value();
            if (v != "once" && v != "always") {
                std::fputs(kUsage, stderr);
                return 2;
            }
            options.corrupt = v == "once" ? SimOptions::Corrupt::Once : SimOptions::Corrupt::Always;
        } else if (arg == "--oversize-block") {
            options.oversizeBlock = true;
        } else if (arg == "--pull-cable-after" && number(value(), n)) {
            options.pullCableAfter = static_cast<int>(n);
        } else if (arg == "--pace") {
            options.pace = true;
        } else if (arg == "--battery-low") {
            options.batteryLow = true;
        } else if (arg == "--busy" && number(value(), n)) {
            options.busyPolls = static_cast<int>(n);
        } else if (arg == "--announce-size" && number(value(), n) && n >= 0 && n <= 0xFFFFFFFFll) {
            options.announcedSize = static_cast<std::uint32_t>(n);
        } else if (arg == "--block-size" && number(value(), n) && n > 0 && n <= 1544) {
            options.blockSize = static_cast<std::size_t>(n);
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!arg.starts_with("--") && options.card.empty()) {
            options.card = std::string(arg);
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (options.card.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    lumbrel::camerasim::CameraSim sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "camera-sim: no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    if (!link.empty()) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
        std::filesystem::create_symlink(sim.devicePath(), link, ec);
        if (ec) {
            std::fprintf(stderr, "camera-sim: cannot make %s: %s\n", link.c_str(), ec.message().c_str());
            return 1;
        }
    }
    std::printf("%s\n", sim.devicePath().c_str());
    std::fflush(stdout);

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    while (!gStop && !sim.cablePulled()) ::usleep(50 * 1000);
    sim.stop();
    sim.join();
    if (!link.empty()) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
    }
    const auto stats = sim.stats();
    std::fprintf(stderr, "camera-sim: %zu commands, %d blocks sent, %llu data bytes acknowledged%s\n",
                 stats.commands.size(), stats.blocksSent, static_cast<unsigned long long>(stats.payloadSent),
                 sim.cablePulled() ? ", cable pulled" : "");
    return 0;
}
