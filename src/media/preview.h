#pragma once
// Loading pictures and movies (through their first frame) and making the
// preview JPEG of a picture for a library's PREVIEW folder.

#include "media/imaging.h"
#include "platform/atomic_file.h"

#include <optional>
#include <string>
#include <utility>

namespace lumbrel::media {

/// The longest side of a preview, and the quality it is saved with.
inline constexpr int kPreviewLongerSide = 320;
inline constexpr int kPreviewQuality = 75;

/// True for a name whose last three characters are "avi" in any case.
bool isMovieName(const std::string& path);

/// Load picture: for a name ending in "avi" (any case) extracts the first frame to
/// outputPath (when empty: to programFolder + "/avi.tmp", deleted after loading)
/// and loads that; other files are loaded directly. minLongerSide as for loadJpeg.
/// A frame that was written but does not decode is deleted again.
std::optional<Image> loadPicture(const std::string& source, const std::string& outputPath,
                                 const std::string& programFolder, int minLongerSide = 0);

/// Make preview: longer side at most 320 (other side = other * 320 / longer,
/// integer arithmetic), quality 75; a movie frame not larger than 320 on either
/// side is the preview as extracted. A read-only preview is replaced; the file is
/// written atomically and on failure nothing is written. True on success.
/// With Flush::Later the file is only handed to the disk; the caller makes it
/// durable (platform::flushFiles) before relying on it.
bool makePreview(const std::string& source, const std::string& previewPath,
                 platform::AtomicFile::Flush flush = platform::AtomicFile::Flush::Now);

/// Make preview from a reduced copy of the picture (see rotateFile): the same
/// size and quality as makePreview gives the full picture.
bool makePreviewFrom(const ReducedImage& picture, const std::string& previewPath,
                     platform::AtomicFile::Flush flush = platform::AtomicFile::Flush::Now);

/// The preview size for a picture of width x height (never below 1 x 1).
std::pair<int, int> previewSize(int width, int height);

}  // namespace lumbrel::media
