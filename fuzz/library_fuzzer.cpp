// Loads arbitrary bytes through the image library itself, in this process, as
// one of the formats named by the first byte, and converts the result the way
// the picture decoder does, after the same header checks the painter makes
// first. The painter decodes in a child process, where a crash only makes a
// file unreadable; this target shows where the library itself still crashes,
// hangs or allocates without bound on what the painter would hand it, which
// decides the formats it hands the library at all. The library leaks on some
// damaged files; in the child that memory goes when it exits, so the target
// is run without leak detection.

#include <IL/il.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzInput.h"
#include "image/PictureDecoder.h"
#include "image/PictureHeader.h"

namespace {

struct Format {
    ILenum type;
    const char* extension;
};

// The formats the painter hands to the library. GIF, TGA, PNM, TIFF, PCX,
// PSD and ICO were probed here as well; GIF and PNM crashed within seconds.
const Format formats[] = {
    {IL_PNG, ".png"},
    {IL_BMP, ".bmp"},
    {IL_JPG, ".jpg"},
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ilInit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const Format& format = formats[input.byte() % (sizeof formats / sizeof formats[0])];
    const std::string path = fuzzScratchFolder() + "/picture" + format.extension;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    std::fwrite(input.rest(), 1, input.remaining(), file);
    std::fclose(file);

    const PictureHeader header = inspectPictureFile(path);
    if (header.cutShort || (header.size && !pictureWithinLimits(header.size->width, header.size->height, 16))) {
        std::remove(path.c_str());
        return 0;
    }
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
    if (ilLoad(format.type, path.c_str()) == IL_TRUE) {
        const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
        const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
        // The decoder converts only pictures within its limits.
        if (pictureWithinLimits(width, height, 16)) {
            if (ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX) {
                ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
            }
            ilConvertImage(IL_LUMINANCE, IL_FLOAT);
        }
    }
    ilDisable(IL_ORIGIN_SET);
    ilDeleteImages(1, &name);
    while (ilGetError() != IL_NO_ERROR) {
    }
    std::remove(path.c_str());
    return 0;
}
