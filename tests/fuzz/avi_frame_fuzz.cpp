// Feeds arbitrary bytes to the movie frame extractor and checks what must hold
// for any input:
//   - no crash or undefined behaviour (the sanitizers stop the run);
//   - a result starts with SOI (FF D8), ends with EOI (FF D9), and holds the
//     420-byte typical DHT segment right after the APP0 segment (at offset 20
//     for the usual 16-byte APP0), with the identifier rewritten to "JFIF\0";
//   - a small enough result goes through the decoder without a crash, so the
//     decoder's error paths are exercised as well.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "media/avi_frame.h"
#include "media/imaging.h"
#include "media/standard_tables.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "avi_frame_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const auto frame = lumbrel::media::extractFirstFrame(input);
    if (!frame) return 0;

    const auto dht = lumbrel::media::standardDhtSegment();
    const auto& out = *frame;
    check(out.size() >= 11 + dht.size() + 2, "result too short");
    check(out[0] == 0xFF && out[1] == 0xD8 && out[2] == 0xFF && out[3] == 0xE0, "no SOI + APP0 at the start");
    check(std::memcmp(out.data() + 6, "JFIF", 5) == 0, "identifier not rewritten");
    check(out[out.size() - 2] == 0xFF && out[out.size() - 1] == 0xD9, "no EOI at the end");
    const std::size_t appEnd = 4 + ((std::size_t{out[4]} << 8) | out[5]);
    check(appEnd + dht.size() + 2 <= out.size(), "APP0 runs past the result");
    check(std::memcmp(out.data() + appEnd, dht.data(), dht.size()) == 0, "no DHT segment after APP0");

    // Decode only pictures of moderate size, so one input stays fast.
    if (const auto size2 = lumbrel::media::jpegSize(out);
        size2 && std::uint64_t(size2->first) * std::uint64_t(size2->second) <= 1u << 20) {
        const auto image = lumbrel::media::loadJpeg(out, size > 0 ? data[size - 1] : 0);
        if (image)
            check(image->rgb.size() == std::size_t(image->width) * std::size_t(image->height) * 3,
                  "decoded size wrong");
    }
    return 0;
}
