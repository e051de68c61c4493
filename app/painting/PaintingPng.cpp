#include "app/painting/PaintingPng.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace {

float clamped(float component) {
    if (!(component > 0.0f)) return 0.0f;  // NaN too
    return component < 1.0f ? component : 1.0f;
}

// A small ICC profile (version 2) of sRGB: its primaries adapted to the
// D50 white of the profile connection space, and its tone curve as a table.
// Programs take a 16-bit picture without a profile for linear light, or
// stop to ask which profile it has; with this one they show the paint as
// Seep does.
std::string srgbProfile() {
    std::string tags;
    std::vector<std::array<std::uint32_t, 3>> table;  // signature, offset, size
    const auto be32 = [](std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xff));
    };
    const auto fixed = [&](std::string& out, double v) { be32(out, static_cast<std::uint32_t>(std::lround(v * 65536.0))); };
    const auto tag = [&](const char* signature, const std::string& data, const std::string* shared = nullptr) {
        const std::uint32_t sig = std::uint32_t(std::uint8_t(signature[0])) << 24 | std::uint32_t(std::uint8_t(signature[1])) << 16 |
                                  std::uint32_t(std::uint8_t(signature[2])) << 8 | std::uint32_t(std::uint8_t(signature[3]));
        if (shared != nullptr) {
            table.push_back({sig, table.back()[1], table.back()[2]});
            return;
        }
        table.push_back({sig, static_cast<std::uint32_t>(tags.size()), static_cast<std::uint32_t>(data.size())});
        tags += data;
        while (tags.size() % 4 != 0) tags.push_back('\0');
    };
    const auto xyz = [&](double x, double y, double z) {
        std::string data("XYZ \0\0\0\0", 8);
        fixed(data, x);
        fixed(data, y);
        fixed(data, z);
        return data;
    };
    std::string description("desc\0\0\0\0", 8);
    const std::string name = "sRGB";
    be32(description, static_cast<std::uint32_t>(name.size() + 1));
    description += name;
    description.push_back('\0');
    description.append(4 + 4 + 2 + 1 + 67, '\0');  // no Unicode or ScriptCode text
    tag("desc", description);
    tag("cprt", std::string("text\0\0\0\0", 8) + "No copyright, use freely" + '\0');
    tag("wtpt", xyz(0.9642, 1.0, 0.8249));
    tag("rXYZ", xyz(0.4360747, 0.2225045, 0.0139322));
    tag("gXYZ", xyz(0.3850649, 0.7168786, 0.0971045));
    tag("bXYZ", xyz(0.1430804, 0.0606169, 0.7141733));
    std::string curve("curv\0\0\0\0", 8);
    constexpr int points = 1024;
    be32(curve, points);
    for (int i = 0; i < points; ++i) {
        const double v = double(i) / (points - 1);
        const double linear = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        const auto entry = static_cast<std::uint16_t>(std::lround(linear * 65535.0));
        curve.push_back(static_cast<char>(entry >> 8));
        curve.push_back(static_cast<char>(entry & 0xff));
    }
    tag("rTRC", curve);
    tag("gTRC", curve, &curve);
    tag("bTRC", curve, &curve);

    const std::uint32_t start = 128 + 4 + 12 * static_cast<std::uint32_t>(table.size());
    std::string profile;
    be32(profile, start + static_cast<std::uint32_t>(tags.size()));
    be32(profile, 0);
    be32(profile, 0x02100000);
    profile += "mntrRGB XYZ ";
    profile.append(12, '\0');  // date
    profile += "acsp";
    profile.append(4 + 4 + 4 + 4 + 8 + 4, '\0');  // platform, flags, maker, model, attributes, intent
    fixed(profile, 0.9642);
    fixed(profile, 1.0);
    fixed(profile, 0.8249);
    profile.append(4 + 16 + 28, '\0');  // creator, profile id, reserved
    be32(profile, static_cast<std::uint32_t>(table.size()));
    for (const auto& [signature, offset, size] : table) {
        be32(profile, signature);
        be32(profile, start + offset);
        be32(profile, size);
    }
    return profile + tags;
}

void appendToString(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

// Rows are made one at a time by fillRow(gridRow, bytes); libpng's errors
// (only running out of memory, for a picture made here) end in an empty
// result rather than a jump across C++ frames: nothing here owns anything
// that a jump would leak, and the row buffer is a plain vector held outside.
template <typename FillRow>
std::string encode(int width, int height, int bitDepth, FillRow fillRow) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return out;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4 * (bitDepth / 8);
    std::vector<png_byte> row(rowBytes);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return std::string();
    }
    png_set_write_fn(png, &out, appendToString, nullptr);
    // Speed matters more than the last few percent: a painting of 4096 ×
    // 4096 is saved while the person waits.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    static const std::string profile = srgbProfile();
    png_set_iCCP(png, info, "sRGB", PNG_COMPRESSION_TYPE_BASE,
                 reinterpret_cast<png_const_bytep>(profile.data()), static_cast<png_uint_32>(profile.size()));
    png_write_info(png, info);
    for (int y = height - 1; y >= 0; --y) {
        fillRow(y, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace

unsigned char imageSaveByte(float component) {
    // Clamped, then scaled and cut toward zero, as the image library
    // converts floats to bytes for Image Save.
    return static_cast<unsigned char>(clamped(component) * 255.0f);
}

std::string encodePng16(const vec4* pixels, int width, int height) {
    return encode(width, height, 16, [&](int y, png_byte* row) {
        const vec4* line = pixels + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const float components[4] = {line[x].x, line[x].y, line[x].z, line[x].w};
            for (int c = 0; c < 4; ++c) {
                const auto value = static_cast<std::uint16_t>(std::lround(clamped(components[c]) * 65535.0f));
                row[8 * x + 2 * c] = static_cast<png_byte>(value >> 8);
                row[8 * x + 2 * c + 1] = static_cast<png_byte>(value & 0xff);
            }
        }
    });
}

std::string encodePng8(const vec4* pixels, int width, int height, PngBytes conversion) {
    const auto byte = [conversion](float component) {
        return conversion == PngBytes::AsImageSave ? imageSaveByte(component)
                                                   : static_cast<unsigned char>(std::lround(clamped(component) * 255.0f));
    };
    return encode(width, height, 8, [&](int y, png_byte* row) {
        const vec4* line = pixels + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            row[4 * x] = byte(line[x].x);
            row[4 * x + 1] = byte(line[x].y);
            row[4 * x + 2] = byte(line[x].z);
            row[4 * x + 3] = byte(line[x].w);
        }
    });
}

std::vector<vec4> thumbnailOf(const vec4* pixels, int width, int height, int side, int& thumbWidth,
                              int& thumbHeight) {
    const int larger = std::max(width, height);
    if (larger <= side) {
        thumbWidth = width;
        thumbHeight = height;
        return std::vector<vec4>(pixels, pixels + static_cast<std::size_t>(width) * height);
    }
    thumbWidth = std::max(1, static_cast<int>(static_cast<long long>(width) * side / larger));
    thumbHeight = std::max(1, static_cast<int>(static_cast<long long>(height) * side / larger));
    std::vector<vec4> thumb(static_cast<std::size_t>(thumbWidth) * thumbHeight);
    for (int ty = 0; ty < thumbHeight; ++ty) {
        const int y0 = static_cast<int>(static_cast<long long>(ty) * height / thumbHeight);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(ty + 1) * height / thumbHeight));
        for (int tx = 0; tx < thumbWidth; ++tx) {
            const int x0 = static_cast<int>(static_cast<long long>(tx) * width / thumbWidth);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(tx + 1) * width / thumbWidth));
            double sum[4] = {0, 0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const vec4& p = pixels[static_cast<std::size_t>(y) * width + x];
                    sum[0] += clamped(p.x);
                    sum[1] += clamped(p.y);
                    sum[2] += clamped(p.z);
                    sum[3] += clamped(p.w);
                }
            }
            const double count = static_cast<double>(y1 - y0) * (x1 - x0);
            thumb[static_cast<std::size_t>(ty) * thumbWidth + tx] =
                vec4{float(sum[0] / count), float(sum[1] / count), float(sum[2] / count), float(sum[3] / count)};
        }
    }
    return thumb;
}
