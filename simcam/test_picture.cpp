// The simulated camera's moving test picture, encoded as the camera encodes it: baseline
// JPEG with the quantization tables of the camera's fixed header, the standard Huffman
// tables and 2 x 1 luminance sampling.

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <vector>

#include "camera/live_stream.h"
#include "simcam/simcam.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr std::uint32_t kPhases = 48;  // the picture repeats after this many frames

// Position in natural (row-major) order of each zig-zag index.
constexpr unsigned kZigZag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Offsets of the two quantization tables' values in the camera's header.
constexpr std::size_t kQuantTable0 = 7, kQuantTable1 = 72;

struct ErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void on_error(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Eight colour bars, rings over a blue ramp below them, and a chequered square that
// travels with the frame.
void draw_row(int y, std::uint32_t phase, std::uint8_t* rgb) {
    static const std::uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255},
                                            {0, 255, 0},     {255, 0, 255}, {255, 0, 0},
                                            {0, 0, 255},     {0, 0, 0}};
    int box_left = int(phase) * (kWidth - 160) / int(kPhases);
    for (int x = 0; x < kWidth; ++x) {
        std::uint8_t* p = rgb + 3 * x;
        if (y < kHeight * 2 / 3) {
            const std::uint8_t* c = bars[x * 8 / kWidth];
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
        } else {
            // Rings of rising frequency: detail of every size, as a page of print has.
            int dx = x - kWidth / 2, dy = y - kHeight;
            std::uint8_t ring = ((dx * dx + dy * dy) / 512) % 2 ? 230 : 25;
            p[0] = ring;
            p[1] = ring;
            p[2] = std::uint8_t(x * 255 / (kWidth - 1));
        }
        bool in_box = x >= box_left && x < box_left + 160 && y >= 300 && y < 460;
        if (in_box) p[0] = p[1] = p[2] = (((x - box_left) / 20 + (y - 300) / 20) % 2) ? 255 : 32;
    }
}

std::vector<std::uint8_t> encode(std::uint32_t phase) {
    jpeg_compress_struct c;
    ErrorManager err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = on_error;
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    std::vector<std::uint8_t> result;
    std::vector<std::uint8_t> row(3 * kWidth);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(out);
        return result;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &out_size);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    for (int t = 0; t < 2; ++t) {
        const std::uint8_t* zigzag =
            gJpegHeader_1024x768.data() + (t == 0 ? kQuantTable0 : kQuantTable1);
        unsigned natural[64];
        for (int i = 0; i < 64; ++i) natural[kZigZag[i]] = zigzag[i];
        jpeg_add_quant_table(&c, t, natural, 100, TRUE);
    }
    c.comp_info[0].h_samp_factor = 2;
    c.comp_info[0].v_samp_factor = 1;
    for (int i = 1; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    c.optimize_coding = FALSE;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        draw_row(int(c.next_scanline), phase, row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    result.assign(out, out + out_size);
    std::free(out);
    return result;
}

}  // namespace

const std::vector<std::uint8_t>& simcam_picture_jpeg(std::uint32_t frame) {
    static std::vector<std::vector<std::uint8_t>> cache(kPhases);
    std::vector<std::uint8_t>& jpeg = cache[frame % kPhases];
    if (jpeg.empty()) jpeg = encode(frame % kPhases);
    return jpeg;
}

std::vector<std::uint8_t> simcam_picture_body(std::uint32_t frame) {
    const std::vector<std::uint8_t>& jpeg = simcam_picture_jpeg(frame);
    // Skip the segments before the start of scan by their lengths; drop the end marker.
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA)
        at += 2 + (std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3]);
    if (at + 2 > jpeg.size()) return {};
    return std::vector<std::uint8_t>(jpeg.begin() + std::ptrdiff_t(at), jpeg.end() - 2);
}
