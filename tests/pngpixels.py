#!/usr/bin/env python3
"""Counts the pixels of a PNG that are not background.

Prints "<width> <height> <not white> <red>": not white is any pixel that is
visibly darker than white; red is a strongly red one (the figure's marked
pairs). Decodes 8-bit RGB and RGBA images, the forms an SVG renderer writes.
"""
import struct
import sys
import zlib


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("not a PNG: " + path)
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if depth != 8 or colour not in (2, 6):
        raise SystemExit("unsupported PNG form: depth %d colour %d" % (depth, colour))
    bpp = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        f = raw[at]
        line = bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif f == 4:
                line[i] = (line[i] + paeth(a, b, c)) & 255
        rows.append(line)
        prev = line
    return width, height, bpp, rows


def main():
    width, height, bpp, rows = decode(sys.argv[1])
    dark = red = 0
    for line in rows:
        for x in range(width):
            r, g, b = line[x * bpp], line[x * bpp + 1], line[x * bpp + 2]
            alpha = line[x * bpp + 3] if bpp == 4 else 255
            if alpha < 128:
                continue
            if min(r, g, b) < 200:
                dark += 1
            if r > 150 and g < 90 and b < 90:
                red += 1
    print(width, height, dark, red)


main()
