#!/usr/bin/env python3
"""Writes the awkward pictures the painter must survive into tests/pictures/.

Every file is made here from first principles (standard library only), so the
corpus can be checked and rebuilt byte for byte: good pictures of unusual
kinds, damaged ones, and headers that promise far more than any memory holds.
The picture tests open each of them through Image Open and know, by name,
what must happen.

Usage: scripts/make-picture-corpus.py [FOLDER]   (default: tests/pictures)
"""

import os
import struct
import sys
import zlib


# ---------------------------------------------------------------- PNG

def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, color_type, bit_depth, rows, palette=None, transparency=None, exif=None):
    """rows: one bytes object per row, top row first, without filter bytes."""
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, color_type, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    chunks = [png_chunk(b"IHDR", ihdr)]
    if exif is not None:
        chunks.append(png_chunk(b"eXIf", exif))
    if palette is not None:
        chunks.append(png_chunk(b"PLTE", b"".join(bytes(c) for c in palette)))
    if transparency is not None:
        chunks.append(png_chunk(b"tRNS", transparency))
    chunks.append(png_chunk(b"IDAT", zlib.compress(raw, 9)))
    chunks.append(png_chunk(b"IEND", b""))
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunks)


def png_header_only(width, height):
    """A valid signature and IHDR for an RGBA picture, a token IDAT, IEND."""
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) +
            png_chunk(b"IDAT", zlib.compress(b"\x00" * 64)) + png_chunk(b"IEND", b""))


# ---------------------------------------------------------------- BMP

def bmp24(width, height, rows):
    """rows: lists of (r, g, b), top row first; stored bottom-up as BMP does."""
    row_bytes = (width * 3 + 3) // 4 * 4
    data = b""
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for (r, g, b) in row)
        data += line + b"\x00" * (row_bytes - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def bmp_v5(width, height, bits, pixels, masks=None, top_down=False, version=5, palette=None):
    """A BMP with a version-4 (108-byte) or version-5 (124-byte) header.
    pixels: rows of byte strings, top row first, each pixel already in the
    file's order; masks (red, green, blue, alpha) make it BI_BITFIELDS."""
    row_bytes = (width * bits + 31) // 32 * 4
    ordered = rows = [row + b"\x00" * (row_bytes - len(row)) for row in pixels]
    if not top_down:
        ordered = list(reversed(rows))
    data = b"".join(ordered)
    info_size = 124 if version == 5 else 108
    colors = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette) if palette else b""
    offset = 14 + info_size + len(colors)
    info = struct.pack("<IiiHHIIiiII", info_size, width, -height if top_down else height, 1, bits,
                       3 if masks else 0, len(data), 2835, 2835, len(palette or ()), 0)
    info += struct.pack("<IIII", *(masks or (0, 0, 0, 0)))
    info += b"BGRs" + b"\x00" * 48  # colour space, its end points and gammas
    if version == 5:
        info += struct.pack("<IIII", 4, 0, 0, 0)  # intent; no profile
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + colors + data


def bmp_header_only(width, height):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 54, 0, 0, 54) + info


# ---------------------------------------------------------------- JPEG

def jpeg_grey(width, height):
    """A baseline grey JPEG whose every block has DC 0 and no AC terms:
    every pixel is 128. Huffman tables of one code each ("0") keep the
    scan to two bits per block."""
    def segment(marker, payload):
        return bytes((0xFF, marker)) + struct.pack(">H", len(payload) + 2) + payload

    quant = segment(0xDB, b"\x00" + b"\x01" * 64)
    frame = segment(0xC0, struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00")
    one_code = b"\x01" + b"\x00" * 15 + b"\x00"   # one code of length 1, symbol 0
    dc_table = segment(0xC4, b"\x00" + one_code)  # DC table 0: category 0
    ac_table = segment(0xC4, b"\x10" + one_code)  # AC table 0: end of block
    scan = segment(0xDA, b"\x01\x01\x00\x00\x3f\x00")
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    bits = "00" * blocks
    bits += "1" * (-len(bits) % 8)
    data = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    data = data.replace(b"\xff", b"\xff\x00")
    return b"\xff\xd8" + quant + frame + dc_table + ac_table + scan + data + b"\xff\xd9"


def jpeg_blocks(blocks, adobe_transform=None, exif=None):
    """A baseline JPEG of flat 8 × 8 blocks without subsampling: blocks[by][bx]
    holds one sample per component (1 grey, 4 CMYK or YCCK), top row first.
    Every block codes only its DC term (quantiser 1, so DC = 8 · (v − 128)),
    which any decoder turns back into exactly v. adobe_transform adds the
    Adobe segment (0 for plain CMYK, 2 for YCCK); exif adds an EXIF segment
    holding that TIFF structure."""
    def segment(marker, payload):
        return bytes((0xFF, marker)) + struct.pack(">H", len(payload) + 2) + payload

    height, width, count = len(blocks) * 8, len(blocks[0]) * 8, len(blocks[0][0])
    head = b"\xff\xd8"
    if exif is not None:
        head += segment(0xE1, b"Exif\x00\x00" + exif)
    if adobe_transform is not None:
        head += segment(0xEE, b"Adobe" + struct.pack(">HHHB", 100, 0, 0, adobe_transform))
    head += segment(0xDB, b"\x00" + b"\x01" * 64)
    head += segment(0xC0, struct.pack(">BHHB", 8, height, width, count) +
                    b"".join(bytes((c + 1, 0x11, 0)) for c in range(count)))
    # DC categories 0 to 11 with four-bit codes 0000 to 1011; the only AC
    # symbol is the end of block, coded "0".
    head += segment(0xC4, b"\x00" + bytes((0, 0, 0, 12) + (0,) * 12) + bytes(range(12)))
    head += segment(0xC4, b"\x10" + bytes((1,) + (0,) * 15) + b"\x00")
    head += segment(0xDA, bytes((count,)) + b"".join(bytes((c + 1, 0)) for c in range(count)) + b"\x00\x3f\x00")
    bits, previous = [], [0] * count
    for row in blocks:
        for block in row:
            for c, value in enumerate(block):
                dc = 8 * (value - 128)
                diff, previous[c] = dc - previous[c], dc
                size = abs(diff).bit_length()
                bits.append(format(size, "04b"))
                if size:
                    bits.append(format(diff if diff > 0 else diff + (1 << size) - 1, "0%db" % size))
                bits.append("0")
    stream = "".join(bits)
    stream += "1" * (-len(stream) % 8)
    data = bytes(int(stream[i:i + 8], 2) for i in range(0, len(stream), 8)).replace(b"\xff", b"\xff\x00")
    return head + data + b"\xff\xd9"


def exif_orientation(value, big_endian=True):
    """A TIFF structure whose first directory holds only the orientation."""
    order = ">" if big_endian else "<"
    return ((b"MM" if big_endian else b"II") + struct.pack(order + "HI", 42, 8) +
            struct.pack(order + "H", 1) + struct.pack(order + "HHIHH", 0x0112, 3, 1, value, 0) +
            struct.pack(order + "I", 0))


def jpeg_frame_only(width, height):
    """The start of a JPEG whose frame header claims width × height."""
    frame = bytes((0xFF, 0xC0)) + struct.pack(">HBHHB", 11, 8, height, width, 1) + b"\x01\x11\x00"
    return b"\xff\xd8" + frame + b"\xff\xd9"


# ---------------------------------------------------------------- the corpus

def gradient_rows(width, height):
    return [[((x * 255) // max(width - 1, 1), (y * 255) // max(height - 1, 1), 128)
             for x in range(width)] for y in range(height)]


def corpus():
    files = {}
    rgb_rows = gradient_rows(4, 3)

    # Good pictures of unusual kinds.
    files["one-pixel.png"] = png(1, 1, 2, 8, [bytes((200, 100, 50))])
    files["wide-16384x1.png"] = png(16384, 1, 0, 8, [bytes(x % 256 for x in range(16384))])
    files["palette.png"] = png(2, 2, 3, 8, [b"\x00\x01", b"\x01\x00"],
                               palette=[(255, 0, 0), (0, 0, 255)])
    files["grey.png"] = png(3, 1, 0, 8, [bytes((0, 128, 255))])
    files["grey-16bit.png"] = png(2, 1, 0, 16, [struct.pack(">HH", 0, 65535)])
    files["rgb-16bit.png"] = png(1, 1, 2, 16, [struct.pack(">HHH", 65535, 0, 32768)])
    files["alpha.png"] = png(2, 1, 6, 8, [bytes((255, 0, 0, 255, 0, 255, 0, 0))])
    files["grey-alpha.png"] = png(1, 1, 4, 8, [bytes((255, 128))])
    files["gradient.bmp"] = bmp24(4, 3, rgb_rows)
    files["grey.jpg"] = jpeg_grey(16, 8)

    # Blocks of six greys, a b c over d e f, turned upright by each of the
    # eight EXIF orientations (and once by a PNG's eXIf chunk).
    greys = [[(40,), (80,), (120,)], [(160,), (200,), (240,)]]
    for orientation in range(1, 9):
        files["orientation-%d.jpg" % orientation] = jpeg_blocks(
            greys, exif=exif_orientation(orientation, big_endian=orientation % 2 == 0))
    files["orientation-6.png"] = png(3, 2, 0, 8, [bytes((40, 80, 120)), bytes((160, 200, 240))],
                                     exif=exif_orientation(6))
    # Ink amounts as most programs store them (inverted, with the Adobe
    # segment): C, M, Y, K = 255 − stored. Left block: no ink but half
    # black; right block: full cyan on white.
    files["cmyk.jpg"] = jpeg_blocks([[(255, 255, 255, 128), (0, 255, 255, 255)]], adobe_transform=0)
    # YCCK: luma 100, neutral chroma, so C = M = Y = 255 − 100 stored, K 200.
    files["ycck.jpg"] = jpeg_blocks([[(100, 128, 128, 200)]], adobe_transform=2)
    # Version-4 and version-5 headers, as most programs write BMPs today.
    colours = [[(255, 0, 0), (0, 255, 0), (0, 0, 255)], [(10, 20, 30), (128, 128, 128), (250, 240, 230)]]
    bgr = [b"".join(bytes((b, g, r)) for (r, g, b) in row) for row in colours]
    files["v5-24bit.bmp"] = bmp_v5(3, 2, 24, bgr)
    files["v4-24bit-top-down.bmp"] = bmp_v5(3, 2, 24, bgr, top_down=True, version=4)
    bgra = [b"".join(bytes((b, g, r, 64 + 60 * x)) for x, (r, g, b) in enumerate(row)) for row in colours]
    files["v5-32bit-alpha.bmp"] = bmp_v5(3, 2, 32, bgra, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000))
    files["v5-32bit-no-alpha.bmp"] = bmp_v5(3, 2, 32, bgra, masks=(0xFF0000, 0xFF00, 0xFF, 0))
    files["v4-32bit-plain.bmp"] = bmp_v5(3, 2, 32, bgra, version=4)
    rgba = [b"".join(bytes((a, b, g, r)) for (r, g, b), a in zip(row, (1, 2, 3))) for row in colours]
    files["v5-32bit-rgba-masks.bmp"] = bmp_v5(3, 2, 32, rgba, masks=(0xFF000000, 0xFF0000, 0xFF00, 0xFF))
    files["v5-8bit-palette.bmp"] = bmp_v5(3, 2, 8, [b"\x00\x01\x02", b"\x02\x01\x00"],
                                          palette=[(255, 0, 0), (0, 128, 0), (9, 9, 9)])
    files["v5-16bit.bmp"] = bmp_v5(3, 2, 16, [b"\x00" * 6, b"\x00" * 6])
    files["v5-truncated.bmp"] = files["v5-24bit.bmp"][:-4]
    files["v5-bad-masks.bmp"] = bmp_v5(3, 2, 32, bgra, masks=(0, 0, 0, 0))

    # Damaged pictures.
    good_png = png(8, 8, 2, 8, [bytes(range(24))] * 8)
    files["truncated.png"] = good_png[:len(good_png) // 2]
    files["signature-only.png"] = good_png[:8]
    bad_crc = bytearray(good_png)
    bad_crc[29] ^= 0xFF  # inside IHDR's checksum
    files["bad-checksum.png"] = bytes(bad_crc)
    broken_zlib = bytearray(good_png)
    idat = good_png.index(b"IDAT")
    for i in range(idat + 6, idat + 14):  # past the zlib header, into the deflate data
        broken_zlib[i] = 0xFF
    files["broken-deflate.png"] = bytes(broken_zlib)
    files["truncated.bmp"] = files["gradient.bmp"][:60]
    files["header-only.bmp"] = files["gradient.bmp"][:54]
    negative = bytearray(files["gradient.bmp"])
    negative[18:22] = struct.pack("<i", -4)  # a negative width
    files["negative-width.bmp"] = bytes(negative)
    zero = bytearray(files["gradient.bmp"])
    zero[28:30] = struct.pack("<H", 0)  # zero bits per pixel
    files["zero-depth.bmp"] = bytes(zero)
    good_jpeg = jpeg_grey(64, 64)
    files["truncated-scan.jpg"] = good_jpeg[:good_jpeg.index(b"\xff\xda") + 14]
    files["truncated-header.jpg"] = good_jpeg[:30]
    corrupt = bytearray(good_jpeg)
    corrupt[good_jpeg.index(b"\xff\xc4") + 5] = 0xFF  # a Huffman table of impossible code counts
    files["bad-huffman.jpg"] = bytes(corrupt)
    # A segment whose length runs past the end of the file: the library
    # skipped it for ever.
    files["segment-past-end.jpg"] = bytes.fromhex("ffd8ffd0000b0880ffffffffffffffe20049")
    files["empty.png"] = b""
    files["empty.bmp"] = b""
    files["text.png"] = b"This is not a picture, only some text with a picture's name.\n"
    files["png-named.jpg"] = files["one-pixel.png"]

    # Formats the painter does not hand to the image library, valid or not:
    # it crashed on a GIF frame outside its screen and on a PNM cut short.
    gif = (b"GIF89a" + struct.pack("<HHBBB", 2, 2, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff" +
           b"," + struct.pack("<HHHHB", 0, 0, 2, 2, 0) + b"\x02\x02\x44\x01\x00;")
    files["valid.gif"] = gif
    files["frame-outside.gif"] = (b"GIF89a" + struct.pack("<HHBBB", 2, 2, 0x80, 0, 0) +
                                  b"\x00\x00\x00\xff\xff\xff,\x09" + b"\xff" * 8 + b"\x06\x02\x02\x00\x02\x00;")
    files["valid.tga"] = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, 2, 2, 24, 0) + b"\x10\x20\x30" * 4
    files["valid.ppm"] = b"P6\n2 1\n255\n" + bytes((255, 0, 0, 0, 0, 255))
    files["cut.ppm"] = b"P6\n64 64\n255\n" + b"\x55" * 500
    files["bmp-named.png"] = files["gradient.bmp"]
    files["png-no-extension"] = files["one-pixel.png"]

    # Headers that promise pictures far too large.
    files["huge-100000x100000.png"] = png_header_only(100000, 100000)
    files["huge-100000x100000.bmp"] = bmp_header_only(100000, 100000)
    files["huge-65535x65535.jpg"] = jpeg_frame_only(65535, 65535)
    files["huge-20000x1.png"] = png_header_only(20000, 1)
    return files


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "tests", "pictures")
    os.makedirs(folder, exist_ok=True)
    for name, data in sorted(corpus().items()):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    print(f"wrote {len(corpus())} pictures to {os.path.normpath(folder)}")


if __name__ == "__main__":
    main()
