// JPEG encoding of an offscreen with the fixed parameters of the program's EXIF files.
#include "imagefile/jpeg_encode.h"

#include "platform/codecs.h"

namespace {

// Quality 75 with baseline tables, luminance sampled 2 x 1, density unit dpi with both
// densities 0.
constexpr JPEGEncodeOptions __k_options = {75, true, 1, 0, 0};

}  // namespace

OSErr gworld2jpegptr(GWorldPtr world, std::vector<std::uint8_t>* out) {
    return CompressJPEGImage(world, &__k_options, out);
}
