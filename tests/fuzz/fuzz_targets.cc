// libFuzzer entry points for the image readers and the content sniffer; tests/fuzz/run
// builds this file once per reader with FUZZ_READER set to its name.
#include <cstddef>
#include <cstdint>

#include "platform/codecs.h"

namespace {

void fuzz_jpeg(const std::uint8_t* data, std::size_t size) {
    GWorldPtr g = nullptr;
    const int denom = size > 0 ? 1 << (data[size - 1] & 3) : 1;
    // Frames of many megapixels are legal but only slow the search down: their headers
    // are read, their pixels not.
    std::int16_t w, h;
    if (GetJPEGImageSize(data, size, denom, &w, &h) != noErr || int(w) * int(h) > (1 << 20)) return;
    if (ReadJPEGImage(data, size, denom, &g) == noErr) DisposeGWorld(g);
    // Also into a GWorld smaller than most images, as the camera's frames are decoded.
    Rect b;
    SetRect(&b, 0, 0, 48, 32);
    if (NewGWorld(&g, 32, &b, 0) == noErr) {
        DecompressJPEGImage(data, size, 1, g);
        DisposeGWorld(g);
    }
}

void fuzz_bmp(const std::uint8_t* data, std::size_t size) {
    GWorldPtr g = nullptr;
    if (ReadBMPImage(data, size, &g) == noErr) DisposeGWorld(g);
}

void fuzz_pict(const std::uint8_t* data, std::size_t size) {
    GWorldPtr g = nullptr;
    if (ReadPICTImage(data, size, &g) == noErr) DisposeGWorld(g);
}

void fuzz_sniff(const std::uint8_t* data, std::size_t size) {
    SniffImageMIMEType(data, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FUZZ_READER(data, size);
    return 0;
}
