#pragma once
// Builds Motion-JPEG AVI movies in memory for tests: RIFF 'AVI ' with LIST 'hdrl'
// (avih, LIST 'strl' with strh and a 40-byte BITMAPINFOHEADER strf, optionally an
// audio stream's LIST 'strl'), LIST 'movi' with '00dc' frame chunks and idx1.

#include <turbojpeg.h>

#include "jpeg_samples.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace lumbrel::test {

/// A width x height RGB test picture: gradients with a checker pattern, so
/// that scaled and misplaced pixels show.
inline std::vector<std::uint8_t> testPixels(int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
            p[1] = static_cast<std::uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
            p[2] = ((x / 8 + y / 8) % 2) ? 200 : 40;
        }
    return rgb;
}

/// testPixels encoded by TurboJPEG (4:2:0, the typical Huffman tables, JFIF APP0).
inline std::vector<std::uint8_t> testJpeg(int width, int height, int quality = 90, bool progressive = false) {
    return media::compressRgb(testPixels(width, height), width, height, TJSAMP_420, quality,
                              progressive ? TJFLAG_PROGRESSIVE : 0);
}

/// Turns a baseline JPEG as libjpeg writes it (with the typical Huffman tables)
/// into a Motion-JPEG frame: SOI, a 16-byte "AVI1" APP0 segment, the picture's
/// segments without APP0 and DHT, then the scan data unchanged.
inline std::vector<std::uint8_t> toMotionJpegFrame(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::uint8_t> out = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'A', 'V', 'I', '1', 0, 0};
    const std::uint32_t fieldSize = static_cast<std::uint32_t>(jpeg.size());
    for (int copy = 0; copy < 2; ++copy)  // field size, field size less padding (big-endian)
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(fieldSize >> shift));
    std::size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
        const std::uint8_t marker = jpeg[i + 1];
        if (marker == 0xDA) break;  // SOS: the rest is copied as it is
        const std::size_t length = (std::size_t{jpeg[i + 2]} << 8) | jpeg[i + 3];
        if (marker != 0xE0 && marker != 0xC4) out.insert(out.end(), jpeg.begin() + i, jpeg.begin() + i + 2 + length);
        i += 2 + length;
    }
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(i), jpeg.end());
    return out;
}

struct AviLayout {
    std::string compression = "MJPG";  ///< biCompression and strh fccHandler, 4 characters
    int width = 320;
    int height = 240;
    bool audio = false;  ///< a PCM audio stream after the video stream, one audio chunk after each frame
};

class AviWriter {
public:
    void fourcc(const char* code) { bytes.insert(bytes.end(), code, code + 4); }
    void u16(std::uint32_t v) { for (int k = 0; k < 2; ++k) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * k))); }
    void u32(std::uint32_t v) { for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * k))); }
    /// Starts a chunk (or LIST/RIFF with its form type); returns where its size goes.
    std::size_t open(const char* id, const char* form = nullptr) {
        fourcc(id);
        const std::size_t at = bytes.size();
        u32(0);
        if (form) fourcc(form);
        return at;
    }
    void close(std::size_t sizeAt) {
        const std::uint32_t size = static_cast<std::uint32_t>(bytes.size() - sizeAt - 4);
        for (int k = 0; k < 4; ++k) bytes[sizeAt + k] = static_cast<std::uint8_t>(size >> (8 * k));
        if (bytes.size() % 2) bytes.push_back(0);  // chunks are padded to an even size
    }
    std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> buildAvi(const std::vector<std::vector<std::uint8_t>>& frames,
                                          const AviLayout& layout = {}) {
    AviWriter w;
    const auto w32 = static_cast<std::uint32_t>(layout.width), h32 = static_cast<std::uint32_t>(layout.height);
    const auto frameCount = static_cast<std::uint32_t>(frames.size());
    const std::size_t riff = w.open("RIFF", "AVI ");
    const std::size_t hdrl = w.open("LIST", "hdrl");
    const std::size_t avih = w.open("avih");
    for (std::uint32_t v : {33333u, 0u, 0u, 0x10u, frameCount, 0u, layout.audio ? 2u : 1u, 0u, w32, h32, 0u, 0u, 0u, 0u})
        w.u32(v);
    w.close(avih);

    const std::size_t strl = w.open("LIST", "strl");
    const std::size_t strh = w.open("strh");
    w.fourcc("vids");
    w.fourcc(layout.compression.c_str());
    for (std::uint32_t v : {0u, 0u, 0u, 1u, 30u, 0u, frameCount, 0u, 10000u, 0u}) w.u32(v);
    w.u16(0); w.u16(0); w.u16(layout.width); w.u16(layout.height);
    w.close(strh);
    const std::size_t strf = w.open("strf");
    w.u32(40); w.u32(w32); w.u32(h32); w.u16(1); w.u16(24);
    w.fourcc(layout.compression.c_str());
    for (int k = 0; k < 5; ++k) w.u32(k == 0 ? w32 * h32 * 3 : 0);
    w.close(strf);
    w.close(strl);

    if (layout.audio) {
        const std::size_t astrl = w.open("LIST", "strl");
        const std::size_t astrh = w.open("strh");
        w.fourcc("auds");
        w.u32(0);
        for (std::uint32_t v : {0u, 0u, 0u, 1u, 8000u, 0u, 8000u, 0u, 10000u, 1u}) w.u32(v);
        for (int k = 0; k < 4; ++k) w.u16(0);
        w.close(astrh);
        const std::size_t astrf = w.open("strf");
        w.u16(1); w.u16(1); w.u32(8000); w.u32(8000); w.u16(1); w.u16(8);  // PCM, mono, 8 kHz, 8 bits
        w.close(astrf);
        w.close(astrl);
    }
    w.close(hdrl);

    const std::size_t movi = w.open("LIST", "movi");
    for (const auto& frame : frames) {
        const std::size_t chunk = w.open("00dc");
        w.bytes.insert(w.bytes.end(), frame.begin(), frame.end());
        w.close(chunk);
        if (layout.audio) {
            const std::size_t sound = w.open("01wb");
            w.bytes.insert(w.bytes.end(), 267, 0x80);
            w.close(sound);
        }
    }
    w.close(movi);
    const std::size_t idx1 = w.open("idx1");
    for (std::uint32_t k = 0; k < frameCount; ++k) {
        w.fourcc("00dc");
        w.u32(0x10); w.u32(0); w.u32(static_cast<std::uint32_t>(frames[k].size()));
    }
    w.close(idx1);
    w.close(riff);
    return std::move(w.bytes);
}

}  // namespace lumbrel::test
