"""Rewrites a PNG with exactly the chunks IHDR, sRGB, gAMA, pHYs, IDAT, IEND.

The pixels are re-encoded from the decoded image data so the result depends only on them.
Usage: png_chunks.py [--keep-alpha] IN.png OUT.png
"""
import struct
import sys
import zlib


def chunks(data):
    offset = 8
    while offset < len(data):
        length, kind = struct.unpack(">I4s", data[offset:offset + 8])
        yield kind, data[offset + 8:offset + 8 + length]
        offset += 12 + length


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def main():
    args = sys.argv[1:]
    keep_alpha = args[0] == "--keep-alpha"
    source, target = args[-2], args[-1]
    data = open(source, "rb").read()
    header = None
    pixels = b""
    for kind, body in chunks(data):
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            pixels += body
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", header)
    expected = 6 if keep_alpha else 2
    if depth != 8 or colour != expected or interlace != 0:
        sys.exit(f"{source}: want 8-bit colour type {expected}, not interlaced")
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", header)
    out += chunk(b"sRGB", b"\x00")
    out += chunk(b"gAMA", struct.pack(">I", 45455))
    out += chunk(b"pHYs", struct.pack(">IIB", 4724, 4724, 1))
    out += chunk(b"IDAT", zlib.compress(zlib.decompress(pixels), 9))
    out += chunk(b"IEND", b"")
    open(target, "wb").write(out)


main()
