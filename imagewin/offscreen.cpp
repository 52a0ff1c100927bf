// Offscreen buffers, rectangle fitting and string helpers shared by the whole program.

#include "imagewin/offscreen.h"

#include <algorithm>
#include <cstring>

GWorldPtr create_offscreen(std::int16_t depth, std::int16_t width, std::int16_t height,
                           bool keep_local) {
    CGrafPtr saved;
    GetGWorld(&saved);
    Rect bounds;
    SetRect(&bounds, 0, 0, width, height);
    // Its memory is taken only once it is drawn in: a layer that stays blank costs none.
    const std::uint32_t flags = (keep_local ? keepLocal : 0) | fillOnFirstUse;
    GWorldPtr world = nullptr;
    if (NewGWorld(&world, depth, &bounds, flags) != noErr)
        NewGWorld(&world, depth, &bounds, flags | useTempMem);
    if (world) {
        if (LockPixels(world)) {
            SetGWorld(world);
            EraseRect(&bounds);
            SetGWorld(saved);
            return world;
        }
        DisposeGWorld(world);
    }
    SetGWorld(saved);
    return nullptr;
}

void shrink_and_centering_rect(const Rect* outer, Rect* inner) {
    const double w = inner->right - inner->left;
    const double h = inner->bottom - inner->top;
    const double ow = outer->right - outer->left;
    const double oh = outer->bottom - outer->top;
    const double s = std::min(ow / w, oh / h);
    SetRect(inner, 0, 0, int(w * s), int(h * s));
    centering_rect(outer, inner);
}

void centering_rect(const Rect* outer, Rect* inner) {
    const int w = inner->right - inner->left;
    const int h = inner->bottom - inner->top;
    const int dh = ((outer->right - outer->left) - w) / 2 + outer->left;
    const int dv = ((outer->bottom - outer->top) - h) / 2 + outer->top;
    SetRect(inner, dh, dv, dh + w, dv + h);
}

void erase_port_rect(CGrafPtr port) {
    CGrafPtr saved;
    GetGWorld(&saved);
    SetGWorld(port);
    Rect bounds;
    GetPortBounds(port, &bounds);
    EraseRect(&bounds);
    SetGWorld(saved);
}

void CtoPstr(char* s) {
    std::size_t n = std::strlen(s);
    if (n > 255) n = 255;
    std::memmove(s + 1, s, n);
    s[0] = char(n);
}

void PtoCstr(unsigned char* s) {
    const std::size_t n = s[0];
    std::memmove(s, s + 1, n);
    s[n] = 0;
}
