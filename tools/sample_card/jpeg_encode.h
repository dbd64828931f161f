#pragma once
// Baseline JPEG encoding of the sample pictures with libjpeg: 8-bit, 4:2:0
// sampling, the typical Huffman tables (no optimised coding), and the camera's
// own application segments written right after SOI.

#include <cstdint>
#include <string>
#include <vector>

#include "picture.h"

namespace lumbrel::samplecard {

using Bytes = std::vector<std::uint8_t>;

struct AppSegment {
    int number;     ///< n of APPn
    Bytes payload;  ///< the segment's content after its length field
};

struct JpegOptions {
    int quality = 90;
    bool jfif = false;                ///< write the JFIF APP0 segment first
    std::vector<AppSegment> segments{};  ///< written after SOI (and JFIF), in this order
};

/// Encodes the picture; on failure returns false with libjpeg's message in error.
bool encodeJpeg(const Picture& picture, const JpegOptions& options, Bytes& out, std::string& error);

/// A Motion-JPEG frame: SOI, the "AVI1" APP0 segment, then the frame without
/// any DHT segment (players supply the typical tables themselves).
bool encodeMotionFrame(const Picture& picture, int quality, Bytes& out, std::string& error);

/// Copies the JPEG file without its DHT segments (the marker segments before
/// SOS are walked; the entropy-coded data are copied unchanged).
bool stripHuffmanTables(const Bytes& jpeg, Bytes& out);

}  // namespace lumbrel::samplecard
