#pragma once
// Turning a camera picture upright on disk.

#include <string>

#include "media/imaging.h"
#include "media/jpeg_rotate.h"
#include "platform/atomic_file.h"

namespace lumbrel::media {

/// Turns the JPEG file at path by an orientation code (1 = a quarter turn
/// counter-clockwise, 2 = a half turn, 3 = a quarter turn clockwise; 0 does
/// nothing and succeeds). The file must end with the EOI marker. The turned
/// picture says it is upright (Exif orientation 1, pixel dimensions swapped
/// for quarter turns) and keeps the file's last-write time. It is written
/// beside the file and renamed over it only when complete, so the picture is
/// never lost half-way; on any failure the file stays as it was and the
/// result is false.
///
/// With small given, a turn that decodes the picture also hands back a reduced
/// copy of the turned picture, large enough for its preview (makePreviewFrom);
/// small stays empty otherwise.
///
/// With Flush::Later the turned file is only handed to the disk; the caller
/// makes it durable (platform::flushFiles) before relying on it.
bool rotateFile(const std::string& path, int code, ReducedImage* small = nullptr,
                TurnThreads threads = TurnThreads::UpToTwo,
                platform::AtomicFile::Flush flush = platform::AtomicFile::Flush::Now);

/// The same, writing the turned picture to target and leaving source alone
/// (target may be source). A new target is not waited for on the disk (the
/// source still holds the picture); one that replaces a file is, unless flush
/// says Later.
bool rotateFileTo(const std::string& source, const std::string& target, int code, ReducedImage* small = nullptr,
                  TurnThreads threads = TurnThreads::UpToTwo,
                  platform::AtomicFile::Flush flush = platform::AtomicFile::Flush::Now);

}  // namespace lumbrel::media
