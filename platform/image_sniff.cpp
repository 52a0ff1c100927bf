// Content sniffing: the MIME type of an image file from its bytes.
#include <cstring>

#include "platform/codec_support.h"
#include "platform/codecs.h"

namespace {

bool __starts_with(const std::uint8_t* data, std::size_t size, const char* magic,
                   std::size_t length) {
    return size >= length && std::memcmp(data, magic, length) == 0;
}

// A picture starting at data[base]: the version signature after a sane frame.
bool __pict_at(const std::uint8_t* data, std::size_t size, std::size_t base) {
    if (size < base + 16) return false;
    const std::uint8_t* sig = data + base + 10;
    const bool v2 = sig[0] == 0x00 && sig[1] == 0x11 && sig[2] == 0x02 && sig[3] == 0xFF &&
                    sig[4] == 0x0C && sig[5] == 0x00;
    const bool v1 = sig[0] == 0x11 && sig[1] == 0x01;
    if (!v1 && !v2) return false;
    ByteReader r(data + base + 2, 8);
    const auto top = std::int16_t(r.u16be()), left = std::int16_t(r.u16be());
    const auto bottom = std::int16_t(r.u16be()), right = std::int16_t(r.u16be());
    return bottom > top && right > left;
}

// "BM" followed by a header size that a Windows bitmap can have.
bool __is_bmp(const std::uint8_t* data, std::size_t size) {
    if (!__starts_with(data, size, "BM", 2) || size < 18) return false;
    ByteReader r(data + 14, 4);
    const std::uint32_t header = r.u32le();
    return header == 12 || header == 16 || header == 40 || header == 52 || header == 56 ||
           header == 64 || header == 108 || header == 124;
}

}  // namespace

const char* SniffImageMIMEType(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return nullptr;
    if (__starts_with(data, size, "\xFF\xD8\xFF", 3)) return "image/jpeg";
    if (__is_bmp(data, size)) return "image/x-bmp";
    if (__starts_with(data, size, "\x89PNG\r\n\x1A\n", 8)) return "image/png";
    if (__starts_with(data, size, "GIF87a", 6) || __starts_with(data, size, "GIF89a", 6))
        return "image/gif";
    if (__starts_with(data, size, "II*\0", 4) || __starts_with(data, size, "MM\0*", 4))
        return "image/tiff";
    if (__starts_with(data, size, "%PDF-", 5)) return "application/pdf";
    if (__pict_at(data, size, 512) || __pict_at(data, size, 0)) return "image/pict";
    return nullptr;
}
