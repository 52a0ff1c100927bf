// Quarter and half turns of an image document, all three layers alike.

#include "imagewin/rotate.h"

#include <algorithm>
#include <cstdint>

#include "app/dialog_utils.h"
#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "imagewin/offscreen.h"

namespace {

// Quarter turns read across rows and write down columns; walking square blocks that fit the
// cache together keeps a big picture from missing the cache on every pixel.
constexpr int kBlock = 64;

// A layer's rows as 32-bit pixels, walked by its own row stride.
struct Rows {
    std::uint8_t* base;
    std::ptrdiff_t stride;
    std::uint32_t* operator[](int v) const {
        return reinterpret_cast<std::uint32_t*>(base + v * stride);
    }
};

Rows __rows(GWorldPtr world) {
    return {GetPixBaseAddr(world), GetPixRowBytes(world)};
}

// Source pixel (x, y) of a W x H source goes to destination (H - 1 - y, x) when clockwise,
// else to (y, W - 1 - x). Each destination row is written in one run from a block's column.
void __rot_quarter(GWorldPtr src, GWorldPtr dst, bool clockwise) {
    Rect b;
    GetPortBounds(src, &b);
    const int w = b.right, h = b.bottom;
    const Rows in = __rows(src), out = __rows(dst);
    for (int y0 = 0; y0 < h; y0 += kBlock) {
        const int y1 = std::min(y0 + kBlock, h);
        for (int x0 = 0; x0 < w; x0 += kBlock) {
            const int x1 = std::min(x0 + kBlock, w);
            for (int x = x0; x < x1; ++x) {
                const std::uint32_t* from = in[y0] + x;
                if (clockwise) {
                    std::uint32_t* to = out[x] + (h - 1 - y0);
                    for (int y = y0; y < y1; ++y, from += in.stride / 4) *to-- = *from;
                } else {
                    std::uint32_t* to = out[w - 1 - x] + y0;
                    for (int y = y0; y < y1; ++y, from += in.stride / 4) *to++ = *from;
                }
            }
        }
    }
}

void __rot_090(GWorldPtr src, GWorldPtr dst) {
    __rot_quarter(src, dst, true);
}

void __rot_270(GWorldPtr src, GWorldPtr dst) {
    __rot_quarter(src, dst, false);
}

void __rot_180(GWorldPtr src, GWorldPtr dst) {
    Rect b;
    GetPortBounds(src, &b);
    const Rows in = __rows(src), out = __rows(dst);
    for (int y = 0; y < b.bottom; ++y)
        std::reverse_copy(in[y], in[y] + b.right, out[b.bottom - 1 - y]);
}

}  // namespace

void iw_rotate(WindowRef window, int angle) {
    IwRecord* rec = iw_record(window);
    void (*turn)(GWorldPtr, GWorldPtr) = angle == 90    ? __rot_090
                                         : angle == 180 ? __rot_180
                                         : angle == 270 ? __rot_270
                                                        : nullptr;
    if (!rec || !turn) return;
    Rect b;
    GetPortBounds(rec->img_off, &b);
    const bool quarter = angle != 180;
    const std::int16_t width = quarter ? b.bottom : b.right;
    const std::int16_t height = quarter ? b.right : b.bottom;

    // Every turned layer is made before any old one goes, so that a failure leaves the
    // document whole: three layers of one size.
    GWorldPtr* layers[3] = {&rec->img_off, &rec->draw_off, &rec->shape_off};
    GWorldPtr turned[3] = {};
    for (GWorldPtr& layer : turned) {
        layer = create_offscreen(32, width, height, true);
        if (layer) continue;
        for (GWorldPtr made : turned)
            if (made) DisposeGWorld(made);
        show_error_alert(kErrorAlertTitle, kMemoryAlertMessage);
        return;
    }
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    for (int i = 0; i < 3; ++i) {
        // A layer still of one colour turns into one of that colour, still taking no memory.
        RGBColor colour;
        if (IsGWorldUniform(*layers[i], &colour)) {
            SetGWorld(turned[i]);
            RGBBackColor(&colour);
            erase_port_rect(turned[i]);
        } else {
            turn(*layers[i], turned[i]);
        }
        if (saved == *layers[i]) saved = nullptr;
        DisposeGWorld(*layers[i]);
        *layers[i] = turned[i];
    }
    SetGWorld(saved);
    SetRect(&rec->img_rect, 0, 0, width, height);
    // A turn changes what a save writes: closing must ask before discarding it.
    rec->modified = true;
    __adjust_iw_win(window);
}
