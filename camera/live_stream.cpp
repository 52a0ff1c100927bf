// The camera's JPEG bodies completed with their fixed header, decoded into the capture
// offscreen, copied to the live offscreen while the live picture runs; the live switch.

#include "camera/live_stream.h"

#include <array>
#include <cstring>
#include <new>

#include "camera/capture.h"
#include "monitor/live_monitor.h"
#include "platform/codecs.h"
#include "platform/draw.h"
#include "platform/window.h"

bool g_live_monitor_now = false;

namespace {

using Header = std::array<std::uint8_t, kJpegHeaderSize>;

// Quantization tables 0 and 1, in zig-zag order.
constexpr std::uint8_t kQuant0[64] = {2,  2,  2,  2,  2,  2, 2, 2,  2,  2,  2,  2,  2,  2,  3,  5,
                                      3,  3,  3,  3,  3,  6, 4, 4,  3,  5,  7,  6,  7,  7,  7,  6,
                                      7,  6,  8,  8,  11, 9, 8, 8,  10, 8,  6,  7,  9,  13, 9,  10,
                                      11, 11, 12, 12, 12, 7, 9, 13, 14, 13, 12, 14, 11, 12, 12, 12};
constexpr std::uint8_t kQuant1Head[15] = {2, 2, 2, 3, 2, 3, 6, 3, 3, 6, 12, 8, 7, 8, 12};

// The standard Huffman tables (ITU-T T.81 Annex K): 16 code-length counts, then values.
constexpr std::uint8_t kDcLumBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr std::uint8_t kDcChromBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr std::uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr std::uint8_t kAcLumBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr std::uint8_t kAcLumValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
    0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
    0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
    0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
    0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
    0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr std::uint8_t kAcChromBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr std::uint8_t kAcChromValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
    0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
    0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
    0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
    0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
    0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
    0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
    0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct HeaderWriter {
    Header bytes{};
    std::size_t at = 0;
    constexpr void put(std::uint8_t b) { bytes[at++] = b; }
    constexpr void put16(unsigned v) {
        put(std::uint8_t(v >> 8));
        put(std::uint8_t(v & 0xFF));
    }
    constexpr void put(const std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) put(p[i]);
    }
    constexpr void huffman(std::uint8_t table_class_id, const std::uint8_t* bits,
                           const std::uint8_t* values, std::size_t n) {
        put(table_class_id);
        put(bits, 16);
        put(values, n);
    }
};

// Start of image, both quantization tables, the four Huffman tables and the frame: the
// camera's body begins with its start-of-scan segment.
constexpr Header make_header(unsigned width, unsigned height) {
    HeaderWriter w;
    w.put16(0xFFD8);
    w.put16(0xFFDB);
    w.put16(132);
    w.put(0x00);
    w.put(kQuant0, 64);
    w.put(0x01);
    w.put(kQuant1Head, 15);
    for (int i = 15; i < 64; ++i) w.put(12);
    w.put16(0xFFC4);
    w.put16(418);
    w.huffman(0x00, kDcLumBits, kDcValues, 12);
    w.huffman(0x10, kAcLumBits, kAcLumValues, 162);
    w.huffman(0x01, kDcChromBits, kDcValues, 12);
    w.huffman(0x11, kAcChromBits, kAcChromValues, 162);
    w.put16(0xFFC0);
    w.put16(17);
    w.put(8);
    w.put16(height);
    w.put16(width);
    w.put(3);
    const std::uint8_t components[9] = {1, 0x21, 0, 2, 0x11, 1, 3, 0x11, 1};
    w.put(components, 9);
    return w.bytes;
}

}  // namespace

constexpr Header gJpegHeader_1024x768 = make_header(1024, 768);
constexpr Header gJpegHeader_1280x720 = make_header(1280, 720);
constexpr Header gJpegHeader_1280x960 = make_header(1280, 960);
constexpr Header gJpegHeader_1280x1024 = make_header(1280, 1024);

void live_monoitor_start() {
    if (!g_live_monitor_now) g_live_monitor_now = true;
}

void live_monitor_end() {
    g_live_monitor_now = false;
}

const std::uint8_t* jpeg_header_for(std::int32_t width, std::int32_t height) {
    if (width == 1024) return gJpegHeader_1024x768.data();
    if (height == 720) return gJpegHeader_1280x720.data();
    if (height == 960) return gJpegHeader_1280x960.data();
    return gJpegHeader_1280x1024.data();
}

std::uint8_t* assemble_jpeg_stream(const std::uint8_t* body, std::uint32_t length,
                                   std::int32_t width, std::int32_t height,
                                   std::size_t* stream_length) {
    *stream_length = std::size_t(length) + kJpegHeaderSize + 2;
    auto* stream = new (std::nothrow) std::uint8_t[*stream_length];
    if (!stream) return nullptr;
    std::memcpy(stream, jpeg_header_for(width, height), kJpegHeaderSize);
    std::memcpy(stream + kJpegHeaderSize, body, length);
    stream[kJpegHeaderSize + length] = 0xFF;
    stream[kJpegHeaderSize + length + 1] = 0xD9;
    return stream;
}

OSErr convert_jpeg_to_grab_off(const std::uint8_t* body, std::uint32_t length, std::int32_t width,
                               std::int32_t height) {
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    create_offscreens_for_capture(width, height);
    if (!g_grab_off) return memFullErr;
    SetGWorld(g_grab_off);
    std::size_t stream_length = 0;
    std::uint8_t* stream = assemble_jpeg_stream(body, length, width, height, &stream_length);
    if (!stream) {
        SetGWorld(saved);
        return memFullErr;
    }
    OSErr err = DecompressJPEGImage(stream, stream_length, 1, g_grab_off);
    delete[] stream;
    if (err == noErr && g_lm_off && g_lm_win && IsWindowVisible(g_lm_win) && g_live_monitor_now) {
        Rect r;
        GetPortBounds(g_grab_off, &r);
        CopyBits(g_grab_off, g_lm_off, &r, &r, srcCopy, nullptr);
        QDFlushPortBuffer(GetWindowPort(g_lm_win));
    }
    SetGWorld(saved);
    return err;
}
