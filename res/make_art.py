#!/usr/bin/env python3
"""Draws Tarnwick's artwork and writes it next to this script.

    Tarnwick.ico   program icon, 32x32, 32 bpp with alpha
    CloseData.ico  close-data button, 23x23, 24 bpp: red square, white cross
    Refresh.ico    refresh button, 16x16, 8 bpp: green circular arrow
    SaveData.ico   save-data button, 16x16, 24 bpp: blue diskette
    About.bmp      About box emblem, 82x88, 8 bpp with a 256-entry palette

Run:  python3 res/make_art.py   (standard library only; the output is the
same byte for byte on every run, and the generated files are committed so
the build never needs to run this).

The two small button icons are hand-drawn pixel grids; the program icon,
the emblem and the close icon are drawn from simple shapes with 8x8
supersampling.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def hexrgb(s):
    return (int(s[1:3], 16), int(s[3:5], 16), int(s[5:7], 16))


# ---------------------------------------------------------------- file formats

def _mask_rows(w, h, px):
    """AND mask, bottom-up, 1 = transparent, rows padded to 32 bits."""
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if px[y][x][3] < 128:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def _icon_image(w, h, bpp, px):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask.

    px is a list of rows (top first) of (r, g, b, a) tuples.
    """
    palette = b""
    xor = bytearray()
    if bpp == 8:
        colours = []
        for row in px:
            for p in row:
                c = p[:3] if p[3] >= 128 else (0, 0, 0)
                if c not in colours:
                    colours.append(c)
        assert len(colours) <= 256
        colours.sort()
        index = {c: i for i, c in enumerate(colours)}
        colours += [(0, 0, 0)] * (256 - len(colours))
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
        stride = (w + 3) & ~3
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                p = px[y][x]
                row[x] = index[p[:3] if p[3] >= 128 else (0, 0, 0)]
            xor += row
    elif bpp == 24:
        stride = (w * 3 + 3) & ~3
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                r, g, b, a = px[y][x]
                if a < 128:
                    r = g = b = 0
                row[x * 3:x * 3 + 3] = bytes((b, g, r))
            xor += row
    elif bpp == 32:
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = px[y][x]
                if a == 0:
                    r = g = b = 0
                xor += bytes((b, g, r, a))
    else:
        raise ValueError(bpp)
    mask = _mask_rows(w, h, px)
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + palette + bytes(xor) + mask


def write_ico(name, px, bpp):
    h = len(px)
    w = len(px[0])
    image = _icon_image(w, h, bpp, px)
    colour_count = 0 if bpp >= 8 else 1 << bpp
    data = struct.pack("<HHH", 0, 1, 1)
    data += struct.pack("<BBBBHHII", w, h, colour_count, 0, 1, bpp,
                        len(image), 6 + 16)
    data += image
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def write_bmp8(name, px):
    """An 8 bpp bitmap with a 256-entry palette built by median cut."""
    h = len(px)
    w = len(px[0])
    flat = [p[:3] for row in px for p in row]
    palette = median_cut(flat, 256)
    nearest = {}
    for c in set(flat):
        nearest[c] = min(range(len(palette)),
                         key=lambda i: (sum((a - b) ** 2 for a, b in zip(c, palette[i])), i))
    pal = palette + [(0, 0, 0)] * (256 - len(palette))
    stride = (w + 3) & ~3
    bits = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            row[x] = nearest[px[y][x][:3]]
        bits += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(bits),
                       2835, 2835, 256, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)
    offset = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(head + info + table + bytes(bits))


def median_cut(colours, n):
    """Deterministic median cut: at most n colours for the given pixels."""
    unique = sorted(set(colours))
    if len(unique) <= n:
        return unique
    counts = {}
    for c in colours:
        counts[c] = counts.get(c, 0) + 1
    boxes = [unique]
    while len(boxes) < n:
        best = None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[k] for c in box) - min(c[k] for c in box) for k in range(3)]
            score = max(spans) * sum(counts[c] for c in box)
            if best is None or score > best[0]:
                best = (score, i, spans.index(max(spans)))
        if best is None:
            break
        _, i, axis = best
        box = sorted(boxes.pop(i), key=lambda c: (c[axis], c))
        total = sum(counts[c] for c in box)
        run = 0
        cut = 1
        for j, c in enumerate(box):
            run += counts[c]
            if run * 2 >= total:
                cut = max(1, min(len(box) - 1, j + 1))
                break
        boxes.insert(i, box[cut:])
        boxes.insert(i, box[:cut])
    result = []
    for box in boxes:
        t = sum(counts[c] for c in box)
        result.append(tuple(int(round(sum(c[k] * counts[c] for c in box) / t))
                            for k in range(3)))
    return result


# ---------------------------------------------------------------- pixel grids

def from_grid(rows, colours):
    """Rows of characters to RGBA rows; '.' is transparent.

    A colour given as a pair is a diagonal gradient across the grid.
    """
    out = []
    for y, row in enumerate(rows):
        line = []
        for x, ch in enumerate(row):
            if ch == ".":
                line.append((0, 0, 0, 0))
            elif isinstance(colours[ch], tuple):
                a, b = (hexrgb(c) for c in colours[ch])
                t = (x + y) / (len(row) + len(rows) - 4)
                line.append(tuple(int(a[k] + (b[k] - a[k]) * t) for k in range(3)) + (255,))
            else:
                line.append(hexrgb(colours[ch]) + (255,))
        out.append(line)
    return out


# Drawn greyed (DrawState with DSS_DISABLED), a button keeps only its pure
# white pixels light and turns every other opaque pixel into one flat grey.
# So each small icon must still read as its object from its outline alone
# plus its pure white (#ffffff) parts: 'W' below is exactly white, and no
# other colour may be.

# A clockwise arrow: the arc runs from the tail just below three o'clock
# down, round the left and over the top into the head, which points right.
# The opening between head and tail is four pixels tall, the centre is
# open, and a white gloss on the upper left of the arc shows, greyed, as a
# light streak along the tube. 'G' is shaded along the diagonal, light at
# the top left.
REFRESH_ROWS = [
    ".........K......",
    ".........KK.....",
    "......KKKGGK....",
    "....KKWWGGGGK...",
    "...KWWGKKGGGGK..",
    "...KWGK..KGGK...",
    "..KWGK...KGK....",
    "..KGK....KK.....",
    "..KGK....K......",
    "..KGK.......KKK.",
    "..KGGK.....KGGK.",
    "...KGGK...KGGK..",
    "...KGGGKKKGGGK..",
    "....KKGGGGGKK...",
    "......KKKKK.....",
    "................",
]
REFRESH_COLOURS = {
    "K": "#17601c",                 # outline
    "G": ("#8fe07a", "#1f8a2a"),    # body, top left to bottom right
    "W": "#ffffff",                 # gloss
}

# A diskette with its top right corner cut off. The metal shutter and the
# label are white, kept off the outline by a border at least one pixel
# wide (two at the sides and under the label), so that greyed they show as
# two light panels: the shutter with its window, the label with its lines.
SAVE_ROWS = [
    "................",
    ".KKKKKKKKKKK....",
    ".KHBWWWWWWWSK...",
    ".KHBWWWWDDWSBK..",
    ".KHBWWWWDDWSBBK.",
    ".KHBWWWWDDWSBBK.",
    ".KHBSSSSSSSSBBK.",
    ".KHBBBBBBBBBBBK.",
    ".KHWWWWWWWWWWBK.",
    ".KHWRRRRRRRRWBK.",
    ".KHWWWWWWWWWWBK.",
    ".KHWRRRRRRRRWBK.",
    ".KHWWWWWWWWWWBK.",
    ".KHBBBBBBBBBBBK.",
    ".KKKKKKKKKKKKKK.",
    "................",
]
SAVE_COLOURS = {
    "K": "#122f6b",   # outline
    "B": "#2f6fd6",   # body
    "H": "#5d95ec",   # lit left edge of the body
    "W": "#ffffff",   # shutter and label
    "S": "#a9b6c9",   # shaded edge of the shutter
    "D": "#34405a",   # shutter window
    "R": "#9fb4d6",   # label ruling
}


def check_greyed_look(rows, colours):
    """Only 'W' may be pure white: any other white pixel would survive the
    greyed look by accident, and without 'W' nothing would."""
    white = (255, 255, 255)
    for key, colour in colours.items():
        ends = colour if isinstance(colour, tuple) else (colour,)
        assert (key == "W") == (hexrgb(ends[0]) == white), key
        assert all(hexrgb(c) != white for c in ends[1:]), key
    assert any("W" in row for row in rows)


# ---------------------------------------------------------------- shapes

def sd_box(x, y, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0), max(qy, 0))
    return outside + min(max(qx, qy), 0) - r


def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_segment(x, y, ax, ay, bx, by, r):
    px, py = x - ax, y - ay
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - dx * t, py - dy * t) - r


def render(w, h, layers, ss=8, transform=None):
    """Paints layers (sdf, paint) in order; paint(x, y) gives (r, g, b, a 0..1).

    transform maps pixel space to design space: (scale, ox, oy).
    Returns rows of (r, g, b, a) with a in 0..255 (straight alpha).
    """
    scale, ox, oy = transform or (1.0, 0.0, 0.0)
    out = []
    for j in range(h):
        row = []
        for i in range(w):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sj in range(ss):
                for si in range(ss):
                    x = (i + (si + 0.5) / ss - ox) / scale
                    y = (j + (sj + 0.5) / ss - oy) / scale
                    r = g = b = a = 0.0
                    for sdf, paint in layers:
                        if sdf(x, y) <= 0:
                            cr, cg, cb, ca = paint(x, y)
                            r = cr * ca + r * (1 - ca)
                            g = cg * ca + g * (1 - ca)
                            b = cb * ca + b * (1 - ca)
                            a = ca + a * (1 - ca)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = ss * ss
            a = acc[3] / n
            if a > 0:
                px = tuple(int(round(min(255, acc[k] / n / a))) for k in range(3))
            else:
                px = (0, 0, 0)
            row.append(px + (int(round(a * 255)),))
        out.append(row)
    return out


def flat(colour, alpha=1.0):
    c = hexrgb(colour)
    return lambda x, y: (c[0], c[1], c[2], alpha)


def vgrad(top, bottom, y0, y1, alpha=1.0):
    t0, b0 = hexrgb(top), hexrgb(bottom)

    def paint(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(t0[k] + (b0[k] - t0[k]) * t for k in range(3)) + (alpha,)
    return paint


# ---------------------------------------------------------------- the emblem
# Three rows of heap blocks under a magnifying glass, in a 32x32 design space.

BLOCK_ROWS = [
    # y0, y1, [(x0, x1, fill, edge)]
    (5, 11, [(1, 9, "#f2a531", "#a2620f"), (10, 24, "#3f80da", "#1d4a93")]),
    (13, 19, [(1, 15, "#2eab9c", "#13665c"), (16, 24, "#dde2e8", "#7f8996")]),
    (21, 27, [(1, 6, "#3f80da", "#1d4a93"), (7, 18, "#f2a531", "#a2620f"),
              (19, 24, "#2eab9c", "#13665c")]),
]

LENS = (18.0, 13.0, 8.0)      # centre x, centre y, outer radius of the rim
RIM = 2.0
HANDLE = (23.9, 18.9, 29.0, 24.0, 2.1)


def emblem_layers():
    layers = []
    for y0, y1, blocks in BLOCK_ROWS:
        for x0, x1, fill, edge in blocks:
            layers.append((lambda x, y, a=(x0, y0, x1, y1): sd_box(x, y, *a, 1.2), flat(edge)))
            layers.append((lambda x, y, a=(x0, y0, x1, y1): sd_box(x, y, a[0] + 1, a[1] + 1,
                                                                  a[2] - 1, a[3] - 1, 0.4),
                           flat(fill)))
            # a lit strip along the top of each block
            layers.append((lambda x, y, a=(x0, y0, x1, y1): sd_box(x, y, a[0] + 1, a[1] + 1,
                                                                  a[2] - 1, a[1] + 2, 0.0),
                           flat("#ffffff", 0.35)))
    cx, cy, r = LENS
    ax, ay, bx, by, hr = HANDLE
    layers.append((lambda x, y: sd_segment(x, y, ax, ay, bx, by, hr + 0.9), flat("#2a1a10")))
    layers.append((lambda x, y: sd_segment(x, y, ax, ay, bx, by, hr), vgrad("#b0603a", "#6d3219", ay, by)))
    layers.append((lambda x, y: sd_segment(x, y, ax + 1.6, ay + 1.6, bx, by, 0.6), flat("#ffffff", 0.25)))
    # glass: lightens what lies beneath, with a highlight in its upper left
    layers.append((lambda x, y: sd_circle(x, y, cx, cy, r - RIM), flat("#e8f6ff", 0.3)))
    layers.append((lambda x, y: max(sd_circle(x, y, cx, cy, r - RIM - 1.2),
                                    -sd_circle(x, y, cx + 1.3, cy + 1.3, r - RIM - 1.2)),
                   flat("#ffffff", 0.85)))
    # rim
    layers.append((lambda x, y: max(sd_circle(x, y, cx, cy, r), -sd_circle(x, y, cx, cy, r - RIM)),
                   vgrad("#6b7887", "#27303b", cy - r, cy + r)))
    return layers


def program_icon():
    return render(32, 32, emblem_layers())


def about_bitmap():
    w, h = 82, 88
    panel = [
        (lambda x, y: -1, flat("#8ea2b8")),
        (lambda x, y: sd_box(x, y, 1, 1, w - 1, h - 1, 0), vgrad("#ffffff", "#d3dfeb", 0, h)),
    ]
    img_panel = render(w, h, panel, ss=1)
    scale = 2.25
    art = render(w, h, emblem_layers(), ss=4,
                 transform=(scale, (w - 32 * scale) / 2, (h - 32 * scale) / 2))
    out = []
    for prow, arow in zip(img_panel, art):
        line = []
        for p, q in zip(prow, arow):
            a = q[3] / 255
            line.append(tuple(int(round(q[k] * a + p[k] * (1 - a))) for k in range(3)) + (255,))
        out.append(line)
    return out


def close_icon():
    n = 23
    x0, x1 = 1.5, 21.5
    layers = [
        (lambda x, y: sd_box(x, y, x0, x0, x1, x1, 3.5), flat("#7c0f0f")),
        (lambda x, y: sd_box(x, y, x0 + 1.2, x0 + 1.2, x1 - 1.2, x1 - 1.2, 2.4),
         vgrad("#f0594f", "#c01b17", x0, x1)),
        (lambda x, y: sd_segment(x, y, 7.5, 7.5, 15.5, 15.5, 1.75), flat("#ffffff")),
        (lambda x, y: sd_segment(x, y, 15.5, 7.5, 7.5, 15.5, 1.75), flat("#ffffff")),
    ]
    px = render(n, n, layers)
    # 24 bpp has no alpha: edge pixels are either in or out.
    return [[p[:3] + (255 if p[3] >= 128 else 0,) for p in row] for row in px]


def main():
    write_ico("Tarnwick.ico", program_icon(), 32)
    write_ico("CloseData.ico", close_icon(), 24)
    for rows, colours in ((REFRESH_ROWS, REFRESH_COLOURS), (SAVE_ROWS, SAVE_COLOURS)):
        check_greyed_look(rows, colours)
    write_ico("Refresh.ico", from_grid(REFRESH_ROWS, REFRESH_COLOURS), 8)
    write_ico("SaveData.ico", from_grid(SAVE_ROWS, SAVE_COLOURS), 24)
    write_bmp8("About.bmp", about_bitmap())


if __name__ == "__main__":
    main()
