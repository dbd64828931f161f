#include "media/imaging.h"

#include "platform/files.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace lumbrel::media {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. Ours
// jumps back to the setjmp of the stage function that called into libjpeg. Each
// stage function below calls setjmp first and holds no object with a destructor,
// so the jump skips only libjpeg's own C frames.
struct ErrorManager {
    jpeg_error_mgr pub;  // first member: libjpeg hands back a pointer to it
    std::jmp_buf jump;
};

[[noreturn]] void onErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings that mean picture data is missing or wrong: the file is cut short or
// the entropy-coded data is damaged. libjpeg would go on and fill the rest with
// grey; for a preview that is a failure. Other warnings (an unknown JFIF version,
// padding before a marker) are harmless and ignored.
void onEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
        onErrorExit(cinfo);
    default:
        ++cinfo->err->num_warnings;
    }
}

void onOutputMessage(j_common_ptr) {}

void installErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onErrorExit;
    err.pub.emit_message = onEmitMessage;
    err.pub.output_message = onOutputMessage;
}

// Working memory libjpeg may take for one picture (a progressive picture keeps all
// its coefficients); above it libjpeg fails instead of allocating.
constexpr long kMaxDecoderMemory = 1L << 30;

struct Decoder {
    jpeg_decompress_struct cinfo{};  // zeroed: destroying it before creation is a no-op
    ErrorManager err{};
    Decoder() { installErrorManager(err); cinfo.err = &err.pub; }
    ~Decoder() { jpeg_destroy_decompress(&cinfo); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

bool readHeader(Decoder& d, std::span<const std::uint8_t> jpeg) {
    if (setjmp(d.err.jump)) return false;
    jpeg_create_decompress(&d.cinfo);
    d.cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    // jpeg_mem_src fails cleanly on an empty buffer.
    jpeg_mem_src(&d.cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    d.cinfo.out_color_space = JCS_RGB;
    return d.cinfo.image_width > 0 && d.cinfo.image_height > 0;
}

// Picks the smallest DCT scale k/8 whose output is at least minWidth x minHeight
// (8/8 when none is), leaving it set in cinfo with the output size computed.
bool chooseScale(Decoder& d, unsigned minWidth, unsigned minHeight) {
    if (setjmp(d.err.jump)) return false;
    d.cinfo.scale_denom = 8;
    for (unsigned k = 1; k <= 8; ++k) {
        d.cinfo.scale_num = k;
        jpeg_calc_output_dimensions(&d.cinfo);
        if (d.cinfo.output_width >= minWidth && d.cinfo.output_height >= minHeight) break;
    }
    return true;
}

bool withinLimit(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width * height <= kMaxDecodedPixels;
}

// Fractional-weight box filter, fed one source row at a time from the top. In
// units of 1/dst of a source pixel, source pixel i spans [i*dst, (i+1)*dst) and
// destination pixel j spans [j*src, (j+1)*src); a source pixel contributes to a
// destination pixel by their overlap / src, so each destination pixel's weights
// add up to 1 exactly.
class AreaScaler {
public:
    AreaScaler(int srcWidth, int srcHeight, int dstWidth, int dstHeight, std::uint8_t* out)
        : srcHeight_(srcHeight), dstWidth_(dstWidth), dstHeight_(dstHeight), out_(out),
          rowSum_(static_cast<std::size_t>(dstWidth) * 3), acc_(static_cast<std::size_t>(dstWidth) * 3) {
        const std::int64_t sw = srcWidth, dw = dstWidth;
        tapStart_.reserve(static_cast<std::size_t>(dstWidth) + 1);
        for (std::int64_t j = 0; j < dw; ++j) {
            tapStart_.push_back(taps_.size());
            const std::int64_t begin = j * sw, end = (j + 1) * sw;
            for (std::int64_t i = begin / dw; i * dw < end; ++i) {
                const std::int64_t overlap = std::min(end, (i + 1) * dw) - std::max(begin, i * dw);
                if (overlap > 0)
                    taps_.push_back({static_cast<int>(i), static_cast<float>(overlap) / static_cast<float>(sw)});
            }
        }
        tapStart_.push_back(taps_.size());
    }

    void addRow(const std::uint8_t* row) {
        for (int j = 0; j < dstWidth_; ++j) {
            float r = 0, g = 0, b = 0;
            for (std::size_t t = tapStart_[j]; t < tapStart_[j + 1]; ++t) {
                const std::uint8_t* p = row + static_cast<std::size_t>(taps_[t].index) * 3;
                r += taps_[t].weight * p[0];
                g += taps_[t].weight * p[1];
                b += taps_[t].weight * p[2];
            }
            rowSum_[j * 3] = r;
            rowSum_[j * 3 + 1] = g;
            rowSum_[j * 3 + 2] = b;
        }
        // Source row y spans [y*dh, (y+1)*dh); destination row d spans [d*sh, (d+1)*sh).
        const std::int64_t sh = srcHeight_, dh = dstHeight_;
        const std::int64_t rowBegin = y_ * dh, rowEnd = (y_ + 1) * dh;
        while (d_ < dstHeight_) {
            const std::int64_t dBegin = d_ * sh, dEnd = (d_ + 1) * sh;
            const std::int64_t overlap = std::min(rowEnd, dEnd) - std::max(rowBegin, dBegin);
            if (overlap > 0) {
                const float w = static_cast<float>(overlap) / static_cast<float>(sh);
                for (std::size_t k = 0; k < acc_.size(); ++k) acc_[k] += w * rowSum_[k];
            }
            if (dEnd > rowEnd) break;  // destination row goes on into the next source row
            emitRow();
        }
        ++y_;
    }

private:
    struct Tap {
        int index;
        float weight;
    };

    void emitRow() {
        std::uint8_t* dst = out_ + static_cast<std::size_t>(d_) * acc_.size();
        for (std::size_t k = 0; k < acc_.size(); ++k) {
            const float v = acc_[k] + 0.5f;
            dst[k] = static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v));
            acc_[k] = 0;
        }
        ++d_;
    }

    int srcHeight_, dstWidth_, dstHeight_;
    std::uint8_t* out_;
    std::vector<Tap> taps_;
    std::vector<std::size_t> tapStart_;
    std::vector<float> rowSum_, acc_;
    int y_ = 0, d_ = 0;
};

constexpr int kBatchRows = 8;

// Decodes all rows: straight into `direct` (output_width x output_height RGB) when
// it is given, else into `scratch` (kBatchRows rows) and on into the scaler.
bool decodeRows(Decoder& d, std::uint8_t* direct, AreaScaler* scaler, std::uint8_t* scratch) {
    if (setjmp(d.err.jump)) return false;
    jpeg_start_decompress(&d.cinfo);
    const std::size_t stride = static_cast<std::size_t>(d.cinfo.output_width) * 3;
    JSAMPROW rows[kBatchRows];
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const JDIMENSION first = d.cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kBatchRows, d.cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = direct ? direct + (first + i) * stride : scratch + i * stride;
        const JDIMENSION got = jpeg_read_scanlines(&d.cinfo, rows, count);
        if (got == 0) return false;  // cannot happen with a memory source; guards the loop
        if (!direct)
            for (JDIMENSION i = 0; i < got; ++i) scaler->addRow(rows[i]);
    }
    // The rest of the file (the EOI marker) is not needed: every row is in.
    jpeg_abort_decompress(&d.cinfo);
    return true;
}

// Decodes to width x height (the DCT scaling having been chosen already): directly
// when the decoder's output is that size, through the area scaler otherwise.
std::optional<Image> decodeTo(Decoder& d, int width, int height) {
    if (!withinLimit(static_cast<unsigned>(width), static_cast<unsigned>(height)) ||
        !withinLimit(d.cinfo.output_width, d.cinfo.output_height))
        return std::nullopt;
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    if (d.cinfo.output_width == static_cast<JDIMENSION>(width) &&
        d.cinfo.output_height == static_cast<JDIMENSION>(height)) {
        if (!decodeRows(d, image.rgb.data(), nullptr, nullptr)) return std::nullopt;
        return image;
    }
    AreaScaler scaler(static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height), width,
                      height, image.rgb.data());
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(d.cinfo.output_width) * 3 * kBatchRows);
    if (!decodeRows(d, nullptr, &scaler, scratch.data())) return std::nullopt;
    return image;
}

struct Encoder {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    unsigned char* buffer = nullptr;  // malloc'ed by jpeg_mem_dest
    unsigned long size = 0;
    Encoder() { installErrorManager(err); cinfo.err = &err.pub; }
    ~Encoder() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
};

bool encodeRows(Encoder& e, const Image& image, int quality) {
    if (setjmp(e.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    e.cinfo.image_width = static_cast<JDIMENSION>(image.width);
    e.cinfo.image_height = static_cast<JDIMENSION>(image.height);
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_RGB;
    // Defaults: YCbCr 2x2/1x1/1x1 (4:2:0), the typical Huffman tables, no
    // optimised coding, a JFIF APP0 segment.
    jpeg_set_defaults(&e.cinfo);
    jpeg_set_quality(&e.cinfo, quality, TRUE);
    jpeg_start_compress(&e.cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    // libjpeg takes non-const row pointers but only reads the input rows.
    auto* pixels = const_cast<std::uint8_t*>(image.rgb.data());
    JSAMPROW rows[kBatchRows];
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        const JDIMENSION first = e.cinfo.next_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kBatchRows, e.cinfo.image_height - first);
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = pixels + (first + i) * stride;
        if (jpeg_write_scanlines(&e.cinfo, rows, count) == 0) return false;
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

bool validImage(const Image& image) {
    return image.width > 0 && image.height > 0 &&
           withinLimit(static_cast<unsigned>(image.width), static_cast<unsigned>(image.height)) &&
           image.rgb.size() == static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3;
}

}  // namespace

std::optional<std::pair<int, int>> jpegSize(std::span<const std::uint8_t> jpeg) {
    try {
        Decoder d;
        if (!readHeader(d, jpeg)) return std::nullopt;
        return std::pair{static_cast<int>(d.cinfo.image_width), static_cast<int>(d.cinfo.image_height)};
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Image> loadJpeg(std::span<const std::uint8_t> jpeg, int minLongerSide) {
    try {
        Decoder d;
        if (!readHeader(d, jpeg)) return std::nullopt;
        // The longer side reaches minLongerSide exactly when the side that is
        // longer at full size does (DCT scaling keeps the order of the sides).
        const bool wide = d.cinfo.image_width >= d.cinfo.image_height;
        const unsigned need = minLongerSide > 0 ? static_cast<unsigned>(minLongerSide) : 0xFFFFFFFFu;
        if (!chooseScale(d, wide ? need : 0, wide ? 0 : need)) return std::nullopt;
        return decodeTo(d, static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height));
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Image> loadJpegFile(const std::string& path, int minLongerSide) {
    try {
        const auto bytes = platform::readFile(path);
        if (!bytes) return std::nullopt;
        return loadJpeg(*bytes, minLongerSide);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Image> loadJpegResized(std::span<const std::uint8_t> jpeg, TargetSizeRule targetSize) {
    try {
        Decoder d;
        if (!readHeader(d, jpeg)) return std::nullopt;
        const auto [width, height] =
            targetSize(static_cast<int>(d.cinfo.image_width), static_cast<int>(d.cinfo.image_height));
        if (width <= 0 || height <= 0) return std::nullopt;
        if (!chooseScale(d, static_cast<unsigned>(width), static_cast<unsigned>(height))) return std::nullopt;
        return decodeTo(d, width, height);
    } catch (...) {
        return std::nullopt;
    }
}

Image scaleImage(const Image& image, int width, int height) {
    try {
        if (!validImage(image) || width <= 0 || height <= 0 ||
            !withinLimit(static_cast<unsigned>(width), static_cast<unsigned>(height)))
            return {};
        if (width == image.width && height == image.height) return image;
        Image out;
        out.width = width;
        out.height = height;
        out.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        AreaScaler scaler(image.width, image.height, width, height, out.rgb.data());
        const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
        for (int y = 0; y < image.height; ++y) scaler.addRow(image.rgb.data() + y * stride);
        return out;
    } catch (...) {
        return {};
    }
}

std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality) {
    try {
        if (!validImage(image) || image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
            return std::nullopt;
        Encoder e;
        if (!encodeRows(e, image, std::clamp(quality, 1, 100)) || e.buffer == nullptr) return std::nullopt;
        return std::vector<std::uint8_t>(e.buffer, e.buffer + e.size);
    } catch (...) {
        return std::nullopt;
    }
}

bool saveJpeg(const Image& image, const std::string& path, int quality) {
    try {
        const auto bytes = encodeJpeg(image, quality);
        return bytes && platform::writeFileAtomic(path, *bytes);
    } catch (...) {
        return false;
    }
}

}  // namespace lumbrel::media
