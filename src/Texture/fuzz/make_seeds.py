#!/usr/bin/env python3
"""Writes the small seed corpora of the image reader fuzz targets (run from this folder)."""
import os
import struct
import subprocess
import zlib


def put(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def dc_step_jpeg(blocks, quant_bytes, quant):
    """A grey baseline JPEG of 8x8 blocks side by side, each with the DC step +32767 and no AC
    terms; table 0 filled with quant (8 or 16 bits), or left undefined when quant_bytes is 0."""
    out = bytearray(b"\xff\xd8")

    def segment(marker, body):
        out.extend(struct.pack(">BBH", 0xFF, marker, len(body) + 2) + bytes(body))

    if quant_bytes:
        segment(0xDB, bytes([(quant_bytes - 1) << 4]) +
                (struct.pack(">H", quant) if quant_bytes == 2 else bytes([quant])) * 64)
    segment(0xC0, struct.pack(">BHHBBBB", 8, 8, 8 * blocks, 1, 1, 0x11, 0))
    segment(0xC4, bytes([0x00, 1] + [0] * 15 + [15]))  # DC: the one code "0", category 15
    segment(0xC4, bytes([0x10, 1] + [0] * 15 + [0]))  # AC: the one code "0", end of block
    segment(0xDA, bytes([1, 1, 0x00, 0, 63, 0]))
    bits = ("0" + "1" * 15 + "0") * blocks
    bits += "1" * (-len(bits) % 8)
    for i in range(0, len(bits), 8):
        out.append(int(bits[i:i + 8], 2))
        if out[-1] == 0xFF:
            out.append(0)
    return bytes(out + b"\xff\xd9")


def rle_plane(plane):
    out, x = bytearray(), 0
    while x < len(plane):
        run = 1
        while x + run < len(plane) and run < 127 and plane[x + run] == plane[x]:
            run += 1
        if run >= 4:
            out += bytes([128 + run, plane[x]])
            x += run
        else:
            n = min(len(plane) - x, 3)
            out += bytes([n]) + bytes(plane[x:x + n])
            x += n
    return bytes(out)


def rgbe(width, height, rle, lines=(b"EXPOSURE=1.0",), switch=False):
    head = b"#?RADIANCE\n# seed\nFORMAT=32-bit_rle_rgbe\n" + b"".join(l + b"\n" for l in lines)
    head += b"\n-Y %d +X %d\n" % (height, width)
    pixels = [(x * 9 % 256, y * 40 % 256, (x + y) % 5, 128 + (x % 3)) for y in range(height)
              for x in range(width)]
    body = bytearray()
    for y in range(height):
        row = pixels[y * width:(y + 1) * width]
        if rle and not (switch and y == height - 1):
            body += bytes([2, 2, width >> 8, width & 255])
            for c in range(4):
                body += rle_plane([p[c] for p in row])
        elif switch:
            body += bytes([2, 2, 0x80, 130]) + b"".join(bytes(p) for p in row[1:])
        else:
            body += b"".join(bytes(p) for p in row)
    return head + bytes(body)


def bmp(width, height, top_down=False, gap=0):
    stride = (width * 3 + 3) & ~3
    offset = 54 + gap
    rows = b"".join(bytes((x * 50 + y) % 256 for x in range(width * 3)) + b"\0" *
                    (stride - width * 3) for y in range(height))
    head = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    head += struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, 24, 0,
                        len(rows), 2835, 2835, 0, 0)
    return head + b"\xee" * gap + rows


def tga(kind, bits, width, height, top_left, cmap=b"", cbits=0, ident=b""):
    count = len(cmap) // (cbits // 8) if cbits else 0
    head = struct.pack("<BBBHHBHHHHBB", len(ident), 1 if cmap else 0, kind, 0, count, cbits,
                       0, 0, width, height, bits, 0x20 if top_left else 0)
    size = width * height * bits // 8
    pixels = bytes((i * 7) % (count if kind == 1 else 256) for i in range(size))
    return head + ident + cmap + pixels


def png(width, height):
    raw = b"".join(b"\0" + bytes((x * 60 + y * 20) % 256 for x in range(width * 3))
                   for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                                               0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


put("corpus_rgbe", "rle_8x2.hdr", rgbe(8, 2, True))
put("corpus_rgbe", "rle_20x3_lines.hdr", rgbe(20, 3, True, (b"GAMMA=1", b"EXPOSURE=2")))
put("corpus_rgbe", "flat_5x2.hdr", rgbe(5, 2, False, ()))
put("corpus_rgbe", "switch_9x2.hdr", rgbe(9, 2, True, (), switch=True))

put("corpus_bmp", "bottom_up_3x2.bmp", bmp(3, 2))
put("corpus_bmp", "top_down_2x3.bmp", bmp(2, 3, top_down=True))
put("corpus_bmp", "gap_5x1.bmp", bmp(5, 1, gap=6))

put("corpus_tga", "rgb_bottom_3x2.tga", tga(2, 24, 3, 2, False, ident=b"id"))
put("corpus_tga", "rgba_top_2x2.tga", tga(2, 32, 2, 2, True))
put("corpus_tga", "grey_4x1.tga", tga(2, 8, 4, 1, False))
put("corpus_tga", "mapped_3x2.tga", tga(1, 8, 3, 2, False, bytes(range(12)), 24))

put("corpus_picture", "rgb_3x2.png", png(3, 2))
put("corpus_picture", "bottom_up_3x2.bmp", bmp(3, 2))
put("corpus_picture", "one_pixel.gif",
    b"GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\xff,\x00\x00\x00\x00\x01\x00"
    b"\x01\x00\x00\x02\x02D\x01\x00;")
# The decoder's DC times a 16-bit table overflows an int in the second block.
put("corpus_picture", "dc_overflow_16x8.jpg", dc_step_jpeg(2, 2, 65535))
# The frame names a quantisation table the file never defines.
put("corpus_picture", "undefined_table_8x8.jpg", dc_step_jpeg(1, 0, 0))
try:  # a baseline JPEG, when ImageMagick is at hand
    jpeg = subprocess.run(["convert", "-size", "8x8", "gradient:red-blue", "-strip",
                           "jpeg:-"], capture_output=True, check=True).stdout
    put("corpus_picture", "gradient_8x8.jpg", jpeg)
except (OSError, subprocess.CalledProcessError):
    pass
