// Pixel buffers and the drawing operations on them: pens, patterns, colours, block copies.

#include "platform/draw.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/test_hooks.h"

static_assert(std::endian::native == std::endian::little,
              "pixels are handled as 32-bit words whose lowest byte is X");

namespace {

CGrafPtr g_port = nullptr;
int g_gworlds_until_failure = -1;  // buffers still made before they fail; -1: never fail

// A pixel word holds X, R, G, B in memory order; on a little-endian machine X is the low byte.
constexpr std::uint32_t kColourMask = 0xFFFFFF00u;

std::uint32_t pack(const RGBColor& c) {
    return 0xFFu | (std::uint32_t(c.red >> 8) << 8) | (std::uint32_t(c.green >> 8) << 16) |
           (std::uint32_t(c.blue >> 8) << 24);
}

std::uint32_t* row_of(GWorldPtr w, int v) {
    return reinterpret_cast<std::uint32_t*>(w->pixels + std::ptrdiff_t(v) * w->row_bytes);
}

Rect bounds_of(const GWorld* w) {
    return Rect{0, 0, w->height, w->width};
}

// Writes the pixels of a buffer made with fillOnFirstUse, before anything reads or draws
// them one by one.
void realize(GWorldPtr w) {
    if (!w->unfilled) return;
    w->unfilled = false;
    for (int v = 0; v < w->height; ++v) std::fill(row_of(w, v), row_of(w, v) + w->width, w->fill);
}

// Fills the area d of w with one pixel word; an unfilled buffer filled whole stays unfilled.
void fill_area(GWorldPtr w, const Rect& d, std::uint32_t value) {
    if (w->unfilled && d.top == 0 && d.left == 0 && d.bottom == w->height && d.right == w->width) {
        w->fill = value;
        return;
    }
    realize(w);
    for (int v = d.top; v < d.bottom; ++v)
        std::fill(row_of(w, v) + d.left, row_of(w, v) + d.right, value);
}

// The part of r that drawing on the port may touch: bounds and clip.
bool drawable(const GWorld* w, const Rect* r, Rect* out) {
    Rect b = bounds_of(w);
    Rect t;
    return SectRect(r, &b, &t) && SectRect(&t, &w->clip, out);
}

// Fills [h0, h1) of row v with the pen pattern: 1 bits in the foreground, 0 bits in the
// background. The pattern is aligned to the port origin.
void fill_span_pattern(GWorldPtr w, int v, int h0, int h1) {
    std::uint32_t* row = row_of(w, v);
    const std::uint8_t bits = w->pen_pat.pat[v & 7];
    const std::uint32_t fg = pack(w->fore);
    const std::uint32_t bg = pack(w->back);
    if (bits == 0xFF || bits == 0x00) {
        std::fill(row + h0, row + h1, bits ? fg : bg);
        return;
    }
    for (int h = h0; h < h1; ++h) row[h] = ((bits >> (7 - (h & 7))) & 1) ? fg : bg;
}

void paint_rect_clipped(GWorldPtr w, const Rect* r) {
    Rect d;
    if (!drawable(w, r, &d)) return;
    const std::uint8_t* pat = w->pen_pat.pat;
    if (std::all_of(pat, pat + 8, [pat](std::uint8_t b) { return b == pat[0]; }) &&
        (pat[0] == 0xFF || pat[0] == 0x00)) {
        fill_area(w, d, pack(pat[0] ? w->fore : w->back));
        return;
    }
    realize(w);
    for (int v = d.top; v < d.bottom; ++v) fill_span_pattern(w, v, d.left, d.right);
}

void fill_rect_solid(GWorldPtr w, const Rect* r, std::uint32_t value) {
    Rect d;
    if (drawable(w, r, &d)) fill_area(w, d, value);
}

Rect make_rect(int top, int left, int bottom, int right) {
    auto c = [](int x) { return std::int16_t(std::clamp(x, int(SHRT_MIN), int(SHRT_MAX))); };
    return Rect{c(top), c(left), c(bottom), c(right)};
}

}  // namespace

bool SectRect(const Rect* a, const Rect* b, Rect* out) {
    Rect r{std::max(a->top, b->top), std::max(a->left, b->left), std::min(a->bottom, b->bottom),
           std::min(a->right, b->right)};
    if (EmptyRect(&r)) {
        *out = Rect{0, 0, 0, 0};
        return false;
    }
    *out = r;
    return true;
}

namespace {

OSErr new_world(GWorldPtr* out, const Rect* bounds, std::int32_t row_bytes, bool unfilled) {
    *out = nullptr;
    if (bounds->top != 0 || bounds->left != 0 || bounds->right <= 0 || bounds->bottom <= 0 ||
        row_bytes < 4 * bounds->right || row_bytes % 4 != 0)
        return paramErr;
    if (g_gworlds_until_failure == 0) return memFullErr;
    if (g_gworlds_until_failure > 0) --g_gworlds_until_failure;
    const std::size_t size = std::size_t(row_bytes) * std::size_t(bounds->bottom);
    auto* pixels = static_cast<std::uint8_t*>(std::malloc(size));
    if (!pixels) return memFullErr;
    auto* w = new (std::nothrow) GWorld{};
    if (!w) {
        std::free(pixels);
        return memFullErr;
    }
    w->unfilled = unfilled;
    w->fill = 0xFFFFFFFFu;
    if (!unfilled) std::memset(pixels, 0xFF, size);
    w->pixels = pixels;
    w->row_bytes = row_bytes;
    w->width = bounds->right;
    w->height = bounds->bottom;
    w->pen_size = Point{1, 1};
    std::memset(w->pen_pat.pat, 0xFF, sizeof w->pen_pat.pat);
    w->fore = RGBColor{0, 0, 0};
    w->back = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    w->clip = *bounds;
    *out = w;
    return noErr;
}

}  // namespace

void hooks_fail_gworlds_after(int count) {
    g_gworlds_until_failure = count;
}

OSErr NewGWorldWithRowBytes(GWorldPtr* out, const Rect* bounds, std::int32_t row_bytes) {
    return new_world(out, bounds, row_bytes, false);
}

OSErr NewGWorld(GWorldPtr* out, std::int16_t depth, const Rect* bounds, std::uint32_t flags) {
    *out = nullptr;
    if (depth != 32) return paramErr;
    return new_world(out, bounds, 4 * std::max<std::int32_t>(bounds->right, 0),
                     (flags & fillOnFirstUse) != 0);
}

std::uint8_t* claim_pixels(GWorldPtr world) {
    world->unfilled = false;
    return world->pixels;
}

void DisposeGWorld(GWorldPtr world) {
    if (!world) return;
    if (g_port == world) g_port = nullptr;
    std::free(world->pixels);
    delete world;
}

bool LockPixels(GWorldPtr) {
    return true;
}

void SetGWorld(CGrafPtr port) {
    g_port = port;
}
void GetGWorld(CGrafPtr* port) {
    *port = g_port;
}

void GetPortBounds(CGrafPtr port, Rect* out) {
    *out = bounds_of(port);
}
std::uint8_t* GetPixBaseAddr(GWorldPtr world) {
    realize(world);
    return world->pixels;
}
std::int32_t GetPixRowBytes(GWorldPtr world) {
    return world->row_bytes;
}

void RGBForeColor(const RGBColor* c) {
    if (g_port) g_port->fore = *c;
}
void RGBBackColor(const RGBColor* c) {
    if (g_port) g_port->back = *c;
}
void GetForeColor(RGBColor* c) {
    *c = g_port ? g_port->fore : RGBColor{0, 0, 0};
}
void GetBackColor(RGBColor* c) {
    *c = g_port ? g_port->back : RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
}

static RGBColor classic_colour(long classic) {
    switch (classic) {
        case whiteColor:
            return {0xFFFF, 0xFFFF, 0xFFFF};
        case redColor:
            return {0xFFFF, 0, 0};
        case greenColor:
            return {0, 0xFFFF, 0};
        case blueColor:
            return {0, 0, 0xFFFF};
        case cyanColor:
            return {0, 0xFFFF, 0xFFFF};
        case magentaColor:
            return {0xFFFF, 0, 0xFFFF};
        case yellowColor:
            return {0xFFFF, 0xFFFF, 0};
        default:
            return {0, 0, 0};
    }
}

void ForeColor(long classic) {
    const RGBColor c = classic_colour(classic);
    RGBForeColor(&c);
}
void BackColor(long classic) {
    const RGBColor c = classic_colour(classic);
    RGBBackColor(&c);
}

void PenSize(std::int16_t width, std::int16_t height) {
    if (g_port) g_port->pen_size = Point{height, width};
}
void PenPat(const Pattern* pat) {
    if (g_port) g_port->pen_pat = *pat;
}
void PenNormal() {
    if (!g_port) return;
    g_port->pen_size = Point{1, 1};
    std::memset(g_port->pen_pat.pat, 0xFF, sizeof g_port->pen_pat.pat);
}
void MoveTo(std::int16_t h, std::int16_t v) {
    if (g_port) g_port->pen_loc = Point{v, h};
}
void ClipRect(const Rect* r) {
    if (g_port) g_port->clip = *r;
}
void GetClip(Rect* out) {
    *out = g_port ? g_port->clip : Rect{0, 0, 0, 0};
}

// The pen's top-left corner walks the line point by point (Bresenham); every pixel under
// the pen at any of those points is painted. Each row's covered pixels form one span,
// so the spans are gathered first and each row is filled once.
void LineTo(std::int16_t h, std::int16_t v) {
    GWorldPtr w = g_port;
    if (!w) return;
    const int x0 = w->pen_loc.h, y0 = w->pen_loc.v, x1 = h, y1 = v;
    const int pw = w->pen_size.h, ph = w->pen_size.v;
    w->pen_loc = Point{v, h};
    if (pw <= 0 || ph <= 0) return;

    const int ymin = std::min(y0, y1);
    const int rows = std::abs(y1 - y0) + ph;
    std::vector<int> lo(std::size_t(rows), INT_MAX), hi(std::size_t(rows), INT_MIN);
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy, x = x0, y = y0;
    for (;;) {
        for (int r = y - ymin; r < y - ymin + ph; ++r) {
            lo[std::size_t(r)] = std::min(lo[std::size_t(r)], x);
            hi[std::size_t(r)] = std::max(hi[std::size_t(r)], x + pw);
        }
        if (x == x1 && y == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    for (int r = 0; r < rows; ++r) {
        const Rect span = make_rect(ymin + r, lo[std::size_t(r)], ymin + r + 1, hi[std::size_t(r)]);
        paint_rect_clipped(w, &span);
    }
}

void EraseRect(const Rect* r) {
    if (g_port) fill_rect_solid(g_port, r, pack(g_port->back));
}

void PaintRect(const Rect* r) {
    if (g_port) paint_rect_clipped(g_port, r);
}

void FrameRect(const Rect* r) {
    GWorldPtr w = g_port;
    if (!w || EmptyRect(r)) return;
    const int pw = w->pen_size.h, ph = w->pen_size.v;
    if (pw <= 0 || ph <= 0) return;
    if (2 * pw >= r->right - r->left || 2 * ph >= r->bottom - r->top) {
        paint_rect_clipped(w, r);
        return;
    }
    const Rect bands[4] = {
        make_rect(r->top, r->left, r->top + ph, r->right),
        make_rect(r->bottom - ph, r->left, r->bottom, r->right),
        make_rect(r->top + ph, r->left, r->bottom - ph, r->left + pw),
        make_rect(r->top + ph, r->right - pw, r->bottom - ph, r->right),
    };
    for (const Rect& b : bands) paint_rect_clipped(w, &b);
}

void InvertRect(const Rect* r) {
    Rect d;
    if (!g_port || !drawable(g_port, r, &d)) return;
    realize(g_port);
    for (int v = d.top; v < d.bottom; ++v) {
        std::uint32_t* row = row_of(g_port, v);
        for (int x = d.left; x < d.right; ++x) row[x] ^= kColourMask;
    }
}

namespace {

// Copies n pixels from s to d: every pixel, or only those not equal to the key colour.
inline void copy_run(const std::uint32_t* s, std::uint32_t* d, int n, bool keyed,
                     std::uint32_t key) {
    if (!keyed) {
        std::memmove(d, s, std::size_t(n) * 4);
        return;
    }
    for (int i = 0; i < n; ++i) d[i] = (s[i] & kColourMask) != key ? s[i] : d[i];
}

}  // namespace

void CopyBits(GWorldPtr src, GWorldPtr dst, const Rect* src_rect, const Rect* dst_rect,
              std::int16_t mode, const Rect* mask_rect) {
    if (!src || !dst || EmptyRect(src_rect) || EmptyRect(dst_rect)) return;
    Rect region;
    if (!drawable(dst, dst_rect, &region)) return;
    if (mask_rect && !SectRect(&region, mask_rect, &region)) return;
    const bool keyed = mode == transparent;
    const std::uint32_t key = pack(dst->back) & kColourMask;
    // A blank layer copied where its colour is transparent leaves everything as it was.
    if (src->unfilled && keyed && (src->fill & kColourMask) == key) return;
    realize(src);
    realize(dst);

    // A copy within one buffer reads from a snapshot so that overlapping areas stay right.
    GWorldPtr from = src;
    GWorldPtr snapshot = nullptr;
    if (src == dst) {
        Rect b = bounds_of(src);
        if (NewGWorldWithRowBytes(&snapshot, &b, src->row_bytes) != noErr) return;
        std::memcpy(snapshot->pixels, src->pixels, std::size_t(src->row_bytes) * src->height);
        from = snapshot;
    }

    const std::int64_t sw = src_rect->right - src_rect->left, sh = src_rect->bottom - src_rect->top;
    const std::int64_t dw = dst_rect->right - dst_rect->left, dh = dst_rect->bottom - dst_rect->top;

    // Source column of every destination column in the region, -1 where it lies outside src.
    const int cols = region.right - region.left;
    std::vector<int> xmap(static_cast<std::size_t>(cols));
    int first = -1, last = -1;
    for (int i = 0; i < cols; ++i) {
        const std::int64_t sx = src_rect->left + (region.left + i - dst_rect->left) * sw / dw;
        xmap[std::size_t(i)] = (sx >= 0 && sx < from->width) ? int(sx) : -1;
        if (xmap[std::size_t(i)] >= 0) {
            if (first < 0) first = i;
            last = i;
        }
    }
    if (first >= 0) {
        for (int v = region.top; v < region.bottom; ++v) {
            const std::int64_t sy = src_rect->top + (v - dst_rect->top) * sh / dh;
            if (sy < 0 || sy >= from->height) continue;
            const std::uint32_t* srow = row_of(from, int(sy));
            std::uint32_t* drow = row_of(dst, v) + region.left;
            if (sw == dw) {
                copy_run(srow + xmap[std::size_t(first)], drow + first, last - first + 1, keyed,
                         key);
                continue;
            }
            for (int i = first; i <= last; ++i) {
                const std::uint32_t s = srow[xmap[std::size_t(i)]];
                if (!keyed || (s & kColourMask) != key) drow[i] = s;
            }
        }
    }
    DisposeGWorld(snapshot);
}

bool IsGWorldUniform(GWorldPtr world, RGBColor* colour) {
    if (!world->unfilled) return false;
    const std::uint32_t rgb = GetPixelRGB(world, 0, 0);
    *colour =
        RGBColor{std::uint16_t((rgb >> 16) * 0x101), std::uint16_t(((rgb >> 8) & 0xFF) * 0x101),
                 std::uint16_t((rgb & 0xFF) * 0x101)};
    return true;
}

std::uint32_t GetPixelRGB(GWorldPtr world, int h, int v) {
    if (world->unfilled) {
        const std::uint32_t f = world->fill;  // X, R, G, B from the low byte up
        return ((f >> 8) & 0xFFu) << 16 | ((f >> 16) & 0xFFu) << 8 | f >> 24;
    }
    const std::uint8_t* p = world->pixels + std::ptrdiff_t(v) * world->row_bytes + 4 * h;
    return (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
