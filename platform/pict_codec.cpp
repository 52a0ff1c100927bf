// PICT reading (version 2 and 1: pixel maps, bitmaps, JPEG-compressed QuickTime images)
// and writing (version 2, 32-bit direct pixel maps packed by component planes).
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/codec_support.h"
#include "platform/codecs.h"

namespace {

constexpr std::size_t kHeaderSize = 512;

struct Rect32 {
    std::int32_t top, left, bottom, right;
    std::int64_t width() const { return std::int64_t(right) - left; }
    std::int64_t height() const { return std::int64_t(bottom) - top; }
    bool operator==(const Rect32&) const = default;
};

Rect32 __rect(ByteReader& r) {
    Rect32 x;
    x.top = std::int16_t(r.u16be());
    x.left = std::int16_t(r.u16be());
    x.bottom = std::int16_t(r.u16be());
    x.right = std::int16_t(r.u16be());
    return x;
}

// The fields of a bitmap or pixel map that decoding needs.
struct PixMap {
    bool is_pixmap;  // rowBytes bit 15: a PixMap, else a 1-bit BitMap
    std::uint32_t row_bytes;
    Rect32 bounds;
    std::uint16_t pack_type;
    std::uint16_t pixel_size;  // 1, 2, 4, 8, 16 or 32
    std::uint16_t cmp_count;
    std::uint32_t colours[256];  // colour table as 0x00RRGGBB
};

struct Reader {
    ByteReader r;      // the picture, from its size word
    bool v2;           // two-byte, even-aligned opcodes
    Rect32 frame;      // the picture frame: canvas position and size
    GWorldPtr canvas;  // made at the first image drawn
    bool have_jpeg;    // a QuickTime JPEG image was drawn at jpeg_rect
    Rect32 jpeg_rect;
};

OSErr __ensure_canvas(Reader* rd) {
    if (rd->canvas) return noErr;
    return NewImageGWorld(rd->frame.width(), rd->frame.height(), &rd->canvas);
}

// Draws image (w x h pixels, 0x00RRGGBB) scaled from src (in image coordinates whose
// origin is origin) into dst (in picture coordinates), by nearest pixel.
void __composite(Reader* rd, const std::uint32_t* image, std::int64_t w, std::int64_t h,
                 const Rect32& origin, const Rect32& src, const Rect32& dst) {
    const std::int64_t sw = src.width(), sh = src.height(), dw = dst.width(), dh = dst.height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    GWorldPtr c = rd->canvas;
    const std::int64_t y0 = std::max<std::int64_t>(dst.top - rd->frame.top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(dst.bottom - rd->frame.top, c->height);
    const std::int64_t x0 = std::max<std::int64_t>(dst.left - rd->frame.left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(dst.right - rd->frame.left, c->width);
    for (std::int64_t y = y0; y < y1; ++y) {
        const std::int64_t sy = src.top + (y + rd->frame.top - dst.top) * sh / dh - origin.top;
        if (sy < 0 || sy >= h) continue;
        std::uint8_t* out = c->pixels + std::size_t(y) * std::size_t(c->row_bytes);
        for (std::int64_t x = x0; x < x1; ++x) {
            const std::int64_t sx =
                src.left + (x + rd->frame.left - dst.left) * sw / dw - origin.left;
            if (sx < 0 || sx >= w) continue;
            const std::uint32_t v = image[sy * w + sx];
            std::uint8_t* p = out + x * 4;
            p[0] = 0;
            p[1] = std::uint8_t(v >> 16);
            p[2] = std::uint8_t(v >> 8);
            p[3] = std::uint8_t(v);
        }
    }
}

// Skips a region or polygon: a size word that counts itself.
void __skip_sized(ByteReader& r) {
    const std::uint16_t size = r.u16be();
    if (size < 2)
        r.fail();
    else
        r.skip(size - 2u);
}

// PackBits into out (units of unit bytes); stops at the end of out or of in.
void __unpack_bits(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                   std::size_t out_size, std::size_t unit) {
    std::size_t i = 0, o = 0;
    while (i < in_size && o < out_size) {
        const auto flag = std::int8_t(in[i++]);
        if (flag >= 0) {
            const std::size_t n =
                std::min({std::size_t(flag + 1) * unit, in_size - i, out_size - o});
            std::memcpy(out + o, in + i, n);
            i += std::size_t(flag + 1) * unit;
            o += n;
        } else if (flag != -128) {
            if (in_size - i < unit) return;
            for (int k = 0; k < 1 - flag && o < out_size; ++k)
                for (std::size_t b = 0; b < unit && o < out_size; ++b) out[o++] = in[i + b];
            i += unit;
        }
    }
}

// How the rows of a pixel map are stored.
struct RowLayout {
    bool packed;           // a byte count and PackBits per row, else raw rows
    std::size_t expanded;  // bytes of one row once unpacked
    bool planes;           // 32-bit rows unpacked into R, G, B planes (after an alpha plane)
};

RowLayout __row_layout(const PixMap& pm, bool packed) {
    const bool direct32 = pm.is_pixmap && pm.pixel_size == 32;
    if (direct32 && pm.pack_type == 2) return {false, 3 * std::size_t(pm.bounds.width()), false};
    if (direct32 && pm.pack_type == 1) packed = false;
    if (!packed) return {false, pm.row_bytes, false};
    if (direct32) return {true, std::size_t(pm.cmp_count) * std::size_t(pm.bounds.width()), true};
    return {true, pm.row_bytes, false};
}

// Whether the rows can be present in the bytes left: PackBits expands a packet at most
// 256 / 3 times. Checked before anything is allocated for them.
bool __rows_fit(const ByteReader& r, const PixMap& pm, const RowLayout& l) {
    const std::size_t min_row = l.packed ? 1 + (l.expanded + 255) / 256 : l.expanded;
    return min_row > 0 && r.left() / min_row >= std::size_t(pm.bounds.height());
}

// Reads the rows of pm into pixels (null to only skip them).
OSErr __read_rows(ByteReader& r, const PixMap& pm, const RowLayout& l, std::uint32_t* pixels) {
    const std::int64_t w = pm.bounds.width(), h = pm.bounds.height();
    if (!__rows_fit(r, pm, l)) return codecErr;
    const std::size_t expanded = l.expanded;
    std::vector<std::uint8_t> row(expanded + 2);
    const std::size_t unit = pm.is_pixmap && pm.pixel_size == 16 ? 2 : 1;
    for (std::int64_t y = 0; y < h; ++y) {
        std::fill(row.begin(), row.end(), 0);
        if (l.packed) {
            std::size_t count = r.u8();
            if (expanded > 250 || count == 0) count = (count << 8) | r.u8();
            if (!r.has(count)) return codecErr;
            __unpack_bits(r.here(), count, row.data(), expanded, unit);
            r.skip(count);
        } else {
            if (!r.has(expanded)) return codecErr;
            std::memcpy(row.data(), r.here(), expanded);
            r.skip(expanded);
        }
        if (!pixels) continue;
        std::uint32_t* out = pixels + y * w;
        const std::uint8_t* p = row.data();
        for (std::int64_t x = 0; x < w; ++x) {
            std::uint32_t v;
            if (!pm.is_pixmap) {
                v = (p[x >> 3] >> (7 - (x & 7))) & 1 ? 0x000000 : 0xFFFFFF;
            } else if (pm.pixel_size <= 8) {
                const std::int64_t bit = x * pm.pixel_size;
                if (std::size_t(bit / 8) >= expanded) break;
                const unsigned index =
                    (p[bit >> 3] >> (8 - pm.pixel_size - (bit & 7))) & ((1u << pm.pixel_size) - 1);
                v = pm.colours[index];
            } else if (pm.pixel_size == 16) {
                if (std::size_t(x * 2 + 1) >= expanded) break;
                const unsigned word = (unsigned(p[x * 2]) << 8) | p[x * 2 + 1];
                const unsigned red = (word >> 10) & 31, green = (word >> 5) & 31, blue = word & 31;
                v = (((red << 3) | (red >> 2)) << 16) | (((green << 3) | (green >> 2)) << 8) |
                    ((blue << 3) | (blue >> 2));
            } else if (pm.pack_type == 2) {
                v = (std::uint32_t(p[x * 3]) << 16) | (p[x * 3 + 1] << 8) | p[x * 3 + 2];
            } else if (l.planes) {
                const std::uint8_t* red = p + (pm.cmp_count >= 4 ? std::size_t(w) : 0);
                v = (std::uint32_t(red[x]) << 16) | (red[w + x] << 8) | red[2 * w + x];
            } else {
                if (std::size_t(x * 4 + 3) >= expanded) break;
                v = (std::uint32_t(p[x * 4 + 1]) << 16) | (p[x * 4 + 2] << 8) | p[x * 4 + 3];
            }
            out[x] = v;
        }
    }
    return r.ok ? noErr : codecErr;
}

// Whether an opcode plausibly starts at the next even offset: one that follows pixel data
// in real files.
bool __opcode_follows(ByteReader r) {
    if (r.pos & 1) r.skip(1);
    const std::uint16_t op = r.u16be();
    return r.ok && (op == 0x00FF || op == 0x0000 || op == 0x0001 || op == 0x001E ||
                    (op >= 0x0090 && op <= 0x009B) || op == 0x00A0 || op == 0x00A1 ||
                    op == 0x8200 || op == 0x8201);
}

// Pixel data; packed rows shorter than 8 bytes are stored raw, except that some writers
// pack one-pixel-wide 32-bit rows anyway: those are read packed when raw reading does not
// end on an opcode (version 2 only).
OSErr __read_pixdata(ByteReader& r, const PixMap& pm, bool packed, bool v2, std::uint32_t* pixels) {
    if (!packed || pm.row_bytes >= 8) return __read_rows(r, pm, __row_layout(pm, packed), pixels);
    const std::size_t start = r.pos;
    const RowLayout raw = __row_layout(pm, false);
    if (__read_rows(r, pm, raw, pixels) == noErr && (!v2 || __opcode_follows(r))) return noErr;
    const RowLayout packed_layout = __row_layout(pm, true);
    if (!v2 || packed_layout.planes == false) return codecErr;
    r.ok = true;
    r.pos = start;
    return __read_rows(r, pm, packed_layout, pixels);
}

// The PixMap fields after rowBytes and bounds (36 bytes).
OSErr __read_pixmap_fields(ByteReader& r, PixMap* pm) {
    r.skip(2);
    pm->pack_type = r.u16be();
    r.skip(12);
    const std::uint16_t pixel_type = r.u16be();
    pm->pixel_size = r.u16be();
    pm->cmp_count = r.u16be();
    r.skip(14);
    if (!r.ok) return codecErr;
    const std::uint16_t s = pm->pixel_size;
    const bool indexed = pixel_type == 0 && (s == 1 || s == 2 || s == 4 || s == 8);
    const bool direct = s == 16 || (s == 32 && pm->cmp_count >= 3 && pm->cmp_count <= 4);
    return indexed || direct ? noErr : codecErr;
}

OSErr __read_colour_table(ByteReader& r, PixMap* pm) {
    r.skip(4);
    const bool device = r.u16be() & 0x8000;
    const int count = std::int16_t(r.u16be()) + 1;
    if (count < 0 || count > 256 || !r.has(std::size_t(count) * 8)) return codecErr;
    for (int i = 0; i < count; ++i) {
        const unsigned value = r.u16be();
        const std::uint32_t red = r.u16be() >> 8, green = r.u16be() >> 8, blue = r.u16be() >> 8;
        const unsigned index = device ? unsigned(i) : value & 0xFF;
        pm->colours[index] = (red << 16) | (green << 8) | blue;
    }
    return noErr;
}

// 0090/0091/0098/0099 (bitmap or indexed pixel map) and 009A/009B (direct pixel map).
OSErr __pixel_opcode(Reader* rd, std::uint16_t op) {
    ByteReader& r = rd->r;
    PixMap pm;
    std::fill(std::begin(pm.colours), std::end(pm.colours), 0);
    const bool direct = op == 0x9A || op == 0x9B;
    if (direct) r.skip(4);
    const std::uint16_t raw = r.u16be();
    pm.is_pixmap = (raw & 0x8000) != 0;
    pm.row_bytes = raw & 0x7FFF;
    pm.bounds = __rect(r);
    pm.pack_type = 0;
    pm.pixel_size = 1;
    pm.cmp_count = 1;
    if (pm.is_pixmap) {
        if (__read_pixmap_fields(r, &pm) != noErr) return codecErr;
        if (!direct && __read_colour_table(r, &pm) != noErr) return codecErr;
    } else if (direct) {
        return codecErr;
    }
    const Rect32 src = __rect(r), dst = __rect(r);
    r.skip(2);
    if (op == 0x91 || op == 0x99 || op == 0x9B) __skip_sized(r);
    if (!r.ok) return codecErr;
    const std::int64_t w = pm.bounds.width(), h = pm.bounds.height();
    if (w <= 0 || h <= 0 || w * h > kMaxImagePixels) return codecErr;
    const std::int64_t bits = pm.is_pixmap ? pm.pixel_size : 1;
    if (pm.row_bytes * 8 < w * bits && !(direct && pm.pack_type == 2)) return codecErr;
    // The all-black fallback that follows a QuickTime image must not cover it.
    const bool draw = !(rd->have_jpeg && dst == rd->jpeg_rect);
    const bool packed = op == 0x98 || op == 0x99 || direct;
    if (!__rows_fit(r, pm, __row_layout(pm, packed))) return codecErr;
    if (!draw) return __read_pixdata(r, pm, packed, rd->v2, nullptr);
    std::vector<std::uint32_t> pixels;
    try {
        pixels.assign(std::size_t(w * h), 0xFFFFFF);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    OSErr err = __read_pixdata(r, pm, packed, rd->v2, pixels.data());
    if (err == noErr) err = __ensure_canvas(rd);
    if (err == noErr) __composite(rd, pixels.data(), w, h, pm.bounds, src, dst);
    return err;
}

// 0012-0014: a pattern type, an 8-byte pattern and, for type 1, a pixel map without
// rectangles, a colour table and pixel data, all skipped.
OSErr __skip_pixpat(ByteReader& r) {
    const std::uint16_t type = r.u16be();
    r.skip(8);
    if (type == 2) {
        r.skip(6);
        return r.ok ? noErr : codecErr;
    }
    if (type != 1) return r.ok ? noErr : codecErr;
    PixMap pm;
    const std::uint16_t raw = r.u16be();
    pm.is_pixmap = true;
    pm.row_bytes = raw & 0x7FFF;
    pm.bounds = __rect(r);
    if (__read_pixmap_fields(r, &pm) != noErr || __read_colour_table(r, &pm) != noErr)
        return codecErr;
    const std::int64_t w = pm.bounds.width(), h = pm.bounds.height();
    if (w <= 0 || h <= 0 || w * h > kMaxImagePixels) return codecErr;
    return __read_pixdata(r, pm, true, true, nullptr);
}

// 8200: a JPEG image inside QuickTime's compressed-picture data.
OSErr __quicktime_jpeg(Reader* rd) {
    ByteReader& r = rd->r;
    const std::uint32_t n = r.u32be();
    if (!r.has(n)) return codecErr;
    ByteReader q(r.here(), n);
    r.skip(n);
    q.seek(38);
    const std::uint64_t matte = q.u32be();
    q.seek(52);
    const Rect32 rect = __rect(q);
    q.seek(64);
    const std::uint64_t mask = q.u32be();
    const std::uint64_t idsc = 68 + matte + mask;
    if (!q.ok || idsc > n) return codecErr;
    q.seek(std::size_t(idsc));
    const std::uint32_t id_size = q.u32be();
    const std::uint32_t type = q.u32be();
    if (!q.ok) return codecErr;
    if (type != FOUR_CC("jpeg")) return noErr;
    q.seek(std::size_t(idsc) + 44);
    const std::uint32_t data_size = q.u32be();
    if (id_size < 86 || !q.ok || idsc + id_size > n) return codecErr;
    q.seek(std::size_t(idsc + id_size));
    std::size_t length = std::min<std::size_t>(data_size, q.left());
    const std::uint8_t* jpeg = q.here();
    if (length < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
        const std::uint8_t* end = q.here() + q.left();
        const std::uint8_t soi[3] = {0xFF, 0xD8, 0xFF};
        const std::uint8_t* found = std::search(q.here(), end, soi, soi + 3);
        if (found == end) return codecErr;
        jpeg = found;
        length = std::size_t(end - found);
    }
    GWorldPtr image;
    OSErr err = ReadJPEGImage(jpeg, length, 1, &image);
    if (err != noErr) return err;
    const std::int64_t w = image->width, h = image->height;
    std::vector<std::uint32_t> pixels;
    try {
        pixels.resize(std::size_t(w * h));
    } catch (const std::bad_alloc&) {
        DisposeGWorld(image);
        return memFullErr;
    }
    for (std::int64_t y = 0; y < h; ++y)
        for (std::int64_t x = 0; x < w; ++x) pixels[y * w + x] = GetPixelRGB(image, int(x), int(y));
    DisposeGWorld(image);
    err = __ensure_canvas(rd);
    if (err != noErr) return err;
    const Rect32 whole{0, 0, std::int32_t(h), std::int32_t(w)};
    __composite(rd, pixels.data(), w, h, whole, whole, rect);
    rd->have_jpeg = true;
    rd->jpeg_rect = rect;
    return noErr;
}

// Skips the data of an opcode that draws nothing we keep. false for an unknown opcode.
bool __skip_opcode(ByteReader& r, std::uint16_t op, bool v2) {
    if (op >= 0x8100) {
        r.skip(r.u32be());
        return true;
    }
    if (op >= 0x8000) return true;
    if (op >= 0x0100) {
        r.skip(2u * (op >> 8));
        return true;
    }
    switch (op) {
        case 0x00:
        case 0x17:
        case 0x18:
        case 0x19:
        case 0x1C:
        case 0x1E:
            return true;
        case 0x01:
            __skip_sized(r);
            return true;
        case 0x03:
        case 0x05:
        case 0x08:
        case 0x0D:
        case 0x15:
        case 0x16:
        case 0x23:
        case 0xA0:
            r.skip(2);
            return true;
        case 0x04:
            r.skip(1);
            return true;
        case 0x06:
        case 0x07:
        case 0x0B:
        case 0x0C:
        case 0x0E:
        case 0x0F:
        case 0x21:
            r.skip(4);
            return true;
        case 0x02:
        case 0x09:
        case 0x0A:
        case 0x10:
        case 0x20:
            r.skip(8);
            return true;
        case 0x11:
            r.skip(v2 ? 2 : 1);
            return true;
        case 0x1A:
        case 0x1B:
        case 0x1D:
        case 0x1F:
        case 0x22:
            r.skip(6);
            return true;
        case 0x28:
            r.skip(4);
            r.skip(r.u8());
            return true;
        case 0x29:
        case 0x2A:
            r.skip(1);
            r.skip(r.u8());
            return true;
        case 0x2B:
            r.skip(2);
            r.skip(r.u8());
            return true;
        case 0xA1:
            r.skip(2);
            r.skip(r.u16be());
            return true;
        default:
            break;
    }
    if ((op >= 0x24 && op <= 0x27) || (op >= 0x2C && op <= 0x2F) || (op >= 0x92 && op <= 0x97) ||
        (op >= 0x9C && op <= 0x9F) || (op >= 0xA2 && op <= 0xAF)) {
        r.skip(r.u16be());
        return true;
    }
    if (op >= 0xD0 && op <= 0xFE) {
        r.skip(r.u32be());
        return true;
    }
    const unsigned low = op & 0x0F;
    if (op >= 0x30 && op <= 0x5F) {
        if (low < 8) r.skip(8);
        return true;
    }
    if (op >= 0x60 && op <= 0x6F) {
        r.skip(low < 8 ? 12 : 4);
        return true;
    }
    if (op >= 0x70 && op <= 0x7F) {
        if (low < 8) __skip_sized(r);
        return true;
    }
    if (op >= 0x80 && op <= 0x8F) {
        if (low < 8) __skip_sized(r);
        return true;
    }
    return op >= 0xB0 && op <= 0xCF;
}

OSErr __read_opcodes(Reader* rd) {
    ByteReader& r = rd->r;
    while (true) {
        if (rd->v2 && (r.pos & 1)) r.skip(1);
        const std::uint16_t op = rd->v2 ? r.u16be() : r.u8();
        if (!r.ok) return codecErr;
        OSErr err = noErr;
        if (op == 0xFF) return rd->canvas ? noErr : codecErr;
        if (op == 0x90 || op == 0x91 || op == 0x98 || op == 0x99 || op == 0x9A || op == 0x9B) {
            err = __pixel_opcode(rd, op);
        } else if (op >= 0x12 && op <= 0x14) {
            err = __skip_pixpat(r);
        } else if (op == 0x8200) {
            err = __quicktime_jpeg(rd);
        } else if (!__skip_opcode(r, op, rd->v2)) {
            return codecErr;
        }
        if (err != noErr) return err;
        if (!r.ok) return codecErr;
    }
}

// The start of the picture: after the 512-byte header, or at 0 without one.
bool __find_picture(const std::uint8_t* data, std::size_t size, std::size_t* base, bool* v2) {
    for (std::size_t b : {kHeaderSize, std::size_t(0)}) {
        if (size < b + 16) continue;
        const std::uint8_t* s = data + b + 10;
        if (s[0] == 0x00 && s[1] == 0x11 && s[2] == 0x02 && s[3] == 0xFF && s[4] == 0x0C &&
            s[5] == 0x00) {
            *base = b, *v2 = true;
            return true;
        }
        if (s[0] == 0x11 && s[1] == 0x01) {
            *base = b, *v2 = false;
            return true;
        }
    }
    return false;
}

// ---- Writing ----

// PackBits with runs of three or more equal bytes; at most n + ceil(n / 128) bytes.
void __pack_bits(const std::uint8_t* in, std::size_t n, std::vector<std::uint8_t>* out) {
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && in[i + run] == in[i]) ++run;
        if (run >= 3) {
            out->push_back(std::uint8_t(257 - run));
            out->push_back(in[i]);
            i += run;
            continue;
        }
        std::size_t j = i;
        while (j < n && j - i < 128) {
            if (j + 2 < n && in[j] == in[j + 1] && in[j] == in[j + 2]) break;
            ++j;
        }
        out->push_back(std::uint8_t(j - i - 1));
        out->insert(out->end(), in + i, in + j);
        i = j;
    }
}

void __put16(std::vector<std::uint8_t>* out, std::uint32_t v) {
    out->push_back(std::uint8_t(v >> 8));
    out->push_back(std::uint8_t(v));
}

void __put32(std::vector<std::uint8_t>* out, std::uint32_t v) {
    __put16(out, v >> 16);
    __put16(out, v);
}

void __put_rect(std::vector<std::uint8_t>* out, int top, int left, int bottom, int right) {
    __put16(out, std::uint32_t(top));
    __put16(out, std::uint32_t(left));
    __put16(out, std::uint32_t(bottom));
    __put16(out, std::uint32_t(right));
}

// One DirectBitsRect of columns [x0, x1). Widths 1, 2 and 63-66 get an alpha plane so
// that readers sizing row counts by the expanded row agree with those using rowBytes.
void __write_tile(GWorldPtr src, int x0, int x1, std::vector<std::uint8_t>* out) {
    const int w = x1 - x0, h = src->height;
    const int cmp = (w <= 2 || (w >= 63 && w <= 66)) ? 4 : 3;
    const std::uint32_t row_bytes = 4u * std::uint32_t(w);
    __put16(out, 0x9A);
    __put32(out, 0xFF);
    __put16(out, 0x8000 | row_bytes);
    __put_rect(out, 0, x0, h, x1);
    __put16(out, 0);           // pmVersion
    __put16(out, 4);           // packType: component planes
    __put32(out, 0);           // packSize
    __put32(out, 0x00480000);  // hRes
    __put32(out, 0x00480000);  // vRes
    __put16(out, 16);          // pixelType: RGB direct
    __put16(out, 32);          // pixelSize
    __put16(out, std::uint32_t(cmp));
    __put16(out, 8);  // cmpSize
    __put32(out, 0);
    __put32(out, 0);
    __put32(out, 0);
    __put_rect(out, 0, x0, h, x1);
    __put_rect(out, 0, x0, h, x1);
    __put16(out, 0x40);  // ditherCopy
    std::vector<std::uint8_t> planes(std::size_t(cmp) * std::size_t(w)), packed;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = GetPixBaseAddr(src) + std::size_t(y) * std::size_t(src->row_bytes) +
                                std::size_t(x0) * 4;
        std::uint8_t* plane = planes.data();
        if (cmp == 4) plane = std::fill_n(plane, w, 0xFF);
        for (int c = 1; c < 4; ++c, plane += w)
            for (int x = 0; x < w; ++x) plane[x] = p[x * 4 + c];
        if (row_bytes < 8) {  // one pixel: stored as it is, no count
            out->insert(out->end(), planes.begin(), planes.end());
            continue;
        }
        packed.clear();
        __pack_bits(planes.data(), planes.size(), &packed);
        if (row_bytes > 250)
            __put16(out, std::uint32_t(packed.size()));
        else
            out->push_back(std::uint8_t(packed.size()));
        out->insert(out->end(), packed.begin(), packed.end());
    }
    if (out->size() & 1) out->push_back(0);
}

}  // namespace

OSErr ReadPICTImage(const std::uint8_t* data, std::size_t size, GWorldPtr* out) {
    *out = nullptr;
    std::size_t base;
    bool v2;
    if (data == nullptr || !__find_picture(data, size, &base, &v2)) return codecErr;
    Reader rd{ByteReader(data + base, size - base), v2, {}, nullptr, false, {}};
    rd.r.skip(2);
    rd.frame = __rect(rd.r);
    if (rd.frame.width() <= 0 || rd.frame.height() <= 0) return codecErr;
    OSErr err = __read_opcodes(&rd);
    if (err != noErr) {
        if (rd.canvas) DisposeGWorld(rd.canvas);
        return err;
    }
    *out = rd.canvas;
    return noErr;
}

OSErr WritePICTImage(GWorldPtr src, std::vector<std::uint8_t>* out) {
    out->clear();
    if (src == nullptr || src->width <= 0 || src->height <= 0) return paramErr;
    const int w = src->width, h = src->height;
    try {
        out->reserve(kHeaderSize + 100 + std::size_t(w) * std::size_t(h) * 3 * 129 / 128 +
                     std::size_t(h) * 2 * (std::size_t(w) / 4095 + 1));
        out->assign(kHeaderSize, 0);
        __put16(out, 0);  // picSize, set below
        __put_rect(out, 0, 0, h, w);
        __put32(out, 0x001102FF);
        __put16(out, 0x0C00);
        __put32(out, 0xFFFE0000);
        __put32(out, 0x00480000);
        __put32(out, 0x00480000);
        __put_rect(out, 0, 0, h, w);
        __put32(out, 0);
        __put16(out, 0x0001);  // clip region: the frame
        __put16(out, 10);
        __put_rect(out, 0, 0, h, w);
        // Tiles keep rowBytes below 0x4000 (4095 pixels).
        const int tiles = (w + 4094) / 4095;
        const int tile_width = (w + tiles - 1) / tiles;
        for (int x0 = 0; x0 < w; x0 += tile_width)
            __write_tile(src, x0, std::min(w, x0 + tile_width), out);
        __put16(out, 0x00FF);
    } catch (const std::bad_alloc&) {
        out->clear();
        return memFullErr;
    }
    put_u16be(out->data() + kHeaderSize, std::uint32_t(out->size() - kHeaderSize));
    return noErr;
}
