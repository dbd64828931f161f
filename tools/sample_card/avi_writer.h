#pragma once
// Motion-JPEG AVI files as the cameras write them: RIFF 'AVI ' with the header
// list (main header, one video stream 'vids'/'MJPG', optionally one 8-bit PCM
// audio stream), the 'movi' list of '00dc' frames (and '01wb' sound chunks
// interleaved, one per frame) and an idx1 index.

#include <cstdint>
#include <vector>

#include "jpeg_encode.h"

namespace lumbrel::samplecard {

struct AviMovie {
    int width = 0, height = 0;
    int framesPerSecond = 10;
    std::vector<Bytes> frames{};  ///< Motion-JPEG frames
    int audioRate = 0;          ///< samples per second of 8-bit mono PCM; 0 = no sound
    Bytes audio{};              ///< unsigned 8-bit samples, split evenly over the frames
};

Bytes buildAvi(const AviMovie& movie);

}  // namespace lumbrel::samplecard
