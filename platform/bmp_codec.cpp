// Windows bitmap reading (all common depths, RLE and bit fields) and 24-bit writing.
#include <cstring>
#include <new>

#include "platform/codec_support.h"
#include "platform/codecs.h"

namespace {

enum : std::uint32_t { kRGB = 0, kRLE8 = 1, kRLE4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct Channel {
    std::uint32_t mask;  // bits of the channel in a pixel
    int shift;           // position of the mask's lowest bit
    std::uint32_t max;   // mask >> shift
};

Channel __channel(std::uint32_t mask) {
    Channel c{mask, 0, 0};
    if (mask == 0) return c;
    while (!(mask & 1)) {
        mask >>= 1;
        ++c.shift;
    }
    c.max = mask;
    return c;
}

std::uint8_t __scale(const Channel& c, std::uint32_t pixel) {
    if (c.max == 0) return 0;
    const std::uint64_t v = (pixel & c.mask) >> c.shift;
    return std::uint8_t((v * 255 + c.max / 2) / c.max);
}

struct Bitmap {
    std::int64_t width, height;  // pixels; height positive
    bool top_down;               // first stored row is the top one
    int bits;                    // bits a pixel
    std::uint32_t compression;   // kRGB, kRLE8, kRLE4, kBitFields
    Channel red, green, blue;    // bit fields of 16 and 32-bit pixels
    std::uint32_t palette[256];  // 0x00RRGGBB
    int colours;                 // palette entries present
};

void __put(GWorldPtr w, std::int64_t x, std::int64_t y, std::uint32_t rgb) {
    std::uint8_t* p = w->pixels + std::size_t(y) * std::size_t(w->row_bytes) + std::size_t(x) * 4;
    p[0] = 0;
    p[1] = std::uint8_t(rgb >> 16);
    p[2] = std::uint8_t(rgb >> 8);
    p[3] = std::uint8_t(rgb);
}

std::uint32_t __index_colour(const Bitmap& b, unsigned index) {
    return int(index) < b.colours ? b.palette[index] : 0;
}

// Parses both headers and the palette. codecErr when anything is inconsistent.
OSErr __read_headers(const std::uint8_t* data, std::size_t size, Bitmap* b,
                     std::uint32_t* pixel_offset) {
    ByteReader r(data, size);
    if (r.u8() != 'B' || r.u8() != 'M') return codecErr;
    r.skip(8);
    *pixel_offset = r.u32le();
    const std::size_t header_start = r.pos;
    const std::uint32_t header_size = r.u32le();
    std::uint32_t colours_used = 0;
    bool masks_in_header = false;
    if (header_size == 12) {
        b->width = r.u16le();
        b->height = std::int16_t(r.u16le());
        r.skip(2);
        b->bits = r.u16le();
        b->compression = kRGB;
    } else if (header_size == 16 || header_size == 40 || header_size == 52 || header_size == 56 ||
               header_size == 64 || header_size == 108 || header_size == 124) {
        b->width = std::int32_t(r.u32le());
        b->height = std::int32_t(r.u32le());
        r.skip(2);
        b->bits = r.u16le();
        if (header_size >= 20)
            b->compression = r.u32le();
        else
            b->compression = kRGB;
        if (header_size >= 36) {
            r.skip(12);
            colours_used = r.u32le();
        }
        masks_in_header = header_size >= 52;
    } else {
        return codecErr;
    }
    if (!r.ok) return codecErr;
    b->top_down = b->height < 0;
    if (b->top_down) b->height = -b->height;

    const std::size_t after_header = header_start + header_size;
    std::uint32_t masks[3] = {0, 0, 0};
    if (b->compression == kBitFields || b->compression == kAlphaBitFields) {
        if (b->bits != 16 && b->bits != 32) return codecErr;
        r.seek(masks_in_header ? header_start + 40 : after_header);
        for (auto& m : masks) m = r.u32le();
        if (!r.ok) return codecErr;
    } else if (b->bits == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    }
    b->red = __channel(masks[0]);
    b->green = __channel(masks[1]);
    b->blue = __channel(masks[2]);

    const bool indexed = b->bits == 1 || b->bits == 4 || b->bits == 8;
    if (!indexed && b->bits != 16 && b->bits != 24 && b->bits != 32) return codecErr;
    if ((b->compression == kRLE8 && b->bits != 8) || (b->compression == kRLE4 && b->bits != 4))
        return codecErr;
    if (b->compression != kRGB && b->compression != kRLE8 && b->compression != kRLE4 &&
        b->compression != kBitFields && b->compression != kAlphaBitFields)
        return codecErr;
    if ((b->compression == kRLE8 || b->compression == kRLE4) && b->top_down) return codecErr;

    b->colours = 0;
    if (indexed) {
        const std::uint32_t most = 1u << b->bits;
        const std::uint32_t count = colours_used == 0 || colours_used > most ? most : colours_used;
        const std::size_t entry = header_size == 12 ? 3 : 4;
        std::size_t table = after_header;
        if (b->compression == kBitFields) table += 12;
        r.seek(table);
        for (std::uint32_t i = 0; i < count && r.has(entry); ++i) {
            const std::uint32_t blue = r.u8(), green = r.u8(), red = r.u8();
            if (entry == 4) r.u8();
            b->palette[i] = (red << 16) | (green << 8) | blue;
            b->colours = int(i + 1);
        }
    }
    return noErr;
}

// Uncompressed rows, all present (checked by the caller).
OSErr __read_rows(const std::uint8_t* data, std::size_t offset, const Bitmap& b, GWorldPtr w) {
    const std::size_t stride = std::size_t((b.width * b.bits + 31) / 32 * 4);
    for (std::int64_t row = 0; row < b.height; ++row) {
        const std::uint8_t* p = data + offset + std::size_t(row) * stride;
        const std::int64_t y = b.top_down ? row : b.height - 1 - row;
        for (std::int64_t x = 0; x < b.width; ++x) {
            std::uint32_t rgb;
            switch (b.bits) {
                case 1:
                    rgb = __index_colour(b, (p[x >> 3] >> (7 - (x & 7))) & 1);
                    break;
                case 4:
                    rgb = __index_colour(b, (p[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
                    break;
                case 8:
                    rgb = __index_colour(b, p[x]);
                    break;
                case 24:
                    rgb = (std::uint32_t(p[x * 3 + 2]) << 16) | (p[x * 3 + 1] << 8) | p[x * 3];
                    break;
                default: {
                    std::uint32_t v;
                    if (b.bits == 16) {
                        v = std::uint32_t(p[x * 2]) | (std::uint32_t(p[x * 2 + 1]) << 8);
                    } else {
                        ByteReader px(p + x * 4, 4);
                        v = px.u32le();
                    }
                    rgb = (std::uint32_t(__scale(b.red, v)) << 16) | (__scale(b.green, v) << 8) |
                          __scale(b.blue, v);
                }
            }
            __put(w, x, y, rgb);
        }
    }
    return noErr;
}

// RLE8 and RLE4: runs and absolute groups of palette indices, bottom-up. Pixels that
// the data skips stay white.
OSErr __read_rle(const std::uint8_t* data, std::size_t size, std::size_t offset, const Bitmap& b,
                 GWorldPtr w) {
    if (offset > size) return codecErr;
    ByteReader r(data + offset, size - offset);
    const bool four = b.compression == kRLE4;
    std::int64_t x = 0, row = 0;
    auto plot = [&](unsigned index) {
        if (x < b.width && row < b.height)
            __put(w, x, b.height - 1 - row, __index_colour(b, index));
        ++x;
    };
    while (r.ok && row < b.height) {
        const unsigned count = r.u8(), value = r.u8();
        if (!r.ok) break;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                plot(four ? ((i & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            return noErr;
        } else if (value == 2) {
            x += r.u8();
            row += r.u8();
        } else {
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (!r.has(bytes)) break;
            const std::uint8_t* p = r.here();
            for (unsigned i = 0; i < value; ++i)
                plot(four ? ((i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            r.skip((bytes + 1) & ~std::size_t(1));
        }
    }
    return row >= b.height ? noErr : codecErr;
}

}  // namespace

OSErr ReadBMPImage(const std::uint8_t* data, std::size_t size, GWorldPtr* out) {
    *out = nullptr;
    if (data == nullptr) return codecErr;
    Bitmap b;
    std::uint32_t offset = 0;
    OSErr err = __read_headers(data, size, &b, &offset);
    if (err != noErr) return err;
    const bool rle = b.compression == kRLE8 || b.compression == kRLE4;
    // Uncompressed rows must all be present before anything is allocated for them.
    if (!rle && b.width > 0 && b.height > 0 &&
        (offset > size ||
         std::uint64_t(size - offset) / std::uint64_t((b.width * b.bits + 31) / 32 * 4) <
             std::uint64_t(b.height)))
        return codecErr;
    err = NewImageGWorld(b.width, b.height, out);
    if (err != noErr) return err;
    err = rle ? __read_rle(data, size, offset, b, *out) : __read_rows(data, offset, b, *out);
    if (err != noErr) {
        DisposeGWorld(*out);
        *out = nullptr;
    }
    return err;
}

OSErr WriteBMPImage(GWorldPtr src, std::vector<std::uint8_t>* out) {
    out->clear();
    if (src == nullptr || src->width <= 0 || src->height <= 0) return paramErr;
    const std::size_t width = std::size_t(src->width), height = std::size_t(src->height);
    const std::size_t stride = (width * 3 + 3) & ~std::size_t(3);
    const std::size_t total = 54 + stride * height;
    if (total > 0xFFFFFFFFu) return paramErr;
    try {
        out->assign(total, 0);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    std::uint8_t* h = out->data();
    h[0] = 'B';
    h[1] = 'M';
    put_u32le(h + 2, std::uint32_t(total));
    put_u32le(h + 10, 54);
    put_u32le(h + 14, 40);
    put_u32le(h + 18, std::uint32_t(width));
    put_u32le(h + 22, std::uint32_t(height));
    put_u16le(h + 26, 1);
    put_u16le(h + 28, 24);
    put_u32le(h + 34, std::uint32_t(stride * height));
    put_u32le(h + 38, 2835);  // 72 dpi in pixels a metre
    put_u32le(h + 42, 2835);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* s =
            GetPixBaseAddr(src) + (height - 1 - y) * std::size_t(src->row_bytes);
        std::uint8_t* d = h + 54 + y * stride;
        for (std::size_t x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[3];
            d[1] = s[2];
            d[2] = s[1];
        }
    }
    return noErr;
}
