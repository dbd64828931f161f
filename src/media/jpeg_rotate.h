#pragma once
// Turning a camera's baseline JPEG upright with the program's own JPEG code.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "media/imaging.h"

namespace lumbrel::media {

/// Turns a baseline JPEG (8-bit, three components sampled 2x2, 1x1, 1x1) by an orientation code:
/// 1 = a quarter turn counter-clockwise, 2 = a half turn, 3 = a quarter turn clockwise (0 = unchanged copy).
/// Returns the bytes of the turned file: every segment other than the frame header and the scan copied
/// unchanged and in order, the frame's width and height swapped for quarter turns, the scan re-encoded
/// with the file's own Huffman tables (and restart interval). nullopt when the input is not such a JPEG,
/// is damaged, or a needed code is missing from its tables.
///
/// When the edges that the turn brings to the top and left are whole MCUs (16 samples), the
/// quantised coefficients are moved and transformed, which loses nothing: for a clockwise turn the
/// height must be a multiple of 16, counter-clockwise the width, for a half turn both. Otherwise
/// the picture is decoded to samples, turned, padded at its new right and bottom edges by
/// repeating the last column and row, and encoded again with the file's quantisation tables.
std::optional<std::vector<std::uint8_t>> rotateJpeg(std::span<const std::uint8_t> jpeg, int code) noexcept;

/// Whether a turn may put a second processor to work on a large picture:
/// callers that keep every processor busy with pictures of their own (the
/// loader's workers) turn each on one.
enum class TurnThreads { One, UpToTwo };

/// The same, also filling small with a reduced copy of the turned picture whose
/// longer side is at least minLongerSide, so that a preview needs no second
/// decode: box averages of the decoded samples by a whole factor (second way
/// above), or of each block's coefficients over 1, 2 x 2 or 4 x 4 squares
/// (lossless way). small stays empty for a picture too small for that.
std::optional<std::vector<std::uint8_t>> rotateJpeg(std::span<const std::uint8_t> jpeg, int code,
                                                    ReducedImage* small, int minLongerSide,
                                                    TurnThreads threads = TurnThreads::UpToTwo) noexcept;

/// Whether rotateJpeg turns a picture of this size by this code without loss.
bool isLosslessTurn(int width, int height, int code);

}  // namespace lumbrel::media
