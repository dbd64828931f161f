// Feeds arbitrary bytes to the orientation reader, the rotatability test and
// the upright patch. For any input: no crash or read outside the bytes; the
// code is 0-15 or 255; the patch never changes the length, leaves the bytes
// identical when it fails, and (without the swap) a second pass changes nothing.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "media/exif_upright.h"
#include "media/jpeg_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumbrel::media;
    const std::span<const std::uint8_t> input(data, size);
    const std::uint8_t code = orientationFromHead(input);
    if (code > 15 && code != kLeaveAlone) std::abort();
    (void)isRotatable(input);

    std::vector<std::uint8_t> copy(data, data + size);
    const bool swap = size > 0 && (data[size - 1] & 1);
    const bool ok = markUpright(copy, swap);
    if (copy.size() != size) std::abort();
    if (!ok && !std::equal(copy.begin(), copy.end(), data)) std::abort();
    // Without the swap a second pass finds nothing more to do.
    if (ok && !swap) {
        std::vector<std::uint8_t> again = copy;
        if (!markUpright(again, false) || again != copy) std::abort();
    }
    return 0;
}
