#include "jpeg_encode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

namespace lumbrel::samplecard {
namespace {

// libjpeg reports errors through error_exit, which must not return: it jumps
// back to encodeJpeg. Everything that jump passes over lives on the heap in
// this one object, so nothing with a destructor is skipped and nothing is left
// in a stale register.
struct Encoder {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

void onError(j_common_ptr cinfo) {
    auto* encoder = static_cast<Encoder*>(cinfo->client_data);
    (*cinfo->err->format_message)(cinfo, encoder->message);
    std::longjmp(encoder->jump, 1);
}

}  // namespace

bool encodeJpeg(const Picture& picture, const JpegOptions& options, Bytes& out, std::string& error) {
    auto encoder = std::make_unique<Encoder>();
    Encoder* e = encoder.get();
    e->cinfo.err = jpeg_std_error(&e->err);
    e->err.error_exit = onError;
    e->cinfo.client_data = e;
    if (setjmp(e->jump)) {
        jpeg_destroy_compress(&e->cinfo);
        std::free(e->buffer);
        error = e->message;
        return false;
    }
    jpeg_create_compress(&e->cinfo);
    e->cinfo.client_data = e;
    jpeg_mem_dest(&e->cinfo, &e->buffer, &e->size);
    e->cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    e->cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    e->cinfo.input_components = 3;
    e->cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&e->cinfo);
    jpeg_set_quality(&e->cinfo, options.quality, TRUE);
    e->cinfo.write_JFIF_header = options.jfif ? TRUE : FALSE;
    e->cinfo.optimize_coding = FALSE;
    e->cinfo.dct_method = JDCT_ISLOW;
    e->cinfo.comp_info[0].h_samp_factor = 2;
    e->cinfo.comp_info[0].v_samp_factor = 2;
    for (int c = 1; c < 3; ++c) e->cinfo.comp_info[c].h_samp_factor = e->cinfo.comp_info[c].v_samp_factor = 1;

    jpeg_start_compress(&e->cinfo, TRUE);
    for (const AppSegment& s : options.segments)
        jpeg_write_marker(&e->cinfo, JPEG_APP0 + s.number, s.payload.data(), static_cast<unsigned>(s.payload.size()));
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    while (e->cinfo.next_scanline < e->cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(picture.rgb.data() + e->cinfo.next_scanline * stride);
        jpeg_write_scanlines(&e->cinfo, &row, 1);
    }
    jpeg_finish_compress(&e->cinfo);
    jpeg_destroy_compress(&e->cinfo);
    out.assign(e->buffer, e->buffer + e->size);
    std::free(e->buffer);
    return true;
}

bool stripHuffmanTables(const Bytes& jpeg, Bytes& out) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
    out.assign(jpeg.begin(), jpeg.begin() + 2);
    std::size_t p = 2;
    while (p + 4 <= jpeg.size()) {
        if (jpeg[p] != 0xFF) return false;
        const std::uint8_t marker = jpeg[p + 1];
        if (marker == 0xDA) {  // SOS: the rest is the scan and EOI
            out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(p), jpeg.end());
            return true;
        }
        const std::size_t end = p + 2 + (static_cast<std::size_t>(jpeg[p + 2]) << 8 | jpeg[p + 3]);
        if (end > jpeg.size()) return false;
        if (marker != 0xC4)
            out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(p), jpeg.begin() + static_cast<std::ptrdiff_t>(end));
        p = end;
    }
    return false;
}

bool encodeMotionFrame(const Picture& picture, int quality, Bytes& out, std::string& error) {
    // APP0 "AVI1": identifier, polarity 0 (progressive frame, not fields),
    // a reserved byte and two zero field sizes; 14 bytes, segment length 16.
    JpegOptions options;
    options.quality = quality;
    options.segments.push_back({0, Bytes{'A', 'V', 'I', '1', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
    Bytes full;
    if (!encodeJpeg(picture, options, full, error)) return false;
    if (!stripHuffmanTables(full, out)) {
        error = "unexpected marker layout in an encoded frame";
        return false;
    }
    return true;
}

}  // namespace lumbrel::samplecard
