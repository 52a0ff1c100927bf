// Image test helpers: file bytes, the independent tools, test pictures and pixel lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/draw.h"

std::vector<std::uint8_t> read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::vector<std::uint8_t>& data);
// Runs a shell command; its exit status (0 success).
int run_tool(const std::string& command);
// Runs a shell command and returns what it printed.
std::string tool_output(const std::string& command);

// A white 32-bit offscreen of w x h; row_bytes 0 means 4 x w.
GWorldPtr new_white_world(int w, int h, int row_bytes = 0);
// A deterministic picture of gradients, hard edges and noise; row_bytes 0 means 4 x w.
GWorldPtr make_test_image(int w, int h, unsigned seed, int row_bytes = 0);
// Every pixel as 0xRRGGBB, row by row.
std::vector<std::uint32_t> gworld_pixels(GWorldPtr world);
// The pixels of the first image in a file as decoded by ImageMagick (empty on failure).
std::vector<std::uint32_t> magick_pixels(const std::string& path, int* w, int* h);
// Writes pixels as a binary PPM.
void write_ppm(const std::string& path, const std::vector<std::uint32_t>& pixels, int w, int h);
// The largest difference of one colour component between two pixel lists of equal size.
int max_component_diff(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);
