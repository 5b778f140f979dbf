#!/usr/bin/env python3
"""Converts the 32-bit top-down BMP that dialog_host saves into a PNG (RGB), with zlib only.
Usage: bmp_to_png.py IN.bmp OUT.png
"""
import struct
import sys
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main(source, target):
    with open(source, "rb") as stream:
        bmp = stream.read()
    offset = struct.unpack_from("<I", bmp, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", bmp, 18)
    if bits != 32:
        sys.exit(f"{source}: {bits}-bit pictures are not handled")
    rows = []
    for y in range(abs(height)):
        row_index = y if height < 0 else abs(height) - 1 - y
        start = offset + row_index * width * 4
        pixels = bmp[start:start + width * 4]
        rgb = bytearray(b"\0")  # filter: none
        for x in range(width):
            blue, green, red = pixels[4 * x:4 * x + 3]
            rgb += bytes((red, green, blue))
        rows.append(bytes(rgb))
    header = struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    with open(target, "wb") as stream:
        stream.write(png)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
