#pragma once
// Photo-like JPEG pictures made with libjpeg-turbo, for the codec's tests.

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <random>
#include <vector>

namespace lumbrel::media {

// A photo-like RGB picture: smooth gradients, a few hard-edged shapes and noise,
// so that the coded data use short and long codes, large and small values.
inline std::vector<std::uint8_t> makePicture(int w, int h, unsigned seed, double noiseLevel = 9.0) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, noiseLevel);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double fx = static_cast<double>(x) / w;
            const double fy = static_cast<double>(y) / h;
            double r = 200 * fx + 30 * std::sin(x * 0.05 + y * 0.02);
            double g = 180 * fy + 40 * std::cos(x * 0.013 * (1 + fy));
            double b = 120 + 100 * std::sin(fx * fy * 12);
            if ((x / 37 + y / 23) % 5 == 0) {  // hard edges
                r = 255 - r;
                b = 20;
            }
            if (std::hypot(x - w * 0.6, y - h * 0.4) < std::min(w, h) * 0.2) {
                g = 250;
            }
            const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 3;
            rgb[i] = static_cast<std::uint8_t>(std::clamp(r + noise(random), 0.0, 255.0));
            rgb[i + 1] = static_cast<std::uint8_t>(std::clamp(g + noise(random), 0.0, 255.0));
            rgb[i + 2] = static_cast<std::uint8_t>(std::clamp(b + noise(random), 0.0, 255.0));
        }
    }
    return rgb;
}

// The bytes a TurboJPEG call wrote (none when it failed); frees them and the handle.
inline std::vector<std::uint8_t> takeTurboOutput(tjhandle handle, bool ok, unsigned char* buffer, unsigned long size) {
    std::vector<std::uint8_t> out;
    if (ok) out.assign(buffer, buffer + size);
    tjFree(buffer);
    tjDestroy(handle);
    return out;
}

// An RGB picture compressed by TurboJPEG; empty when it fails.
inline std::vector<std::uint8_t> compressRgb(const std::vector<std::uint8_t>& rgb, int w, int h, int sampling,
                                             int quality, int flags = 0) {
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(handle, rgb.data(), w, 0, h, TJPF_RGB, &buffer, &size, sampling, quality, flags);
    return takeTurboOutput(handle, rc == 0, buffer, size);
}

inline std::vector<std::uint8_t> compress(int w, int h, int sampling = TJSAMP_420, int flags = 0, double noiseLevel = 9.0) {
    return compressRgb(makePicture(w, h, static_cast<unsigned>(w * 7 + h), noiseLevel), w, h, sampling, 90, flags);
}

// What libjpeg's own API offers beyond TurboJPEG's defaults.
struct LibjpegOptions {
    int quality = 90;
    unsigned restartInterval = 0;  // in MCUs
    int restartRows = 0;           // in MCU rows (libjpeg uses it when the interval is 0)
    bool optimize = false;         // tables made for the picture instead of the typical ones
    bool progressive = false;
};

// A 4:2:0 JPEG of an RGB picture through libjpeg.
inline std::vector<std::uint8_t> compressWithLibjpeg(const std::vector<std::uint8_t>& rgb, int w, int h,
                                                     const LibjpegOptions& options) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);  // 2x2, 1x1, 1x1 and the typical tables
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    cinfo.restart_interval = options.restartInterval;
    cinfo.restart_in_rows = options.restartRows;
    cinfo.optimize_coding = options.optimize ? TRUE : FALSE;
    if (options.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + static_cast<std::size_t>(cinfo.next_scanline) * static_cast<std::size_t>(w) * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    free(buffer);
    return out;
}

// A photo-like picture with a restart interval (in MCUs).
inline std::vector<std::uint8_t> compressWithRestarts(int w, int h, unsigned interval) {
    return compressWithLibjpeg(makePicture(w, h, 99), w, h, {.restartInterval = interval});
}

}  // namespace lumbrel::media
