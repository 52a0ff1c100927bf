// Image allocation and byte writing shared by the image codecs.
#include "platform/codec_support.h"

#include "platform/codecs.h"

OSErr NewImageGWorld(std::int64_t width, std::int64_t height, GWorldPtr* out) {
    *out = nullptr;
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767 ||
        width * height > kMaxImagePixels)
        return codecErr;
    Rect bounds;
    SetRect(&bounds, 0, 0, int(width), int(height));
    OSErr err = NewGWorld(out, 32, &bounds, 0);
    if (err != noErr) {
        *out = nullptr;
        return memFullErr;
    }
    return noErr;
}

void put_u16be(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}

void put_u16le(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void put_u32le(std::uint8_t* p, std::uint32_t v) {
    put_u16le(p, v);
    put_u16le(p + 2, v >> 16);
}
