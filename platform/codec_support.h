// Bounds-checked byte reading and image allocation shared by the image codecs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_order.h"
#include "platform/draw.h"
#include "platform/types.h"

// A cursor over a byte range. A read past the end yields 0 and clears ok for good, so a
// parser can read a whole structure and test ok once.
struct ByteReader {
    const std::uint8_t* data;  // first byte of the range
    std::size_t size;          // bytes in the range
    std::size_t pos;           // next byte to read
    bool ok;                   // false once anything was read or skipped past the end

    ByteReader(const std::uint8_t* d, std::size_t n) : data(d), size(n), pos(0), ok(true) {}
    std::size_t left() const { return pos < size ? size - pos : 0; }
    bool has(std::size_t n) const { return ok && n <= left(); }
    void skip(std::size_t n) {
        if (has(n))
            pos += n;
        else
            fail();
    }
    void seek(std::size_t p) {
        if (ok && p <= size)
            pos = p;
        else
            fail();
    }
    void fail() {
        ok = false;
        pos = size;
    }
    std::uint8_t u8() {
        if (!has(1)) {
            fail();
            return 0;
        }
        return data[pos++];
    }
    std::uint16_t u16be() {
        std::uint16_t hi = u8();
        return std::uint16_t((hi << 8) | u8());
    }
    std::uint32_t u32be() {
        std::uint32_t hi = u16be();
        return (hi << 16) | u16be();
    }
    std::uint16_t u16le() {
        std::uint16_t lo = u8();
        return std::uint16_t(lo | (u8() << 8));
    }
    std::uint32_t u32le() {
        std::uint32_t lo = u16le();
        return lo | (std::uint32_t(u16le()) << 16);
    }
    const std::uint8_t* here() const { return data + pos; }
};

// A new white GWorld of width x height for a decoder. 0, codecErr when a side is not
// positive, exceeds 32767 or the area exceeds kMaxImagePixels, -108 out of memory.
OSErr NewImageGWorld(std::int64_t width, std::int64_t height, GWorldPtr* out);

// The pixels of a buffer that a reader is about to write whole: a buffer made with
// fillOnFirstUse is not filled first.
std::uint8_t* claim_pixels(GWorldPtr world);

struct Picture;
// A picture that takes over image (disposed of with the picture), or null when out of
// memory (image is then disposed of).
Picture* NewPictureAdopting(GWorldPtr image);
