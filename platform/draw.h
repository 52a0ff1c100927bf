// Pixel buffers and the drawing operations the program performs on them.
//
// A GWorld is 32 bits a pixel; each pixel's bytes in memory are X (ignored), R, G, B.
// Bounds run from (0, 0) to (width, height); rows lie row_bytes apart. Every GWorld is
// also a drawing port with its own pen, colours and clip rectangle. A window's content
// is such a port as well. Everything drawn is clipped to the port: nothing ever writes
// outside a buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

struct GWorld {
    std::uint8_t* pixels;    // first byte of row 0; stable for the buffer's life
    std::int32_t row_bytes;  // distance between rows, at least 4 x width
    std::int16_t width, height;
    // Port state.
    Point pen_loc;        // pen position (v, h)
    Point pen_size;       // pen size: v = height, h = width
    Pattern pen_pat;      // pen pattern: 1 bits in the foreground colour, 0 bits in the background
    RGBColor fore, back;  // foreground and background colours
    Rect clip;            // clip rectangle in port coordinates
    // Made with fillOnFirstUse and not yet used: no pixel is written and each one counts
    // as the pixel word fill.
    bool unfilled;
    std::uint32_t fill;
};
using GWorldPtr = GWorld*;
using CGrafPtr = GWorld*;

// Creation flags of NewGWorld: the first two only say where the memory should come from.
constexpr std::uint32_t keepLocal = 8;
constexpr std::uint32_t useTempMem = 4;
// The memory is written only when the pixels are first needed: filling the whole buffer
// with one colour, and copying it where that colour is transparent, cost nothing until
// then, so a large layer that stays blank never takes memory.
constexpr std::uint32_t fillOnFirstUse = 0x10000;

// Makes a white buffer of the bounds' size (bounds must start at 0, 0; depth 32) with a
// default port state: pen 1 x 1 at (0, 0), solid black pattern, black on white, clip =
// bounds. Returns 0, -50 for a bad depth or size, -108 out of memory.
OSErr NewGWorld(GWorldPtr* out, std::int16_t depth, const Rect* bounds, std::uint32_t flags);
// Same as NewGWorld with rows padded to row_bytes (>= 4 x width, a multiple of 4).
OSErr NewGWorldWithRowBytes(GWorldPtr* out, const Rect* bounds, std::int32_t row_bytes);
void DisposeGWorld(GWorldPtr world);
bool LockPixels(GWorldPtr world);  // pixels never move: always true

// The current port, the target of every drawing call below.
void SetGWorld(CGrafPtr port);
void GetGWorld(CGrafPtr* port);

void GetPortBounds(CGrafPtr port, Rect* out);
std::uint8_t* GetPixBaseAddr(GWorldPtr world);  // for reading or writing pixels directly
std::int32_t GetPixRowBytes(GWorldPtr world);

// Colours, on the current port.
void RGBForeColor(const RGBColor* c);
void RGBBackColor(const RGBColor* c);
void GetForeColor(RGBColor* c);
void GetBackColor(RGBColor* c);
// The classic colour constants.
constexpr long blackColor = 33, whiteColor = 30, redColor = 205, greenColor = 341, blueColor = 409,
               cyanColor = 273, magentaColor = 137, yellowColor = 69;
void ForeColor(long classic);
void BackColor(long classic);

// Pen and clip, on the current port.
void PenSize(std::int16_t width, std::int16_t height);
void PenPat(const Pattern* pat);
void PenNormal();  // 1 x 1, solid black pattern
void MoveTo(std::int16_t h, std::int16_t v);
void LineTo(std::int16_t h, std::int16_t v);
void ClipRect(const Rect* r);
void GetClip(Rect* out);

// Shapes, on the current port. Paint and frame use the pen pattern; erase fills with the
// background colour; invert flips red, green and blue.
void EraseRect(const Rect* r);
void PaintRect(const Rect* r);
void FrameRect(const Rect* r);  // inside r, one pen size thick
void InvertRect(const Rect* r);

// CopyBits transfer modes.
constexpr std::int16_t srcCopy = 0;
constexpr std::int16_t transparent = 36;  // keep destination where source = dst background
constexpr std::int16_t ditherCopy = 64;   // same as srcCopy here

// Copies src_rect of src into dst_rect of dst, scaling by nearest pixel. Either rectangle
// may reach beyond its buffer: destination pixels whose source falls outside src are left
// as they were. The destination's clip rectangle applies, and so does mask_rect (in
// destination coordinates) when given.
void CopyBits(GWorldPtr src, GWorldPtr dst, const Rect* src_rect, const Rect* dst_rect,
              std::int16_t mode, const Rect* mask_rect);

// True when the buffer is still one colour filled as a whole, with nothing drawn or read
// pixel by pixel since (it then takes no memory yet); the colour in *colour.
bool IsGWorldUniform(GWorldPtr world, RGBColor* colour);
// The pixel at (h, v) as 0x00RRGGBB; h and v must lie inside the buffer.
std::uint32_t GetPixelRGB(GWorldPtr world, int h, int v);
