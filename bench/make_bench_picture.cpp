// Writes the pictures the benchmark scenarios paint on: a grey-toned
// "photograph" of the given size as a 24-bit BMP (bottom row first, rows
// padded to whole words), the same bits on every run.
//
//     make_bench_picture OUTPUT.bmp SIZE

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <vector>

namespace {

void put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    put16(out, v & 0xffffu);
    put16(out, v >> 16);
}

// A cheap hash of a cell, for the grain of the picture.
unsigned grain(unsigned x, unsigned y) {
    std::uint32_t h = x * 374761393u + y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (h ^ (h >> 16)) & 0xffu;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_bench_picture OUTPUT.bmp SIZE\n");
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 1 || size > 16384) {
        std::fprintf(stderr, "make_bench_picture: size out of range: %s\n", argv[2]);
        return 2;
    }
    const std::uint32_t stride = (static_cast<std::uint32_t>(size) * 3u + 3u) & ~3u;
    const std::uint32_t data = stride * static_cast<std::uint32_t>(size);
    std::vector<unsigned char> out;
    out.reserve(54 + data);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + data);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, static_cast<std::uint32_t>(size));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, data);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);

    // Soft light and shade over the whole picture, with a fine grain like a
    // photograph's, so the paper's surface has slopes everywhere.
    const double scale = 6.283185307179586 / size;
    for (int y = 0; y < size; ++y) {
        std::size_t rowStart = out.size();
        for (int x = 0; x < size; ++x) {
            const double shade = 0.5 + 0.2 * std::sin(3.0 * x * scale) * std::cos(2.0 * y * scale) +
                                 0.15 * std::sin(11.0 * (x + y) * scale);
            const double value = shade * 235.0 + 0.08 * grain(x, y);
            const int v = static_cast<int>(std::lround(std::fmin(std::fmax(value, 0.0), 255.0)));
            out.push_back(static_cast<unsigned char>(v));
            out.push_back(static_cast<unsigned char>(std::min(255, v + 6)));
            out.push_back(static_cast<unsigned char>(std::min(255, v + 12)));
        }
        out.resize(rowStart + stride, 0);
    }

    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make_bench_picture: cannot write %s\n", argv[1]);
        return 1;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "make_bench_picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
