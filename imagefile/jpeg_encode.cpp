// JPEG encoding of an offscreen with the fixed parameters of the program's EXIF files.
#include "imagefile/jpeg_encode.h"

#include <cstdio>
#include <cstdlib>

#include "platform/codecs.h"

namespace {

// Quality 75 with baseline tables, luminance sampled 2 x 1, density unit dpi with both
// densities 0.
constexpr JPEGEncodeOptions __k_options = {75, true, 1, 0, 0};

}  // namespace

OSErr gworld2jpegptr(GWorldPtr world, std::vector<std::uint8_t>* out) {
    return CompressJPEGImage(world, &__k_options, out);
}

OSErr gworld2jpegfile(GWorldPtr world, const char* path) {
    std::vector<std::uint8_t> jpeg;
    OSErr err = gworld2jpegptr(world, &jpeg);
    if (err != noErr) return err;
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return memFullErr;
    const bool written = std::fwrite(jpeg.data(), 1, jpeg.size(), f) == jpeg.size();
    if (std::fclose(f) != 0 || !written) {
        std::remove(path);
        return ioErr;
    }
    return noErr;
}

std::uint8_t* tmpfile_to_ptr(const char* path, std::size_t* size) {
    *size = 0;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return nullptr;
    std::uint8_t* block = nullptr;
    long length = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    if (length > 0) block = static_cast<std::uint8_t*>(std::malloc(std::size_t(length)));
    if (block != nullptr) {
        std::rewind(f);
        if (std::fread(block, 1, std::size_t(length), f) == std::size_t(length)) {
            *size = std::size_t(length);
        } else {
            std::free(block);
            block = nullptr;
        }
    }
    std::fclose(f);
    std::remove(path);
    return block;
}
