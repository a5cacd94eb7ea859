"""Packs 32x32 RGBA pixels into a Windows .ico: one 32-bit image with its 1-bit mask.

Usage: pack_icon.py IN.rgba OUT.ico
"""
import struct
import sys

SIZE = 32


def main():
    rgba = open(sys.argv[1], "rb").read()
    if len(rgba) != SIZE * SIZE * 4:
        sys.exit("want 32x32 RGBA pixels")
    rows = [rgba[y * SIZE * 4:(y + 1) * SIZE * 4] for y in range(SIZE)]
    colour = b""
    mask = b""
    for row in reversed(rows):  # a DIB is stored bottom-up
        for x in range(SIZE):
            r, g, b, a = row[x * 4:x * 4 + 4]
            colour += bytes((b, g, r, a))
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x * 4 + 3] == 0 else 0)
        mask += struct.pack(">I", bits)  # 32 pixels fill a 4-byte row exactly
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(colour) + len(mask),
                       0, 0, 0, 0)
    image = info + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    open(sys.argv[2], "wb").write(directory + entry + image)


main()
