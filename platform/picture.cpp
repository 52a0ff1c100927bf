// Pictures: a decoded image drawn into any rectangle of the current port, shrunk by
// area averaging and enlarged by linear interpolation.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/codec_support.h"
#include "platform/codecs.h"

struct Picture {
    GWorldPtr image;  // the picture's pixels, owned
};

namespace {

constexpr int kWeightBits = 14;
constexpr std::int32_t kOne = 1 << kWeightBits;

// The source samples and weights (summing to kOne) of every output position along one
// axis. Output i of d covers source [i * s / d, (i + 1) * s / d).
struct Axis {
    std::vector<std::int32_t> start;   // per output: index of its first tap
    std::vector<std::int32_t> src;     // per tap: source index
    std::vector<std::int32_t> weight;  // per tap: weight
};

void __build_axis(std::int64_t s, std::int64_t d, std::int64_t from, std::int64_t to, Axis* a) {
    for (std::int64_t i = from; i < to; ++i) {
        a->start.push_back(std::int32_t(a->src.size()));
        if (d <= s) {
            // Area averaging: each source pixel weighs by the part of it covered.
            const std::int64_t lo = i * s, hi = (i + 1) * s;
            std::int32_t sum = 0;
            std::size_t largest = a->src.size();
            for (std::int64_t j = lo / d; j * d < hi; ++j) {
                const std::int64_t overlap = std::min(hi, (j + 1) * d) - std::max(lo, j * d);
                const auto w = std::int32_t((overlap * kOne + s / 2) / s);
                if (a->src.size() == largest || w > a->weight[largest]) largest = a->src.size();
                a->src.push_back(std::int32_t(j));
                a->weight.push_back(w);
                sum += w;
            }
            a->weight[largest] += kOne - sum;
        } else {
            // Linear interpolation between the two nearest source centres.
            const std::int64_t num = (2 * i + 1) * s - d, den = 2 * d;
            std::int64_t j = 0, frac = 0;
            if (num > 0) {
                j = num / den;
                frac = (num % den) * kOne / den;
            }
            if (j >= s - 1) j = s - 1, frac = 0;
            a->src.push_back(std::int32_t(j));
            a->weight.push_back(std::int32_t(kOne - frac));
            if (frac > 0) {
                a->src.push_back(std::int32_t(j + 1));
                a->weight.push_back(std::int32_t(frac));
            }
        }
    }
    a->start.push_back(std::int32_t(a->src.size()));
}

}  // namespace

Picture* NewPictureAdopting(GWorldPtr image) {
    auto* pic = new (std::nothrow) Picture{image};
    if (!pic) DisposeGWorld(image);
    return pic;
}

void KillPicture(PicHandle pic) {
    if (!pic) return;
    DisposeGWorld(pic->image);
    delete pic;
}

void DrawPicture(PicHandle pic, const Rect* dst) {
    CGrafPtr port;
    GetGWorld(&port);
    if (!pic || !port || EmptyRect(dst)) return;
    Rect bounds, visible;
    GetPortBounds(port, &bounds);
    if (!SectRect(dst, &port->clip, &visible) || !SectRect(&visible, &bounds, &visible)) return;
    GWorldPtr img = pic->image;
    const std::int64_t dw = dst->right - dst->left, dh = dst->bottom - dst->top;
    const std::int64_t vx = visible.left - dst->left, vy = visible.top - dst->top;
    const std::int64_t vw = visible.right - visible.left, vh = visible.bottom - visible.top;
    if (dw == img->width && dh == img->height) {
        // The same size: every output pixel is its source pixel.
        for (std::int64_t y = 0; y < vh; ++y)
            std::memcpy(GetPixBaseAddr(port) +
                            std::size_t(visible.top + y) * std::size_t(port->row_bytes) +
                            std::size_t(visible.left) * 4,
                        GetPixBaseAddr(img) + std::size_t(vy + y) * std::size_t(img->row_bytes) +
                            std::size_t(vx) * 4,
                        std::size_t(vw) * 4);
        return;
    }
    try {
        Axis ax, ay;
        __build_axis(img->width, dw, vx, vx + vw, &ax);
        __build_axis(img->height, dh, vy, vy + vh, &ay);
        // The source rows an output row needs only move down, so the horizontal pass keeps
        // just the rows of the widest window, in 8.8 fixed point, each in slot row % ring.
        std::int32_t ring = 1;
        for (std::int64_t y = 0; y < vh; ++y)
            ring = std::max(ring, ay.src[ay.start[y + 1] - 1] - ay.src[ay.start[y]] + 1);
        std::vector<std::uint16_t> rows(std::size_t(ring) * std::size_t(vw) * 3);
        std::vector<std::int32_t> held(std::size_t(ring), -1);
        const auto row = [&](std::int32_t y) {
            std::uint16_t* out = rows.data() + std::size_t(y % ring) * std::size_t(vw) * 3;
            if (held[std::size_t(y % ring)] == y) return out;
            held[std::size_t(y % ring)] = y;
            const std::uint8_t* in =
                GetPixBaseAddr(img) + std::size_t(y) * std::size_t(img->row_bytes);
            for (std::int64_t x = 0; x < vw; ++x) {
                std::uint32_t r = 0, g = 0, b = 0;
                for (std::int32_t t = ax.start[x]; t < ax.start[x + 1]; ++t) {
                    const std::uint8_t* p = in + std::size_t(ax.src[t]) * 4;
                    const auto w = std::uint32_t(ax.weight[t]);
                    r += w * p[1];
                    g += w * p[2];
                    b += w * p[3];
                }
                constexpr int shift = kWeightBits - 8;
                out[x * 3] = std::uint16_t((r + (1 << (shift - 1))) >> shift);
                out[x * 3 + 1] = std::uint16_t((g + (1 << (shift - 1))) >> shift);
                out[x * 3 + 2] = std::uint16_t((b + (1 << (shift - 1))) >> shift);
            }
            return out;
        };
        // Vertical pass into the port: whole rows at a time, which the compiler vectorises.
        constexpr int shift = kWeightBits + 8;
        std::vector<std::uint32_t> sum(std::size_t(vw) * 3);
        for (std::int64_t y = 0; y < vh; ++y) {
            std::fill(sum.begin(), sum.end(), 1u << (shift - 1));
            for (std::int32_t t = ay.start[y]; t < ay.start[y + 1]; ++t) {
                const std::uint16_t* p = row(ay.src[t]);
                const auto w = std::uint32_t(ay.weight[t]);
                for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += w * p[i];
            }
            std::uint8_t* out = GetPixBaseAddr(port) +
                                std::size_t(visible.top + y) * std::size_t(port->row_bytes) +
                                std::size_t(visible.left) * 4;
            for (std::size_t i = 0; i < sum.size(); i += 3, out += 4) {
                out[0] = 0;
                out[1] = std::uint8_t(sum[i] >> shift);
                out[2] = std::uint8_t(sum[i + 1] >> shift);
                out[3] = std::uint8_t(sum[i + 2] >> shift);
            }
        }
    } catch (const std::bad_alloc&) {
        return;
    }
}
