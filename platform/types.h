// Basic toolbox types shared by the platform layer and the system's code.
#pragma once

#include <cstdint>

using OSErr = std::int16_t;     // 0 success, or a negative status
using OSStatus = std::int32_t;  // event handler results: 0, -9874, -128
using OSType = std::uint32_t;   // four-character code, first character most significant

constexpr OSErr noErr = 0;
constexpr OSErr fnfErr = -43;            // file not found
constexpr OSErr dupFNErr = -48;          // duplicate file name
constexpr OSErr paramErr = -50;          // bad parameter
constexpr OSErr memFullErr = -108;       // out of memory
constexpr OSErr userCanceledErr = -128;  // the user cancelled
constexpr OSStatus eventNotHandledErr = -9874;

// The four-character code of a literal: FOUR_CC("CAPT").
constexpr OSType FOUR_CC(const char (&s)[5]) {
    return (OSType(std::uint8_t(s[0])) << 24) | (OSType(std::uint8_t(s[1])) << 16) |
           (OSType(std::uint8_t(s[2])) << 8) | OSType(std::uint8_t(s[3]));
}

struct Rect {
    std::int16_t top, left, bottom, right;
};

struct Point {
    std::int16_t v, h;
};

// 16-bit components; drawing uses the high byte of each.
struct RGBColor {
    std::uint16_t red, green, blue;
};

// 8 x 8 one-bit pattern, most significant bit leftmost.
struct Pattern {
    std::uint8_t pat[8];
};

inline void SetRect(Rect* r, int left, int top, int right, int bottom) {
    r->left = std::int16_t(left);
    r->top = std::int16_t(top);
    r->right = std::int16_t(right);
    r->bottom = std::int16_t(bottom);
}

inline void OffsetRect(Rect* r, int dh, int dv) {
    r->left = std::int16_t(r->left + dh);
    r->right = std::int16_t(r->right + dh);
    r->top = std::int16_t(r->top + dv);
    r->bottom = std::int16_t(r->bottom + dv);
}

inline bool EmptyRect(const Rect* r) {
    return r->bottom <= r->top || r->right <= r->left;
}

inline bool EqualRect(const Rect* a, const Rect* b) {
    return a->top == b->top && a->left == b->left && a->bottom == b->bottom && a->right == b->right;
}

// Whether the point lies in r: the top and left edges are inside, the bottom and right outside.
inline bool PtInRect(Point p, const Rect* r) {
    return p.v >= r->top && p.v < r->bottom && p.h >= r->left && p.h < r->right;
}

// The intersection of a and b in *out; false (and an empty *out) when they do not meet.
bool SectRect(const Rect* a, const Rect* b, Rect* out);
