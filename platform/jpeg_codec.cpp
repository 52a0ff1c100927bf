// JPEG decoding straight into GWorld rows and JPEG encoding from them, over libjpeg-turbo.
//
// The library reports fatal errors through error_exit, which by default ends the
// process; here it jumps back to the routine that started the work, which destroys the
// library object and returns a status. The routines holding the jump target keep only
// plain data and library objects in their frames, so the jump skips no destructor.
#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE
#include <cstdlib>
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/codec_support.h"
#include "platform/codecs.h"

namespace {

// Bounds the library's own working memory (progressive coefficient buffers).
constexpr long kMaxLibraryMemory = 512L << 20;

struct ErrorManager {
    jpeg_error_mgr pub;  // num_warnings counts every warning but the end of the data
    std::jmp_buf jump;
    bool data_ended;  // the data ran out and the library supplied an end marker
};

[[noreturn]] void __error_exit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings are counted, nothing is printed. Running out of data is kept apart: the decoder
// reads ahead, so it happens also when the last row needed nothing more; a scan that did
// need more data says so with a warning of its own.
void __emit_message(j_common_ptr cinfo, int level) {
    auto* em = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0) return;
    if (em->pub.msg_code == JWRN_JPEG_EOF)
        em->data_ended = true;
    else
        ++em->pub.num_warnings;
}

void __init_errors(ErrorManager* em) {
    jpeg_std_error(&em->pub);
    em->pub.error_exit = __error_exit;
    em->pub.emit_message = __emit_message;
    em->data_ended = false;
}

bool __valid_scale(int denom) {
    return denom == 1 || denom == 2 || denom == 4 || denom == 8;
}

// CMYK pixels of one row to X, R, G, B in place. Adobe files store the inks inverted.
void __cmyk_to_xrgb(std::uint8_t* p, int width, bool inverted) {
    for (int x = 0; x < width; ++x, p += 4) {
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        p[0] = 0;
        p[1] = std::uint8_t((c * k + 127) / 255);
        p[2] = std::uint8_t((m * k + 127) / 255);
        p[3] = std::uint8_t((y * k + 127) / 255);
    }
}

// Rows from `from` down of a buffer claimed unfilled, which the decoder did not reach.
void __fill_rows(GWorldPtr dst, int from, std::uint32_t fill) {
    for (int v = from; v < dst->height; ++v) {
        auto* row = reinterpret_cast<std::uint32_t*>(dst->pixels + std::size_t(v) * dst->row_bytes);
        std::fill(row, row + dst->width, fill);
    }
}

// The one decoding routine: with a null dst only *width and *height are set.
OSErr __decode(const std::uint8_t* data, std::size_t size, int scale_denom, GWorldPtr dst,
               std::int16_t* width, std::int16_t* height) {
    if (!__valid_scale(scale_denom) || data == nullptr) return paramErr;
    jpeg_decompress_struct cinfo;
    ErrorManager em;
    // A picture that covers the whole of dst is written into it without filling it first;
    // rows a failure leaves undecoded are then given dst's fill.
    volatile bool claimed = false;
    volatile std::uint32_t claimed_fill = 0;
    __init_errors(&em);
    cinfo.err = &em.pub;
    if (setjmp(em.jump)) {
        if (claimed) __fill_rows(dst, int(cinfo.output_scanline), claimed_fill);
        jpeg_destroy_decompress(&cinfo);
        return codecErr;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(scale_denom);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_XRGB;
    jpeg_calc_output_dimensions(&cinfo);
    const std::int64_t w = cinfo.output_width, h = cinfo.output_height;
    if (w <= 0 || h <= 0 || w > 32767 || h > 32767 || w * h > kMaxImagePixels) {
        jpeg_destroy_decompress(&cinfo);
        return codecErr;
    }
    if (dst == nullptr) {
        *width = std::int16_t(w);
        *height = std::int16_t(h);
        jpeg_destroy_decompress(&cinfo);
        return noErr;
    }
    jpeg_start_decompress(&cinfo);
    claimed = dst->unfilled && w >= dst->width && h >= dst->height;
    claimed_fill = dst->fill;
    std::uint8_t* const pixels = claimed ? claim_pixels(dst) : GetPixBaseAddr(dst);
    const JDIMENSION rows = JDIMENSION(h < dst->height ? h : dst->height);
    const int visible = int(w < dst->width ? w : dst->width);
    // Rows go straight into the GWorld unless the image is wider than it.
    const bool direct = w <= dst->width;
    JSAMPARRAY scratch = direct ? nullptr
                                : (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                             JPOOL_IMAGE, JDIMENSION(w * 4), 1);
    JSAMPROW targets[16];
    while (cinfo.output_scanline < rows) {
        const JDIMENSION first = cinfo.output_scanline;
        JDIMENSION n = direct ? rows - first : 1;
        if (n > 16) n = 16;
        for (JDIMENSION i = 0; i < n; ++i)
            targets[i] = direct ? pixels + std::size_t(first + i) * dst->row_bytes : scratch[0];
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, targets, n);
        for (JDIMENSION i = 0; i < got; ++i) {
            std::uint8_t* row = pixels + std::size_t(first + i) * dst->row_bytes;
            if (!direct) std::memcpy(row, scratch[0], std::size_t(visible) * 4);
            if (cmyk) __cmyk_to_xrgb(row, visible, cinfo.saw_Adobe_marker);
        }
        if (got == 0) break;
    }
    if (claimed) __fill_rows(dst, int(cinfo.output_scanline), claimed_fill);
    // A warning up to here means that some rows were made up where data was missing or
    // corrupt. What follows the last row (padding, a missing end marker) is never looked
    // at. A stream of several scans is read whole before its first row: there, data that
    // ends early may have left whole scans out.
    const bool whole = cinfo.output_scanline == rows && em.pub.num_warnings == 0 &&
                       !(em.data_ended && jpeg_has_multiple_scans(&cinfo));
    jpeg_destroy_decompress(&cinfo);
    return whole ? noErr : codecErr;
}

// Encodes src into a buffer that the library allocates with malloc; the caller frees
// *buffer whatever the result.
OSErr __encode(GWorldPtr src, const JPEGEncodeOptions* options, unsigned char** buffer,
               unsigned long* length) {
    jpeg_compress_struct cinfo;
    ErrorManager em;
    __init_errors(&em);
    cinfo.err = &em.pub;
    if (setjmp(em.jump)) {
        jpeg_destroy_compress(&cinfo);
        return codecErr;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, length);
    cinfo.image_width = JDIMENSION(src->width);
    cinfo.image_height = JDIMENSION(src->height);
    // The GWorld's X, R, G, B rows are the library's input as they stand; the colour
    // conversion is the same as from packed RGB, so the output is too.
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_XRGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options->quality, TRUE);
    if (options->sampling_422) {
        cinfo.comp_info[0].h_samp_factor = 2;
        cinfo.comp_info[0].v_samp_factor = 1;
        for (int c = 1; c < 3; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
    }
    cinfo.density_unit = options->density_unit;
    cinfo.X_density = options->x_density;
    cinfo.Y_density = options->y_density;
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW rows[16];
    while (cinfo.next_scanline < cinfo.image_height) {
        JDIMENSION n = cinfo.image_height - cinfo.next_scanline;
        if (n > 16) n = 16;
        for (JDIMENSION i = 0; i < n; ++i)
            rows[i] = GetPixBaseAddr(src) + std::size_t(cinfo.next_scanline + i) * src->row_bytes;
        jpeg_write_scanlines(&cinfo, rows, n);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return noErr;
}

}  // namespace

OSErr GetJPEGImageSize(const std::uint8_t* data, std::size_t size, int scale_denom,
                       std::int16_t* width, std::int16_t* height) {
    return __decode(data, size, scale_denom, nullptr, width, height);
}

OSErr DecompressJPEGImage(const std::uint8_t* data, std::size_t size, int scale_denom,
                          GWorldPtr dst) {
    if (dst == nullptr) return paramErr;
    return __decode(data, size, scale_denom, dst, nullptr, nullptr);
}

OSErr ReadJPEGImage(const std::uint8_t* data, std::size_t size, int scale_denom, GWorldPtr* out) {
    *out = nullptr;
    std::int16_t width, height;
    OSErr err = __decode(data, size, scale_denom, nullptr, &width, &height);
    if (err != noErr) return err;
    GWorldPtr made;
    err = NewImageGWorld(width, height, &made);
    if (err != noErr) return err;
    err = __decode(data, size, scale_denom, made, nullptr, nullptr);
    if (err != noErr) {
        DisposeGWorld(made);
        return err;
    }
    *out = made;
    return noErr;
}

OSErr CompressJPEGImage(GWorldPtr src, const JPEGEncodeOptions* options,
                        std::vector<std::uint8_t>* out) {
    out->clear();
    if (src == nullptr || src->width <= 0 || src->height <= 0 || options->quality < 1 ||
        options->quality > 100)
        return paramErr;
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    OSErr err = __encode(src, options, &buffer, &length);
    if (err == noErr) {
        try {
            out->assign(buffer, buffer + length);
        } catch (const std::bad_alloc&) {
            err = memFullErr;
        }
    }
    std::free(buffer);
    return err;
}
