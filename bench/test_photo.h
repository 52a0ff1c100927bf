// A photograph-like picture for the benchmarks: smooth gradients with mild noise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imagewin/offscreen.h"
#include "platform/draw.h"

inline GWorldPtr make_test_photo(int w, int h, unsigned seed = 12345, int noise_mask = 7) {
    GWorldPtr g = create_offscreen(32, std::int16_t(w), std::int16_t(h), true);
    if (!g) return nullptr;
    unsigned state = seed;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = GetPixBaseAddr(g) + std::size_t(y) * std::size_t(g->row_bytes);
        for (int x = 0; x < w; ++x, p += 4) {
            state = state * 1103515245u + 12345u;
            const int noise = int((state >> 16) & unsigned(noise_mask));
            p[1] = std::uint8_t((x * 255 / w + noise) & 0xFF);
            p[2] = std::uint8_t(((x + y) * 255 / (w + h) + noise) & 0xFF);
            p[3] = std::uint8_t((y * 255 / h + noise) & 0xFF);
        }
    }
    return g;
}
