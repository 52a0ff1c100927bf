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
