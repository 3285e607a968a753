#!/usr/bin/env python3
"""Checks where the texts of an SVG figure fall.

Usage: svgtext.py FILE. Parses FILE as XML (a parse error ends it), takes
every <text> element's box from its x, y, font-size, font-weight,
text-anchor and a rotate(-90 x y) transform, and reports each box that
leaves the page (the viewBox) and each pair of boxes that overlap. A line
is as wide as DejaVu Sans Book draws it at most (Bold 12% wider), by
character classes; it stands from 0.8 of its size above the baseline to 0.2
below. Prints "texts N" and exits 0 when all is well, else prints the
faults and exits 1.
"""
import re
import sys
import xml.etree.ElementTree as ET

NS = "{http://www.w3.org/2000/svg}"
ISOLATES = "\u2066\u2067\u2068\u2069"


def share(c):
    if c in ISOLATES:
        return 0.0
    if ord(c) >= 0x80 or ord(c) < 0x20 or c == "\x7f":
        return 1.0
    if c in " ijlI.,:;'|":
        return 0.36
    if c in "mwMW%@":
        return 1.0
    if c in "=<>+#~^&":
        return 0.84
    if "A" <= c <= "Z":
        return 0.8
    return 0.64


def boxes(root):
    size0 = float(root.get("font-size", "12"))
    for el in root.iter(NS + "text"):
        text = "".join(el.itertext())
        size = float(el.get("font-size", size0))
        width = sum(share(c) for c in text) * size * (1.12 if el.get("font-weight") == "bold" else 1.0)
        x, y = float(el.get("x")), float(el.get("y"))
        anchor = el.get("text-anchor", "start")
        start = x - (width if anchor == "end" else width / 2 if anchor == "middle" else 0.0)
        left, right, top, bottom = start, start + width, y - 0.8 * size, y + 0.2 * size
        turn = re.fullmatch(r"rotate\(-90 ([-0-9.]+) ([-0-9.]+)\)", el.get("transform", ""))
        if el.get("transform") and not turn:
            raise SystemExit("cannot place transform " + el.get("transform"))
        if turn:
            cx, cy = float(turn.group(1)), float(turn.group(2))
            # (x, y) turns to (cx + (y - cy), cy - (x - cx)).
            left, right, top, bottom = cx + (top - cy), cx + (bottom - cy), cy - (right - cx), cy - (left - cx)
        yield (left, top, right, bottom, text)


def main(path):
    root = ET.parse(path).getroot()
    _, _, pagewidth, pageheight = (float(v) for v in root.get("viewBox").split())
    found = sorted(boxes(root))
    faults = []
    for b in found:
        if b[0] < 0 or b[1] < 0 or b[2] > pagewidth or b[3] > pageheight:
            faults.append("off the page %.0fx%.0f: %r at %.1f %.1f %.1f %.1f" % (pagewidth, pageheight, b[4], *b[:4]))
    # Sorted by left edge: each box meets only those that start before it ends.
    for k, a in enumerate(found):
        for b in found[k + 1:]:
            if b[0] >= a[2] - 0.01:
                break
            if b[1] < a[3] - 0.01 and a[1] < b[3] - 0.01 and b[0] < a[2] - 0.01:
                faults.append("overlap: %r and %r" % (a[4], b[4]))
    for f in faults[:20]:
        print(f)
    print("texts %d, faults %d" % (len(found), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
