// Little- and big-endian stores and loads of integers in byte buffers, whatever the host.
#pragma once

#include <cstdint>

inline void put_u16be(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}

inline void put_u16le(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

inline void put_u32le(std::uint8_t* p, std::uint32_t v) {
    put_u16le(p, v);
    put_u16le(p + 2, v >> 16);
}

inline std::uint16_t get_u16le(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

inline std::uint32_t get_u32le(const std::uint8_t* p) {
    return std::uint32_t(get_u16le(p)) | std::uint32_t(get_u16le(p + 2)) << 16;
}
