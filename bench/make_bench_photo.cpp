// Writes the photograph the picture benchmark reads: SIZE × SIZE pixels of
// soft colour with a grain of its own in every channel (as a camera's sensor
// leaves it, so it compresses as a photograph does), through the image
// library, as PNG or JPEG by the name's extension. The same bits every run.
//
//     make_bench_photo OUTPUT.png|OUTPUT.jpg SIZE

#include <IL/il.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

unsigned grain(unsigned x, unsigned y, unsigned channel) {
    std::uint32_t h = x * 374761393u + y * 668265263u + channel * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (h ^ (h >> 16)) & 0x1fu;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_bench_photo OUTPUT.png|OUTPUT.jpg SIZE\n");
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 1 || size > 16384) {
        std::fprintf(stderr, "make_bench_photo: size out of range: %s\n", argv[2]);
        return 2;
    }
    std::vector<unsigned char> pixels(static_cast<std::size_t>(size) * size * 3);
    const double scale = 6.283185307179586 / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            unsigned char* p = pixels.data() + (static_cast<std::size_t>(y) * size + x) * 3;
            const double light = 0.55 + 0.25 * std::sin(2.0 * x * scale) * std::cos(3.0 * y * scale);
            const double hue = 5.0 * (x + 2 * y) * scale;
            for (int c = 0; c < 3; ++c) {
                const double value = 255.0 * light * (0.75 + 0.25 * std::sin(hue + 2.1 * c)) + grain(x, y, c) - 16.0;
                p[c] = static_cast<unsigned char>(std::lround(std::clamp(value, 0.0, 255.0)));
            }
        }
    }
    ilInit();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilEnable(IL_FILE_OVERWRITE);
    ilSetInteger(IL_JPG_QUALITY, 90);
    if (ilTexImage(size, size, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, pixels.data()) != IL_TRUE ||
        ilSaveImage(argv[1]) != IL_TRUE) {
        std::fprintf(stderr, "make_bench_photo: cannot write %s\n", argv[1]);
        return 1;
    }
    ilDeleteImages(1, &image);
    return 0;
}
