// The EXIF file writer against one plain library encode of the same 2592 x 1944 picture,
// and JPEG decoding straight into a GWorld against decoding into packed RGB.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imagefile/exif_writer.h"
#include "imagefile/jpeg_encode.h"
#include "imagewin/offscreen.h"
#include "platform/codecs.h"
#include "test_photo.h"

namespace {

// The library alone: packed RGB rows in, the same settings as the writer's encodes.
void plain_encode(const std::vector<std::uint8_t>& rgb, int w, int h) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(rgb.data()) +
                       std::size_t(cinfo.next_scanline) * std::size_t(w) * 3;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    benchmark::DoNotOptimize(size);
    std::free(out);
}

std::vector<std::uint8_t> packed_rgb(GWorldPtr g) {
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < g->height; ++y)
        for (int x = 0; x < g->width; ++x) {
            const std::uint32_t v = GetPixelRGB(g, x, y);
            rgb.insert(rgb.end(), {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
        }
    return rgb;
}

void BM_PlainEncode_2592x1944(benchmark::State& state) {
    GWorldPtr g = make_test_photo(2592, 1944);
    const auto rgb = packed_rgb(g);
    for (auto _ : state) plain_encode(rgb, 2592, 1944);
    DisposeGWorld(g);
}
BENCHMARK(BM_PlainEncode_2592x1944)->Unit(benchmark::kMillisecond);

// The whole writer: thumbnail, both encodes, assembly and the file written and flushed,
// in a folder given by the argument (memory-backed, so that the disk is not measured,
// or on disk).
void BM_ExifWriteFile_2592x1944(benchmark::State& state) {
    GWorldPtr g = make_test_photo(2592, 1944);
    std::string folder =
        std::string(state.range(0) ? "/tmp" : "/dev/shm") + "/orvilcast-bench-XXXXXX";
    if (!mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const FSSpec spec{folder, "IMAG0001.JPG"};
    for (auto _ : state) save_gworld_as_tk850_exif(g, &spec);
    std::remove((folder + "/IMAG0001.JPG").c_str());
    std::remove(folder.c_str());
    DisposeGWorld(g);
}
BENCHMARK(BM_ExifWriteFile_2592x1944)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("on_disk")
    ->Unit(benchmark::kMillisecond);

std::vector<std::uint8_t> frame_1024x768_422() {
    GWorldPtr g = make_test_photo(1024, 768);
    std::vector<std::uint8_t> jpeg;
    gworld2jpegptr(g, &jpeg);
    DisposeGWorld(g);
    return jpeg;
}

void BM_DecodeIntoGWorld_1024x768_422(benchmark::State& state) {
    const auto jpeg = frame_1024x768_422();
    GWorldPtr g = create_offscreen(32, 1024, 768, true);
    for (auto _ : state) DecompressJPEGImage(jpeg.data(), jpeg.size(), 1, g);
    DisposeGWorld(g);
}
BENCHMARK(BM_DecodeIntoGWorld_1024x768_422)->Unit(benchmark::kMillisecond);

// The library alone into packed RGB rows, reading up to 16 rows a call as the codec does.
void BM_DecodeIntoPackedRGB_1024x768_422(benchmark::State& state) {
    const auto jpeg = frame_1024x768_422();
    std::vector<std::uint8_t> rgb(1024 * 768 * 3);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        JSAMPROW rows[16];
        while (cinfo.output_scanline < cinfo.output_height) {
            JDIMENSION n = std::min<JDIMENSION>(16, cinfo.output_height - cinfo.output_scanline);
            for (JDIMENSION i = 0; i < n; ++i)
                rows[i] = rgb.data() + std::size_t(cinfo.output_scanline + i) * 1024 * 3;
            jpeg_read_scanlines(&cinfo, rows, n);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(rgb.data());
    }
}
BENCHMARK(BM_DecodeIntoPackedRGB_1024x768_422)->Unit(benchmark::kMillisecond);

}  // namespace
