#pragma once
// The imaging adapter over libjpeg-turbo: decoding JPEG pictures (with DCT
// scaling for small results), area-averaging downscaling and baseline JPEG
// saving. No function throws; failures are reported by the result.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace lumbrel::media {

/// A decoded picture, 8-bit RGB, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

/// The largest picture this adapter decodes (width x height after DCT scaling),
/// so that a hostile header cannot ask for gigabytes.
inline constexpr std::uint64_t kMaxDecodedPixels = 120'000'000;

/// Width and height from a JPEG's frame header, without decoding; nullopt when
/// the header cannot be read.
std::optional<std::pair<int, int>> jpegSize(std::span<const std::uint8_t> jpeg);

/// Loads a JPEG (span or file). With minLongerSide > 0 the decoder's DCT scaling
/// picks the smallest scale (1/8, 2/8, ... 8/8) whose result still has its longer
/// side >= minLongerSide (or the full size when the picture is smaller).
/// A picture cut short or with damaged entropy-coded data is a failure.
std::optional<Image> loadJpeg(std::span<const std::uint8_t> jpeg, int minLongerSide = 0);
std::optional<Image> loadJpegFile(const std::string& path, int minLongerSide = 0);

/// A picture held at a reduced size, with the size it stands for.
struct ReducedImage {
    Image image;         ///< empty when none was made
    int fullWidth = 0;
    int fullHeight = 0;
};

/// Chooses the output size for a picture of the given full size.
using TargetSizeRule = std::pair<int, int> (*)(int width, int height);

/// Decodes a JPEG straight to targetSize(full width, full height): the DCT
/// scaling picks the smallest scale that is still at least the target size,
/// and each decoded row is folded into the area-averaging scaler as it comes,
/// so the picture is never held at its decoded size.
std::optional<Image> loadJpegResized(std::span<const std::uint8_t> jpeg, TargetSizeRule targetSize);

/// Area-averaging (box-filtered, with fractional pixel weights) downscale; a
/// plain copy for equal size. An empty image or a size < 1 gives an empty image.
Image scaleImage(const Image& image, int width, int height);

/// Baseline JPEG (4:2:0, the typical Huffman tables of T.81 Annex K.3, JFIF
/// APP0) with the given quality, in memory.
std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality = 75);
/// encodeJpeg written through a temporary file and rename.
bool saveJpeg(const Image& image, const std::string& path, int quality = 75);

}  // namespace lumbrel::media
