// Feeds arbitrary bytes to the recording-date reader. For any input: no crash
// or read outside the bytes (the sanitizers stop the run), and a date, when
// there is one, is 14 ASCII digits.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "media/jpeg_date.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto date = lumbrel::media::readRecordingDate(std::span<const std::uint8_t>(data, size));
    if (date) {
        if (date->size() != 14) std::abort();
        for (const char c : *date)
            if (c < '0' || c > '9') std::abort();
    }
    return 0;
}
