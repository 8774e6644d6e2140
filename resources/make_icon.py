#!/usr/bin/env python3
"""Writes the program icon: nine images from the RGBA artwork in ART_DIR (iconN.rgba).

  48x48 at 4 bits; 48x48, 32x32, 16x16 at 8 bits; 128x128, 48x48, 32x32, 16x16 at 32 bits;
  32x32 monochrome.  Usage: make_icon.py ART_DIR OUT.ico
"""
import struct
import sys

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PALETTE256 = CUBE + [(v * 255 // 39,) * 3 for v in range(40)]
MONO = [(0, 0, 0), (255, 255, 255)]


def load(art, size):
    data = open(f"{art}/icon{size}.rgba", "rb").read()
    assert len(data) == size * size * 4
    return [tuple(data[i:i + 4]) for i in range(0, len(data), 4)]


def nearest(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)))


def padded(row):
    return row + b"\0" * (-len(row) % 4)


def pack_bits(values, bits):
    out, acc, n = bytearray(), 0, 0
    for v in values:
        acc = (acc << bits) | v
        n += bits
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def dib(pixels, size, bits):
    """BITMAPINFOHEADER, palette, XOR image and AND mask, rows bottom-up."""
    palette = {4: VGA16, 8: PALETTE256, 1: MONO}.get(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0,
                         len(palette) if palette else 0, 0)
    body = bytearray(header)
    if palette:
        for r, g, b in palette:
            body += bytes((b, g, r, 0))
    # Transparent pixels draw as black in the XOR image and are masked out by AND.
    rows = [pixels[y * size:(y + 1) * size] for y in range(size)][::-1]
    for row in rows:
        if bits == 32:
            body += b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
        else:
            def blend(p):
                r, g, b, a = p
                return (r * a // 255, g * a // 255, b * a // 255)
            if bits == 1:
                idx = [1 if sum(blend(p)) > 3 * 128 else 0 for p in row]
            else:
                idx = [nearest(palette, blend(p)) for p in row]
            body += padded(pack_bits(idx, bits))
    for row in rows:
        body += padded(pack_bits([0 if p[3] >= 128 else 1 for p in row], 1))
    return bytes(body)


def main():
    art, out = sys.argv[1], sys.argv[2]
    images = [(48, 4), (48, 8), (32, 8), (16, 8), (128, 32), (48, 32), (32, 32), (16, 32), (32, 1)]
    blobs = [dib(load(art, size), size, bits) for size, bits in images]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for (size, bits), blob in zip(images, blobs):
        colours = {4: 16, 1: 2}.get(bits, 0)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    with open(out, "wb") as f:
        f.write(header + entries + b"".join(blobs))


if __name__ == "__main__":
    main()
