#include "media/rotate_file.h"

#include "media/exif_upright.h"
#include "media/jpeg_rotate.h"
#include "media/preview.h"
#include "platform/atomic_file.h"
#include "platform/files.h"

namespace lumbrel::media {

bool rotateFile(const std::string& path, int code, ReducedImage* small) {
    return code == 0 || rotateFileTo(path, path, code, small);
}

bool rotateFileTo(const std::string& source, const std::string& target, int code, ReducedImage* small) {
    if (code < 0 || code > 3) return false;
    const auto bytes = platform::readFile(source);
    // A picture cut short (no EOI at its end) is never rewritten.
    if (!bytes || bytes->size() < 4 || (*bytes)[bytes->size() - 2] != 0xFF || bytes->back() != 0xD9) return false;
    auto turned = rotateJpeg(*bytes, code, small, kPreviewLongerSide);
    if (!turned) return false;
    // The pixels are upright now: without this, viewers that honour the Exif
    // orientation would turn the picture a second time, and so would a later load.
    if (code != 0) markUpright(*turned, code != 2);

    const auto modified = platform::lastWriteTime(source);
    platform::AtomicFile out(target);
    if (!out.write(*turned)) return false;
    if (modified && !out.setTimes(*modified, *modified)) return false;
    return out.commit();
}

}  // namespace lumbrel::media
