#!/usr/bin/env python3
"""Draws Vantrel's icons and button glyphs and writes them into resources/.

    python3 tools/make_icons.py [OUTPUT_DIR]

Standard library only, and the output is byte-for-byte reproducible, so the
generated files are committed and the build never needs Python.

Every shape is an exact test on the pixel centre (no anti-aliasing): icons
that are 16 colours or have a 1-bit mask cannot hold soft edges anyway, and
hard edges keep the small sizes sharp.  Geometry is recomputed per size and
snapped to pixel centres, so one-pixel strokes land on whole pixels; 16 px
gets its own hand-tuned layout because the scaled one turns to mush there.
"""

import math
import os
import struct
import sys
import zlib

# The standard VGA palette in the order Windows uses for 16-colour bitmaps.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


# ---------------------------------------------------------------- raster

class Canvas:
    """Square or rectangular grid of (r, g, b, a) tuples, None = transparent."""

    def __init__(self, width, height=None, fill=None):
        self.w = width
        self.h = width if height is None else height
        self.px = [fill] * (self.w * self.h)

    def get(self, x, y):
        return self.px[y * self.w + x]

    def paint(self, inside, colour, only_opaque=False):
        """Sets every pixel whose centre passes `inside`.  `colour` may be a
        function of the centre so a shape can carry its own shading."""
        for y in range(self.h):
            for x in range(self.w):
                cx, cy = x + 0.5, y + 0.5
                if not inside(cx, cy):
                    continue
                i = y * self.w + x
                if only_opaque and self.px[i] is None:
                    continue
                c = colour(cx, cy) if callable(colour) else colour
                self.px[i] = None if c is None else rgba(c)


def rgba(c):
    return c if len(c) == 4 else (c[0], c[1], c[2], 255)


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in < (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def arc(cx, cy, r_out, r_in, gap_deg):
    """A ring open at the top by `gap_deg` degrees (the power symbol's C)."""
    in_ring = ring(cx, cy, r_out, r_in)
    half = math.radians(gap_deg) / 2

    def inside(x, y):
        if not in_ring(x, y):
            return False
        from_up = abs(math.atan2(x - cx, cy - y))
        return from_up > half
    return inside


def segment(x1, y1, x2, y2, half_width):
    """A stroke with round ends: every centre within half_width of the segment."""
    dx, dy = x2 - x1, y2 - y1
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = 0.0 if length2 == 0 else ((x - x1) * dx + (y - y1) * dy) / length2
        t = min(1.0, max(0.0, t))
        px, py = x1 + t * dx, y1 + t * dy
        # The small slack keeps a stroke centred on a pixel row exactly as
        # wide as asked instead of losing pixels to rounding.
        return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width + 1e-9
    return inside


def either(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def snap(v):
    """The centre of the pixel containing v, so odd-width strokes are crisp."""
    return math.floor(v) + 0.5


def odd(v):
    """Nearest odd pixel width, at least 1: an odd stroke centred on a pixel
    centre covers whole pixels on both sides."""
    return max(1, 2 * int(round((v - 1) / 2)) + 1)


def lighter(c, amount):
    return tuple(min(255, int(round(v + (255 - v) * amount))) for v in c[:3])


def darker(c, amount):
    return tuple(int(round(v * (1 - amount))) for v in c[:3])


# ---------------------------------------------------------------- themes

# Each role has a true-colour value and the VGA colour used in 16-colour
# images.  The VGA choices are picked by hand rather than by nearest colour,
# because the nearest VGA match of a mid blue or green is often grey.
THEMES = {
    "MAINICON": {
        "bezel": ((28, 98, 206), BLUE),
        "face": ((255, 255, 255), WHITE),
        "tick": ((70, 78, 96), GRAY),
        "hand": ((28, 34, 52), BLACK),
        "cap": ((222, 44, 36), RED),
        "badge": ((238, 112, 24), RED),
        "badge_rim": ((255, 255, 255), WHITE),
        "symbol": ((255, 255, 255), WHITE),
        "slash": None,
    },
    "ENASHUT": {
        "bezel": ((22, 138, 58), GREEN),
        "face": ((255, 255, 255), WHITE),
        "tick": ((70, 84, 72), GRAY),
        "hand": ((24, 40, 28), BLACK),
        "cap": ((22, 138, 58), GREEN),
        "badge": ((38, 176, 64), GREEN),
        "badge_rim": ((255, 255, 255), WHITE),
        "symbol": ((255, 255, 255), WHITE),
        "slash": None,
    },
    "DISSHUT": {
        "bezel": ((128, 128, 128), GRAY),
        "face": ((218, 218, 218), SILVER),
        "tick": ((150, 150, 150), GRAY),
        "hand": ((110, 110, 110), GRAY),
        "cap": ((110, 110, 110), GRAY),
        "badge": ((140, 140, 140), GRAY),
        "badge_rim": ((240, 240, 240), WHITE),
        "symbol": ((240, 240, 240), WHITE),
        "slash": ((214, 28, 28), RED),
    },
}


def theme_colours(name, vga):
    return {role: (None if v is None else (VGA[v[1]] if vga else v[0]))
            for role, v in THEMES[name].items()}


# ---------------------------------------------------------------- icon

def draw_icon(n, name, vga):
    col = theme_colours(name, vga)
    canvas = Canvas(n)
    if n <= 16:
        draw_small(canvas, col)
    else:
        draw_large(canvas, col, shaded=not vga)
    return canvas


def power_symbol(canvas, cx, cy, r_mid, stroke, colour):
    half = stroke / 2
    canvas.paint(arc(cx, cy, r_mid + half, r_mid - half, 80), colour)
    canvas.paint(segment(cx, cy - r_mid - half + 0.5, cx, cy - 0.2 * r_mid, half),
                 colour)


def draw_large(canvas, col, shaded):
    n = canvas.w
    c = snap(0.42 * n)
    r = 0.405 * n
    bezel = max(2.0, 0.08 * n)
    face = r - bezel

    if shaded:
        # Light from the top left: a cheap depth cue that survives the lack
        # of anti-aliasing because it is a hard split, not a gradient.
        base = col["bezel"]
        bezel_colour = (lambda x, y: lighter(base, 0.22) if x + y < 2 * c
                        else darker(base, 0.12))
    else:
        bezel_colour = col["bezel"]
    canvas.paint(disc(c, c, r), bezel_colour)
    canvas.paint(disc(c, c, face), col["face"])

    # Hour marks: long at 12, 3, 6 and 9; dots for the others once there is
    # room for them.
    tick_w = odd(0.045 * n)
    tick_len = max(2.0, 0.13 * face)
    for k in range(12):
        a = math.radians(30 * k)
        sx, sy = math.sin(a), -math.cos(a)
        outer = face - max(1.0, 0.06 * face)
        if k % 3 == 0:
            canvas.paint(segment(c + sx * outer, c + sy * outer,
                                 c + sx * (outer - tick_len), c + sy * (outer - tick_len),
                                 tick_w / 2 - 0.01), col["tick"])
        elif n >= 32:
            canvas.paint(disc(c + sx * (outer - 0.5), c + sy * (outer - 0.5),
                              max(0.75, 0.022 * n)), col["tick"])

    # Minute hand straight up, hour hand at 45 degrees: without anti-aliasing
    # any other angle gives ragged steps.
    minute_w = odd(0.055 * n)
    hour_w = odd(0.075 * n)
    canvas.paint(segment(c, c, c, c - 0.78 * face, minute_w / 2), col["hand"])
    h = 0.52 * face / math.sqrt(2)
    canvas.paint(segment(c, c, c - h, c - h, hour_w / 2), col["hand"])
    canvas.paint(disc(c, c, max(1.0, 0.05 * n)), col["cap"])

    # Power badge at the bottom right, ringed so it reads as a separate disc
    # where it overlaps the clock.
    b = snap(0.73 * n)
    rb = 0.255 * n
    rim = max(1.0, 0.045 * n)
    canvas.paint(disc(b, b, rb + rim), col["badge_rim"])
    if shaded:
        base = col["badge"]
        badge_colour = (lambda x, y: lighter(base, 0.15) if x + y < 2 * b
                        else base)
    else:
        badge_colour = col["badge"]
    canvas.paint(disc(b, b, rb), badge_colour)
    power_symbol(canvas, b, b, 0.52 * rb, odd(0.2 * rb), col["symbol"])

    if col["slash"] is not None:
        w = max(3.0, 0.12 * n)
        edge = max(1.0, 0.03 * n)
        # Rising from bottom left to top right it crosses the clock between
        # its centre and the badge, so the hands and the power symbol stay
        # readable under it.
        line = (0.87 * n, 0.13 * n, 0.13 * n, 0.87 * n)
        # A light edge keeps the slash apart from the grey drawing beneath,
        # but only over the drawing, so no stray pixels appear in the corners.
        canvas.paint(segment(*line, w / 2 + edge), col["badge_rim"], only_opaque=True)
        canvas.paint(segment(*line, w / 2), col["slash"])


def draw_small(canvas, col):
    # Hand-placed for 16 px: a 13-pixel clock with one-pixel hands, and a
    # 9-pixel badge whose power symbol is one pixel thick.
    c = 6.5
    canvas.paint(disc(c, c, 6.6), col["bezel"])
    canvas.paint(disc(c, c, 5.3), col["face"])
    canvas.paint(segment(c, c, c, 2.5, 0.5), col["hand"])
    canvas.paint(segment(c, c, 3.5, 3.5, 0.5), col["hand"])
    canvas.paint(disc(c, c, 0.5), col["cap"])

    b = 11.5
    canvas.paint(disc(b, b, 5.6), col["badge_rim"])
    canvas.paint(disc(b, b, 4.6), col["badge"])
    # Seven pixels are too few for a computed arc to read as a power symbol
    # (it came out as a down arrow), so it is placed pixel by pixel.
    for row, bits in enumerate(POWER_7):
        for column, bit in enumerate(bits):
            if bit == "#":
                x, y = 8 + column, 8 + row
                canvas.px[y * canvas.w + x] = rgba(col["symbol"])

    if col["slash"] is not None:
        line = (14.5, 1.5, 1.5, 14.5)
        canvas.paint(segment(*line, 1.45), col["badge_rim"], only_opaque=True)
        canvas.paint(segment(*line, 0.75), col["slash"])


POWER_7 = (
    "...#...",
    ".#.#.#.",
    "#..#..#",
    "#..#..#",
    "#.....#",
    ".#...#.",
    "..###..",
)


# ---------------------------------------------------------------- ICO

def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def pack_rows(canvas, bpp, index_of):
    """XOR bitmap, bottom-up, each row padded to a 4-byte boundary."""
    out = bytearray()
    stride = row_bytes(canvas.w, bpp)
    for y in reversed(range(canvas.h)):
        row = bytearray()
        pixels = [canvas.get(x, y) for x in range(canvas.w)]
        if bpp == 4:
            for x in range(0, canvas.w, 2):
                hi = index_of(pixels[x])
                lo = index_of(pixels[x + 1]) if x + 1 < canvas.w else 0
                row.append((hi << 4) | lo)
        elif bpp == 8:
            row.extend(index_of(p) for p in pixels)
        elif bpp == 24:
            for p in pixels:
                r, g, b = (0, 0, 0) if p is None else p[:3]
                row.extend((b, g, r))
        elif bpp == 32:
            for p in pixels:
                r, g, b, a = (0, 0, 0, 0) if p is None else p
                row.extend((b, g, r, a))
        row.extend(b"\0" * (stride - len(row)))
        out.extend(row)
    return bytes(out)


def and_mask(canvas):
    """1 where transparent, so programs that ignore alpha still see the shape."""
    out = bytearray()
    stride = row_bytes(canvas.w, 1)
    for y in reversed(range(canvas.h)):
        row = bytearray(stride)
        for x in range(canvas.w):
            p = canvas.get(x, y)
            if p is None or p[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        out.extend(row)
    return bytes(out)


def palette_index(palette):
    lookup = {c: i for i, c in enumerate(palette)}

    def index_of(p):
        if p is None:
            return 0
        try:
            return lookup[p[:3]]
        except KeyError:
            raise ValueError("colour %r is not in the palette" % (p[:3],))
    return index_of


def ico_image(canvas, bpp):
    n = canvas.w
    if bpp == 4:
        palette = list(VGA)
    elif bpp == 8:
        # The image's own colours: without anti-aliasing there are only a
        # handful, so the 256-colour image is exact.  Black first so the
        # transparent pixels (index 0) are black, as the mask expects.
        used = sorted({p[:3] for p in canvas.px if p is not None} - {(0, 0, 0)})
        palette = [(0, 0, 0)] + used
        if len(palette) > 256:
            raise ValueError("too many colours for an 8-bit image")
        palette += [(0, 0, 0)] * (256 - len(palette))
    else:
        palette = []
    xor = pack_rows(canvas, bpp, palette_index(palette) if palette else None)
    mask = and_mask(canvas)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + pal + xor + mask


# 32-bit images this size and larger are stored as PNG, which Windows reads
# in icons since Vista; as bitmaps they would be most of MAINICON.  Windows
# XP never asks for an icon larger than 48 pixels, so it only ever picks the
# bitmap images.  24-bit images stay bitmaps: a 24-bit PNG can mark its
# transparent pixels only with a key colour, which icon readers ignore (Wine
# draws the key colour), while the bitmap's mask is honoured everywhere.
PNG_FROM = 64


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png_image(canvas):
    """An RGBA PNG of a 32-bit image."""
    raw = bytearray()
    for y in range(canvas.h):
        raw.append(0)  # no filter: flat drawings compress well as they are
        for x in range(canvas.w):
            p = canvas.get(x, y)
            raw.extend((0, 0, 0, 0) if p is None else p)
    header = struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def write_ico(path, images):
    """images: list of (canvas, bpp, encoded image), written in order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for canvas, bpp, data in images:
        size = canvas.w if canvas.w < 256 else 0
        colours = 16 if bpp == 4 else 0
        directory += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp,
                                 len(data), offset)
        offset += len(data)
        body += data
    with open(path, "wb") as f:
        f.write(directory + body)
    return images


def write_icon_group(path, entries, ids):
    """An RT_GROUP_ICON directory naming already-compiled RT_ICON images by
    number, so one image can serve several entries and several names.  The
    resource compiler numbers the images of the ICON statements 1, 2, 3 ...
    across the script in file order, which is what `ids` relies on."""
    data = struct.pack("<HHH", 0, 1, len(entries))
    for (canvas, bpp, image), number in zip(entries, ids):
        size = canvas.w if canvas.w < 256 else 0
        colours = 16 if bpp == 4 else 0
        data += struct.pack("<BBBBHHIH", size, size, colours, 0, 1, bpp,
                            len(image), number)
    with open(path, "wb") as f:
        f.write(data)


def encode(canvas, bpp):
    if canvas.w >= PNG_FROM and bpp == 32:
        return png_image(canvas)
    return ico_image(canvas, bpp)


def write_icon(out_dir, name, first_id):
    """Writes NAME.ico with each distinct image once and NAME.grp, the
    group of all 17 entries in order, pointing at those images; returns the
    number of images stored."""
    entries = [(canvas, bpp, encode(canvas, bpp)) for canvas, bpp in icon_entries(name)]
    unique, ids = [], []
    for canvas, bpp, image in entries:
        key = (canvas.w, bpp, image)
        match = [k for k, u in enumerate(unique) if (u[0].w, u[1], u[2]) == key]
        if not match:
            unique.append((canvas, bpp, image))
            match = [len(unique) - 1]
        ids.append(first_id + match[0])
    write_ico(os.path.join(out_dir, name + ".ico"), unique)
    write_icon_group(os.path.join(out_dir, name + ".grp"), entries, ids)
    return len(unique)


def icon_entries(name):
    low = [(draw_icon(n, name, vga=True), 4) for n in (48, 32, 24, 16)]
    if name == "MAINICON":
        mid = [(draw_icon(n, name, vga=False), 8) for n in (48, 32, 24, 16)]
        high_bpp = 32
    else:
        mid = [(draw_icon(n, name, vga=False), 24) for n in (48, 32, 24, 16)]
        high_bpp = 24
    # 20 pixels: the small icon and the tray at 120 DPI.
    high = [(draw_icon(n, name, vga=False), high_bpp)
            for n in (128, 96, 72, 64, 48, 32, 24, 20, 16)]
    return low + mid + high


# ---------------------------------------------------------------- glyphs

GLYPH = 18
# Olive is the transparent colour: the button code takes it from the
# bottom-left pixel, so no glyph may use olive anywhere else.
TRANSPARENT = VGA[OLIVE]


def glyph_act(canvas):
    # A green power symbol drawn as a tube (dark edge, light core), the same
    # build as the cancel cross so the two buttons look like a pair.
    # Radii stay off whole numbers so the ring has no one-pixel bumps where
    # it crosses the axes.
    c, cy = 8.5, 10.0
    canvas.paint(arc(c, cy, 6.9, 3.1, 70), VGA[GREEN])
    canvas.paint(segment(c, 2.5, c, cy - 1.5, 1.5), VGA[GREEN])
    canvas.paint(arc(c, cy, 5.9, 4.1, 100), VGA[LIME])
    canvas.paint(segment(c, 3.0, c, cy - 2.5, 0.5), VGA[LIME])


def glyph_cancel(canvas):
    a, z = 3.5, 13.5
    cross = either(segment(a, a, z, z, 2.3), segment(z, a, a, z, 2.3))
    core = either(segment(a, a, z, z, 1.45), segment(z, a, a, z, 1.45))
    canvas.paint(cross, VGA[MAROON])
    canvas.paint(core, VGA[RED])


def disabled_from(normal):
    """The classic embossed look: the shape in grey over a white copy moved one
    pixel down and right."""
    out = Canvas(GLYPH, GLYPH, rgba(TRANSPARENT))
    shape = {(x, y) for y in range(GLYPH) for x in range(GLYPH)
             if normal.get(x, y) != rgba(TRANSPARENT)}
    for x, y in shape:
        if x + 1 < GLYPH and y + 1 < GLYPH - 1:
            out.px[(y + 1) * GLYPH + x + 1] = rgba(VGA[WHITE])
    for x, y in shape:
        out.px[y * GLYPH + x] = rgba(VGA[GRAY])
    return out


def glyph_strip(draw):
    normal = Canvas(GLYPH, GLYPH, rgba(TRANSPARENT))
    draw(normal)
    disabled = disabled_from(normal)
    strip = Canvas(2 * GLYPH, GLYPH)
    for y in range(GLYPH):
        for x in range(GLYPH):
            strip.px[y * strip.w + x] = normal.get(x, y)
            strip.px[y * strip.w + GLYPH + x] = disabled.get(x, y)
    if strip.get(0, GLYPH - 1) != rgba(TRANSPARENT):
        raise ValueError("the bottom-left pixel must be the transparent colour")
    for half in (normal, disabled):
        for y in range(GLYPH):
            for x in range(GLYPH):
                p = half.get(x, y)
                if p != rgba(TRANSPARENT) and p[:3] == TRANSPARENT:
                    raise ValueError("olive is reserved for transparency")
    return strip


def write_bmp4(path, canvas):
    xor = pack_rows(canvas, 4, palette_index(VGA))
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    offset = 14 + 40 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 4, 0,
                       len(xor), 2835, 2835, 16, 16)
    head = struct.pack("<2sIHHI", b"BM", offset + len(xor), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + pal + xor)


# ---------------------------------------------------------------- main

def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = argv[1] if len(argv) > 1 else os.path.join(here, "..", "resources")
    os.makedirs(out_dir, exist_ok=True)
    # Each icon file holds its distinct images; the group beside it lists
    # all 17 entries.  ENASHUT and DISSHUT draw their 48 to 16 pixel 24-bit
    # images twice in the list, and the group points both entries at one
    # stored image.  Ids follow the ICON statements' order in Vantrel.rc.
    next_id = 1
    for name in ("MAINICON", "ENASHUT", "DISSHUT"):
        next_id += write_icon(out_dir, name, next_id)
    write_bmp4(os.path.join(out_dir, "glyph_act.bmp"), glyph_strip(glyph_act))
    write_bmp4(os.path.join(out_dir, "glyph_cancel.bmp"), glyph_strip(glyph_cancel))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
