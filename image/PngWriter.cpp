#include "image/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct PngFile {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngFile() {
        png_destroy_write_struct(png != nullptr ? &png : nullptr, info != nullptr ? &info : nullptr);
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

// libpng reports errors by a long jump out of the call that failed; no
// object with a destructor may live between setjmp and the calls below.
bool writeRows(PngFile& out, int width, int height, const std::function<void(int, rgba8*)>& row,
               std::vector<rgba8>& buffer) {
    if (setjmp(png_jmpbuf(out.png)) != 0) {
        return false;
    }
    png_init_io(out.png, out.file);
    png_set_IHDR(out.png, out.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // One cheap filter instead of trying all five on every row, and the
    // fastest compression level: half the file size of no compression at
    // all, at a fraction of the default level's time.
    png_set_filter(out.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(out.png, 1);
    png_write_info(out.png, out.info);
    for (int y = height - 1; y >= 0; --y) {
        row(y, buffer.data());
        png_write_row(out.png, reinterpret_cast<png_const_bytep>(buffer.data()));
    }
    png_write_end(out.png, nullptr);
    return true;
}

// The caller reports a failed write in its own line; libpng stays quiet.
[[noreturn]] void failQuietly(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void warnQuietly(png_structp, png_const_charp) {}

}  // namespace

bool writePngRows(const std::string& path, int width, int height, const std::function<void(int y, rgba8* out)>& row) {
    if (width <= 0 || height <= 0) {
        return false;
    }
    std::vector<rgba8> buffer(static_cast<std::size_t>(width));
    PngFile out;
    out.file = std::fopen(path.c_str(), "wb");
    if (out.file == nullptr) {
        return false;
    }
    out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, warnQuietly);
    if (out.png == nullptr) {
        return false;
    }
    out.info = png_create_info_struct(out.png);
    if (out.info == nullptr) {
        return false;
    }
    if (!writeRows(out, width, height, row, buffer)) {
        return false;
    }
    const bool flushed = std::fflush(out.file) == 0 && std::ferror(out.file) == 0;
    const bool closed = std::fclose(out.file) == 0;
    out.file = nullptr;
    return flushed && closed;
}
