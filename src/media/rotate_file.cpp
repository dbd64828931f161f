#include "media/rotate_file.h"

#include "media/exif_upright.h"
#include "media/jpeg_rotate.h"
#include "media/preview.h"
#include "platform/atomic_file.h"
#include "platform/files.h"

namespace lumbrel::media {

bool rotateFile(const std::string& path, int code, ReducedImage* small, TurnThreads threads,
                platform::AtomicFile::Flush flush) {
    return code == 0 || rotateFileTo(path, path, code, small, threads, flush);
}

bool rotateFileTo(const std::string& source, const std::string& target, int code, ReducedImage* small,
                  TurnThreads threads, platform::AtomicFile::Flush flush) {
    if (code < 0 || code > 3) return false;
    const auto bytes = platform::readFile(source);
    // A picture cut short (no EOI at its end) is never rewritten.
    if (!bytes || bytes->size() < 4 || (*bytes)[bytes->size() - 2] != 0xFF || bytes->back() != 0xD9) return false;
    auto turned = rotateJpeg(*bytes, code, small, kPreviewLongerSide, threads);
    if (!turned) return false;
    // The pixels are upright now: without this, viewers that honour the Exif
    // orientation would turn the picture a second time, and so would a later load.
    if (code != 0) markUpright(*turned, code != 2);

    const auto modified = platform::lastWriteTime(source);
    platform::AtomicFile out(target);
    if (!out.write(*turned)) return false;
    if (modified && !out.setTimes(*modified, *modified)) return false;
    // Replacing the picture itself (or any file that was there) waits until
    // the new bytes are on the disk: it may be the only copy. A new turned
    // copy leaves the source as it was, so it is only handed to the disk, as
    // any copy is.
    return out.commit(out.replacesFile() ? flush : platform::AtomicFile::Flush::Later);
}

}  // namespace lumbrel::media
