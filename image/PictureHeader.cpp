#include "image/PictureHeader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "image/ExifOrientation.h"
#include "image/ModernBmp.h"

#include <unistd.h>

#include "util/RegularFile.h"

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Reads exactly count bytes at the current position; false at the end of the
// file or on a read error.
bool readBytes(std::FILE* file, unsigned char* into, std::size_t count) {
    return std::fread(into, 1, count, file) == count;
}

std::uint32_t littleEndian16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t littleEndian32(const unsigned char* p) {
    return littleEndian16(p) | littleEndian16(p + 2) << 16;
}

std::uint32_t bigEndian16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 8 | static_cast<std::uint32_t>(p[1]);
}

std::uint32_t bigEndian32(const unsigned char* p) {
    return bigEndian16(p) << 16 | bigEndian16(p + 2);
}

// BMP stores signed sizes; a negative height marks rows stored top-down, so
// only the magnitude says how much memory the picture needs.
std::int64_t magnitude(std::uint32_t stored) {
    const auto value = static_cast<std::int64_t>(static_cast<std::int32_t>(stored));
    return value < 0 ? -value : value;
}

PictureHeader bmpHeader(const unsigned char* head, std::size_t length, std::int64_t fileSize) {
    PictureHeader header;
    if (length < 30) {
        header.cutShort = true;
        return header;
    }
    const std::uint32_t pixelOffset = littleEndian32(head + 10);
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    // The oldest header (12 bytes) has 16-bit sizes and no compression,
    // every later one 32-bit sizes.
    if (littleEndian32(head + 14) == 12) {
        header.size = PictureSize{littleEndian16(head + 18), littleEndian16(head + 20)};
        bitsPerPixel = littleEndian16(head + 24);
    } else {
        header.size = PictureSize{magnitude(littleEndian32(head + 18)), magnitude(littleEndian32(head + 22))};
        bitsPerPixel = littleEndian16(head + 28);
        compression = length >= 34 ? littleEndian32(head + 30) : 0;
    }
    // Uncompressed rows are padded to four bytes; run-length data has no
    // size known in advance, and the library notices its end by itself.
    // Sizes beyond a million are refused for their size anyway, and are
    // kept out of the product so it cannot overflow.
    const bool uncompressed = compression == 0 || compression == 3;
    const bool measurable = header.size->width <= 1 << 20 && header.size->height <= 1 << 20;
    if (uncompressed && measurable && bitsPerPixel > 0 && bitsPerPixel <= 32) {
        const std::int64_t rowBytes = (header.size->width * bitsPerPixel + 31) / 32 * 4;
        header.cutShort = pixelOffset + rowBytes * header.size->height > fileSize;
    }
    return header;
}

// The orientation in an EXIF block of length bytes at the file's position.
// Blocks longer than any EXIF segment a JPEG can hold are not read.
int orientationAt(std::FILE* file, std::size_t length) {
    if (length > 65535) {
        return 1;
    }
    std::vector<unsigned char> block(length);
    return readBytes(file, block.data(), length) ? exifOrientation(block.data(), length) : 1;
}

// Walks the chunks up to the closing IEND, noting the orientation of an
// eXIf chunk. The library's reader loops for ever on a chunk that runs past
// the end of the file.
bool pngCutShort(std::FILE* file, std::int64_t fileSize, int& orientation) {
    std::int64_t position = 8;
    while (true) {
        unsigned char chunk[8];
        if (position + 12 > fileSize || std::fseek(file, static_cast<long>(position), SEEK_SET) != 0 ||
            !readBytes(file, chunk, 8)) {
            return true;
        }
        const std::uint32_t dataLength = bigEndian32(chunk);
        if (dataLength > 0x7FFFFFFFu) {
            return true;  // not a length a PNG may hold
        }
        if (std::memcmp(chunk + 4, "eXIf", 4) == 0 && position + 12 + dataLength <= fileSize) {
            orientation = orientationAt(file, dataLength);
        }
        position += 12 + static_cast<std::int64_t>(dataLength);  // length, type, data, checksum
        if (position > fileSize) {
            return true;
        }
        if (std::memcmp(chunk + 4, "IEND", 4) == 0) {
            return false;
        }
    }
}

bool isJpegFrameMarker(unsigned char marker) {
    // SOF0..SOF15, except DHT (C4), JPG (C8) and DAC (CC) which share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the marker segments up to the scan data. Metadata segments (EXIF
// with thumbnails) may come first, so the walk seeks past them instead of
// reading a fixed prefix; it gives up after a bounded number of segments.
// The frame header gives the size. A segment that runs past the end of the
// file, or a file that ends before its scan, is cut short: the library skips
// such a segment for ever.
PictureHeader jpegHeader(std::FILE* file, std::int64_t fileSize) {
    PictureHeader header;
    if (std::fseek(file, 2, SEEK_SET) != 0) {
        return header;
    }
    for (int segment = 0; segment < 1024; ++segment) {
        unsigned char byte = 0;
        do {
            if (!readBytes(file, &byte, 1)) {
                header.cutShort = true;
                return header;
            }
        } while (byte != 0xFF);
        do {  // any number of fill bytes may precede the marker
            if (!readBytes(file, &byte, 1)) {
                header.cutShort = true;
                return header;
            }
        } while (byte == 0xFF);
        const unsigned char marker = byte;
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue;  // stand-alone markers carry no length
        }
        if (marker == 0xD9 || marker == 0xDA) {
            return header;  // end of picture, or the scan data
        }
        unsigned char field[7];
        if (!readBytes(file, field, 2)) {
            header.cutShort = true;
            return header;
        }
        const std::uint32_t segmentLength = bigEndian16(field);
        const long dataStart = std::ftell(file);
        if (segmentLength < 2 || dataStart < 0) {
            return header;
        }
        const std::int64_t segmentEnd = dataStart + static_cast<std::int64_t>(segmentLength) - 2;
        if (segmentEnd > fileSize) {
            header.cutShort = true;
            return header;
        }
        static const unsigned char exifMark[6] = {'E', 'x', 'i', 'f', 0, 0};
        unsigned char mark[6];
        if (marker == 0xE1 && segmentLength >= 2 + 6 + 8 && header.orientation == 1 && readBytes(file, mark, 6) &&
            std::memcmp(mark, exifMark, 6) == 0) {
            header.orientation = orientationAt(file, segmentLength - 2 - 6);
        }
        if (isJpegFrameMarker(marker) && !header.size) {
            if (std::fseek(file, dataStart, SEEK_SET) != 0) {
                return header;
            }
            // precision (1 byte), then height and width, 16 bits each
            if (segmentLength < 7 || !readBytes(file, field + 2, 5)) {
                return header;
            }
            header.size = PictureSize{bigEndian16(field + 5), bigEndian16(field + 3)};
        }
        if (std::fseek(file, static_cast<long>(segmentEnd), SEEK_SET) != 0) {
            return header;
        }
    }
    return header;
}

bool hasTargaExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
        return false;
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "tga" || extension == "vda" || extension == "icb" || extension == "vst";
}

PictureHeader targaHeader(const unsigned char* head, std::size_t length, std::int64_t fileSize) {
    PictureHeader header;
    if (length < 18) {
        header.cutShort = true;
        return header;
    }
    header.size = PictureSize{littleEndian16(head + 12), littleEndian16(head + 14)};
    const unsigned imageType = head[2];
    // Only uncompressed pictures (colour-mapped, true-colour, grey) have a
    // data size known from the header.
    if (imageType >= 1 && imageType <= 3) {
        const std::int64_t paletteBytes = head[1] == 1 ? littleEndian16(head + 5) * ((head[7] + 7) / 8) : 0;
        const std::int64_t pixelBytes = header.size->width * header.size->height * ((head[16] + 7) / 8);
        header.cutShort = 18 + head[0] + paletteBytes + pixelBytes > fileSize;
    }
    return header;
}

}  // namespace

PictureHeader inspectPictureFile(const std::string& path) {
    const int descriptor = openRegularFile(path);
    File file(descriptor >= 0 ? fdopen(descriptor, "rb") : nullptr, &std::fclose);
    if (descriptor >= 0 && !file) {
        close(descriptor);
    }
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return {};
    }
    const std::int64_t fileSize = std::ftell(file.get());
    unsigned char head[34] = {};
    std::rewind(file.get());
    const std::size_t length = std::fread(head, 1, sizeof head, file.get());

    PictureHeader header;
    if (length >= 2 && head[0] == 'B' && head[1] == 'M') {
        header = bmpHeader(head, length, fileSize);
        header.format = PictureFormat::bmp;
        header.modernBmp = hasModernBmpHeader(head, length);
        return header;
    }
    static const unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length >= 8 && std::memcmp(head, pngSignature, 8) == 0) {
        header.format = PictureFormat::png;
        if (length >= 24 && std::memcmp(head + 12, "IHDR", 4) == 0) {
            header.size = PictureSize{bigEndian32(head + 16), bigEndian32(head + 20)};
            header.deepSamples = length >= 25 && head[24] == 16;
        }
        header.cutShort = pngCutShort(file.get(), fileSize, header.orientation);
        return header;
    }
    if (length >= 10 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0)) {
        return {PictureFormat::gif, PictureSize{littleEndian16(head + 6), littleEndian16(head + 8)}, false};
    }
    if (length >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        header = jpegHeader(file.get(), fileSize);
        header.format = PictureFormat::jpeg;
        return header;
    }
    if (hasTargaExtension(path)) {
        header = targaHeader(head, length, fileSize);
        header.format = PictureFormat::targa;
    }
    return header;
}
