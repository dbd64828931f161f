// rotateJpeg on any bytes. The first byte picks the turn (its low two bits);
// the rest is the file. Whatever comes back must parse again, and a turn done
// without loss must come back to the same bytes when undone and done again.
//
// Starting corpus: small baseline 4:2:0 JPEGs with the typical tables, some
// with restart intervals and sizes that are not whole MCUs, each behind a code
// byte, e.g. made with TurboJPEG:
//   for size in 16x16 24x20 33x17 48x32: tjCompress2(..., TJSAMP_420, 90, 0)
//   and with libjpeg's jpeg_compress_struct::restart_interval = 1 or 2;
//   write "\x03" + jpeg to the corpus folder.

#include "media/jpeg_codec.h"
#include "media/jpeg_rotate.h"

#include <cstddef>
#include <cstdint>
#include <span>

using lumbrel::media::isLosslessTurn;
using lumbrel::media::parseJpeg;
using lumbrel::media::rotateJpeg;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const int code = data[0] & 3;
    const std::span<const std::uint8_t> jpeg(data + 1, size - 1);
    const auto turned = rotateJpeg(jpeg, code);
    if (!turned) {
        return 0;
    }
    const auto file = parseJpeg(*turned);
    if (!file) {
        __builtin_trap();
    }
    const int back = code == 1 ? 3 : code == 3 ? 1 : code;
    const auto undone = rotateJpeg(*turned, back);
    if (isLosslessTurn(file->width, file->height, back)) {
        if (!undone) {
            __builtin_trap();
        }
        const auto again = rotateJpeg(*undone, code);
        if (!again || *again != *turned) {
            __builtin_trap();
        }
    }
    return 0;
}
