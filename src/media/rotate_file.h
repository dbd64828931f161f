#pragma once
// Turning a camera picture upright on disk.

#include <string>

namespace lumbrel::media {

/// Turns the JPEG file at path by an orientation code (1 = a quarter turn
/// counter-clockwise, 2 = a half turn, 3 = a quarter turn clockwise; 0 does
/// nothing and succeeds). The file must end with the EOI marker. The turned
/// picture says it is upright (Exif orientation 1, pixel dimensions swapped
/// for quarter turns) and keeps the file's last-write time. It is written
/// beside the file and renamed over it only when complete, so the picture is
/// never lost half-way; on any failure the file stays as it was and the
/// result is false.
bool rotateFile(const std::string& path, int code);

/// The same, writing the turned picture to target and leaving source alone
/// (target may be source).
bool rotateFileTo(const std::string& source, const std::string& target, int code);

}  // namespace lumbrel::media
