#include "media/preview.h"

#include "media/avi_frame.h"
#include "platform/files.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace lumbrel::media {

namespace {

using Bytes = std::vector<std::uint8_t>;

/// The movie's first frame as a JPEG; the file must exist and not be empty.
std::optional<Bytes> readMovieFrame(const std::string& source) {
    const auto avi = platform::readFile(source);
    if (!avi || avi->empty()) return std::nullopt;
    return extractFirstFrame(*avi);
}

/// Writes a file where a read-only one may stand (a preview the user protected).
bool replaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                 platform::AtomicFile::Flush flush = platform::AtomicFile::Flush::Now) {
    if (platform::exists(path)) platform::setReadOnly(path, false);
    return platform::writeFileAtomic(path, bytes, flush);
}

bool savePreview(const Image& image, const std::string& path, platform::AtomicFile::Flush flush) {
    const auto bytes = encodeJpeg(image, kPreviewQuality);
    return bytes && replaceFile(path, *bytes, flush);
}

}  // namespace

bool isMovieName(const std::string& path) {
    if (path.size() < 3) return false;
    std::string tail = path.substr(path.size() - 3);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == "avi";
}

bool makePreviewFrom(const ReducedImage& picture, const std::string& previewPath, platform::AtomicFile::Flush flush) {
    try {
        const auto [width, height] = previewSize(picture.fullWidth, picture.fullHeight);
        if (picture.image.rgb.empty() || width < 1) return false;
        return savePreview(scaleImage(picture.image, width, height), previewPath, flush);
    } catch (...) {
        return false;
    }
}

std::pair<int, int> previewSize(int width, int height) {
    if (width <= 0 || height <= 0) return {0, 0};
    const std::int64_t w = width, h = height, limit = kPreviewLongerSide;
    if (std::max(w, h) <= limit) return {width, height};
    if (w >= h) return {kPreviewLongerSide, static_cast<int>(std::max<std::int64_t>(1, h * limit / w))};
    return {static_cast<int>(std::max<std::int64_t>(1, w * limit / h)), kPreviewLongerSide};
}

std::optional<Image> loadPicture(const std::string& source, const std::string& outputPath,
                                 const std::string& programFolder, int minLongerSide) {
    try {
        if (!isMovieName(source)) return loadJpegFile(source, minLongerSide);
        const auto frame = readMovieFrame(source);
        if (!frame) return std::nullopt;
        const bool temporary = outputPath.empty();
        const std::string path = temporary ? platform::joinPath(programFolder, "avi.tmp") : outputPath;
        std::optional<Image> image;
        if (replaceFile(path, *frame)) image = loadJpegFile(path, minLongerSide);
        // The temporary file always goes; a given output file only when it is no picture.
        if (temporary || !image) platform::deleteFile(path);
        return image;
    } catch (...) {
        return std::nullopt;
    }
}

bool makePreview(const std::string& source, const std::string& previewPath, platform::AtomicFile::Flush flush) {
    // The movie frame is extracted and checked in memory rather than through a
    // temporary file, and the preview file is written once.
    try {
        if (isMovieName(source)) {
            const auto frame = readMovieFrame(source);
            if (!frame) return false;
            const auto size = jpegSize(*frame);
            if (!size) return false;
            if (size->first <= kPreviewLongerSide && size->second <= kPreviewLongerSide)
                // Small enough: the extracted frame is the preview once it is known to decode.
                return loadJpeg(*frame).has_value() && replaceFile(previewPath, *frame, flush);
            const auto image = loadJpegResized(*frame, previewSize);
            return image && savePreview(*image, previewPath, flush);
        }
        const auto bytes = platform::readFile(source);
        if (!bytes) return false;
        const auto image = loadJpegResized(*bytes, previewSize);
        return image && savePreview(*image, previewPath, flush);
    } catch (...) {
        return false;
    }
}

}  // namespace lumbrel::media
