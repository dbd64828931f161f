#pragma once
// Synthetic photo-like pictures for the sample card: a scene whose top is
// obvious at a glance (a red band reading "TOP" and a large up arrow), with
// gradients, shapes, fine text-like edges and mild noise so that the JPEG data
// look like a camera's rather than flat colour.

#include <cstdint>
#include <string>
#include <vector>

namespace lumbrel::samplecard {

/// An 8-bit RGB picture, rows top to bottom, three bytes per pixel.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

struct SceneOptions {
    std::string label;        ///< digits shown on the plate at the bottom left
    std::uint32_t seed = 1;   ///< noise and window pattern
    int ballStep = -1;        ///< movie frames: position of a moving ball, -1 = none
    int ballSteps = 1;        ///< number of ball positions across the picture
};

/// The upright scene at the given size (integer arithmetic only, so the same
/// options give the same pixels on every machine).
Picture drawScene(int width, int height, const SceneOptions& options);

/// The picture turned clockwise by quarterTurns quarter turns (0 to 3).
Picture turnClockwise(const Picture& picture, int quarterTurns);

/// The picture reduced to the given size by averaging boxes of pixels.
Picture shrink(const Picture& picture, int width, int height);

}  // namespace lumbrel::samplecard
