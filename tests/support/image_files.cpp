// Image test helpers: file bytes, the independent tools, test pictures and pixel lists.
#include "support/image_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::string& path, const std::vector<std::uint8_t>& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

int run_tool(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string tool_output(const std::string& command) {
    std::string out;
    std::FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

GWorldPtr new_white_world(int w, int h, int row_bytes) {
    Rect b;
    SetRect(&b, 0, 0, w, h);
    GWorldPtr g = nullptr;
    NewGWorldWithRowBytes(&g, &b, row_bytes ? row_bytes : 4 * w);
    return g;
}

GWorldPtr make_test_image(int w, int h, unsigned seed, int row_bytes) {
    GWorldPtr g = new_white_world(w, h, row_bytes);
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = g->pixels + std::size_t(y) * std::size_t(g->row_bytes);
        for (int x = 0; x < w; ++x, p += 4) {
            state = state * 1103515245u + 12345u;
            const unsigned noise = (state >> 16) & 0x1F;
            p[0] = 0;
            p[1] = std::uint8_t(x * 255 / (w > 1 ? w - 1 : 1));
            p[2] = std::uint8_t(((x / 7 + y / 5) & 1) ? 200 + noise : 40 + noise);
            p[3] = std::uint8_t(y * 255 / (h > 1 ? h - 1 : 1));
        }
    }
    return g;
}

std::vector<std::uint32_t> gworld_pixels(GWorldPtr world) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < world->height; ++y)
        for (int x = 0; x < world->width; ++x) out.push_back(GetPixelRGB(world, x, y));
    return out;
}

std::vector<std::uint32_t> magick_pixels(const std::string& path, int* w, int* h) {
    std::istringstream size(tool_output("/usr/bin/identify -format '%w %h\\n' '" + path + "[0]'"));
    *w = *h = 0;
    size >> *w >> *h;
    const std::string rgb =
        tool_output("/usr/bin/convert '" + path + "[0]' -alpha off -depth 8 rgb:-");
    std::vector<std::uint32_t> out;
    if (*w <= 0 || rgb.size() != std::size_t(*w) * std::size_t(*h) * 3) return out;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        out.push_back((std::uint32_t(std::uint8_t(rgb[i])) << 16) |
                      (std::uint32_t(std::uint8_t(rgb[i + 1])) << 8) | std::uint8_t(rgb[i + 2]));
    return out;
}

void write_ppm(const std::string& path, const std::vector<std::uint32_t>& pixels, int w, int h) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    for (std::uint32_t v : pixels) {
        const char rgb[3] = {char(v >> 16), char(v >> 8), char(v)};
        out.write(rgb, 3);
    }
}

int max_component_diff(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int s = 0; s < 24; s += 8) {
            const int d = std::abs(int((a[i] >> s) & 0xFF) - int((b[i] >> s) & 0xFF));
            if (d > worst) worst = d;
        }
    return worst;
}
