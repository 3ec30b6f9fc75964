#!/usr/bin/env python3
"""Writes Kelvara's binary resources (meter animations, bitmaps, icon, skin
block) into res/.

The outputs are committed so that building needs no image tools; rerun this
script after changing it. Output is byte-for-byte deterministic: no clocks,
no hash-order dependence, and the skin filler comes from a fixed LCG rather
than the random module, whose algorithms may change between Python releases.

Usage (from the repository root):  python3 tools/make_art.py
"""

import os
import struct
import sys

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES_DIR = os.path.join(REPO_ROOT, "res")

# ---------------------------------------------------------------------------
# Meter animation geometry and timing
# ---------------------------------------------------------------------------

METER_W, METER_H = 200, 27
BAR_Y, BAR_H = 5, 17
BAR_XS = (8, 19, 31, 44, 56, 68, 81, 93, 106, 118, 130, 143, 155, 168)
# A two-pixel gap between neighbours keeps every bar 9 to 11 pixels wide
# despite the uneven spacing; the last bar has no neighbour, so it just
# takes a typical width.
BAR_GAP = 2
LAST_BAR_W = 10
BAR_WIDTHS = tuple(b - a - BAR_GAP for a, b in zip(BAR_XS, BAR_XS[1:])) + (LAST_BAR_W,)

# Hundredths of a second per frame, slowest (level1) to fastest (level6).
LEVEL_DELAYS = (312, 187, 62, 31, 12, 6)

DISPOSE_KEEP = 1      # leave the frame in place: the bars accumulate
DISPOSE_RESTORE_BG = 2

# The sunken well the bars sit in, drawn 3-D like a classic Win32 control.
PANEL = (3, 2, 194, 23)   # x, y, w, h

# 16-colour palette shared by all meter GIFs.
C_BLACK, C_FACE, C_SHADOW, C_HILITE, C_WELL, C_SLOT = range(6)
C_GRADIENT = tuple(range(6, 14))   # green -> yellow -> red
C_IDLE_WELL, C_IDLE_SLOT = 14, 15
METER_PALETTE = (
    (0, 0, 0),
    (212, 208, 200),     # Windows button face
    (128, 128, 128),
    (255, 255, 255),
    (40, 40, 40),
    (80, 80, 80),
    (0, 200, 0),
    (80, 215, 0),
    (160, 225, 0),
    (230, 230, 0),
    (255, 200, 0),
    (255, 140, 0),
    (255, 80, 0),
    (230, 20, 0),
    (112, 112, 112),
    (160, 160, 160),
)

# ---------------------------------------------------------------------------
# Simple raster helpers.  An image is a list of bytearrays (rows of indices).
# ---------------------------------------------------------------------------


def new_image(w, h, fill):
    return [bytearray([fill]) * w for _ in range(h)]


def fill_rect(img, x, y, w, h, colour):
    for row in img[y:y + h]:
        row[x:x + w] = bytes([colour]) * w


def crop(img, x, y, w, h):
    return [bytearray(row[x:x + w]) for row in img[y:y + h]]


def flatten(img):
    return b"".join(bytes(row) for row in img)


def draw_sunken_panel(img, x, y, w, h, interior):
    fill_rect(img, x, y, w, h, interior)
    fill_rect(img, x, y, w, 1, C_SHADOW)
    fill_rect(img, x, y, 1, h, C_SHADOW)
    fill_rect(img, x, y + h - 1, w, 1, C_HILITE)
    fill_rect(img, x + w - 1, y, 1, h, C_HILITE)


# ---------------------------------------------------------------------------
# GIF writing
# ---------------------------------------------------------------------------

GIF_MAX_CODES = 4096


def lzw_encode(pixels, min_code_size):
    """Variable-length-code LZW as GIF requires: starts with a clear code,
    ends with end-of-information, and clears whenever the 12-bit table is
    full instead of relying on decoders to cope with a frozen table."""
    clear = 1 << min_code_size
    eoi = clear + 1
    out = bytearray()
    bit_buf = 0
    bit_count = 0

    def emit(code, size):
        nonlocal bit_buf, bit_count
        bit_buf |= code << bit_count
        bit_count += size
        while bit_count >= 8:
            out.append(bit_buf & 0xFF)
            bit_buf >>= 8
            bit_count -= 8

    def fresh_table():
        return {(-1, i): i for i in range(clear)}

    table = fresh_table()
    next_code = eoi + 1
    code_size = min_code_size + 1
    emit(clear, code_size)

    prefix = -1
    for px in pixels:
        key = (prefix, px)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, code_size)
        table[key] = next_code
        # The decoder learns this entry only when it reads the following
        # code, so it widens one code later than the table would suggest;
        # widening on the entry that equals 2**size keeps both in step.
        if next_code == (1 << code_size) and code_size < 12:
            code_size += 1
        next_code += 1
        if next_code == GIF_MAX_CODES:
            emit(clear, code_size)
            table = fresh_table()
            next_code = eoi + 1
            code_size = min_code_size + 1
        prefix = px
    if prefix != -1:
        emit(prefix, code_size)
    emit(eoi, code_size)
    if bit_count:
        out.append(bit_buf & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def palette_bits(n_colours):
    """Smallest k >= 1 with 2**k >= n_colours (GIF tables hold 2**k)."""
    k = 1
    while (1 << k) < n_colours:
        k += 1
    return k


def gif_header(w, h, palette, background):
    bits = palette_bits(len(palette))
    packed = 0x80 | ((8 - 1) << 4) | (bits - 1)
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", w, h, packed, background, 0)
    padded = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))
    for r, g, b in padded:
        out += bytes((r, g, b))
    return bytes(out)


def netscape_loop_forever():
    return b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"


def graphic_control(delay, disposal):
    return struct.pack("<BBBBHBB", 0x21, 0xF9, 4, disposal << 2, delay, 0, 0)


def image_block(x, y, img, min_code_size):
    h = len(img)
    w = len(img[0])
    desc = struct.pack("<BHHHHB", 0x2C, x, y, w, h, 0)
    data = lzw_encode(flatten(img), min_code_size)
    return desc + bytes([min_code_size]) + sub_blocks(data)


def write_gif(path, w, h, palette, frames, loop):
    """frames: sequence of (x, y, img, delay, disposal)."""
    # GIF forbids an LZW minimum code size below 2 even for two colours.
    min_code_size = max(2, palette_bits(len(palette)))
    out = bytearray(gif_header(w, h, palette, C_FACE))
    if loop:
        out += netscape_loop_forever()
    for x, y, img, delay, disposal in frames:
        out += graphic_control(delay, disposal)
        out += image_block(x, y, img, min_code_size)
    out += b"\x3B"
    write_file(path, out)


# ---------------------------------------------------------------------------
# Meter artwork
# ---------------------------------------------------------------------------


def bar_colour(i):
    last = len(BAR_XS) - 1
    return C_GRADIENT[(i * (len(C_GRADIENT) - 1) + last // 2) // last]


def meter_picture(well, slot, lit_bars):
    img = new_image(METER_W, METER_H, C_FACE)
    draw_sunken_panel(img, *PANEL, interior=well)
    for i, (x, w) in enumerate(zip(BAR_XS, BAR_WIDTHS)):
        colour = bar_colour(i) if i < lit_bars else slot
        fill_rect(img, x, BAR_Y, w, BAR_H, colour)
    return img


def meter_frames(delay):
    n = len(BAR_XS)
    frames = [(0, 0, meter_picture(C_WELL, C_SLOT, 0), delay, DISPOSE_KEEP)]
    full = meter_picture(C_WELL, C_SLOT, n)
    for x, w in zip(BAR_XS, BAR_WIDTHS):
        frames.append((x, BAR_Y, crop(full, x, BAR_Y, w, BAR_H), delay, DISPOSE_KEEP))
    # A whole-picture closing frame holds the full meter, then is cleared so
    # the loop restarts from an empty meter.
    frames.append((0, 0, full, delay, DISPOSE_RESTORE_BG))
    return frames


def write_meter_gifs():
    for level, delay in enumerate(LEVEL_DELAYS, start=1):
        write_gif(os.path.join(RES_DIR, "level%d.gif" % level),
                  METER_W, METER_H, METER_PALETTE, meter_frames(delay), loop=True)
    idle = meter_picture(C_IDLE_WELL, C_IDLE_SLOT, 0)
    write_gif(os.path.join(RES_DIR, "stopped.gif"), METER_W, METER_H,
              METER_PALETTE, [(0, 0, idle, 0, DISPOSE_KEEP)], loop=False)


# ---------------------------------------------------------------------------
# Bitmap font (5x7, rows top to bottom, '#' = ink).  Rows past the seventh
# are a descender: they hang below the line and take no part in layout.
# ---------------------------------------------------------------------------

GLYPH_W, GLYPH_H = 5, 7
FONT = {
    "K": ("#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"),
    "D": ("###..", "#..#.", "#...#", "#...#", "#...#", "#..#.", "###.."),
    "U": ("#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."),
    "a": (".....", ".....", ".###.", "....#", ".####", "#...#", ".####"),
    "d": ("....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"),
    "e": (".....", ".....", ".###.", "#...#", "#####", "#....", ".###."),
    "l": (".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."),
    "n": (".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"),
    "o": (".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."),
    "p": (".....", ".....", "####.", "#...#", "#...#", "####.", "#....", "#....", "#...."),
    "r": (".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."),
    "v": (".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."),
    "w": (".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."),
}


def text_size(text, scale):
    cols = len(text) * (GLYPH_W + 1) - 1
    return cols * scale, GLYPH_H * scale


def draw_text(img, x, y, text, scale, colour):
    for n, ch in enumerate(text):
        gx = x + n * (GLYPH_W + 1) * scale
        for r, line in enumerate(FONT[ch]):
            for c, cell in enumerate(line):
                if cell == "#":
                    fill_rect(img, gx + c * scale, y + r * scale, scale, scale, colour)


# ---------------------------------------------------------------------------
# BMP writing (8 bpp, bottom-up, BITMAPINFOHEADER)
# ---------------------------------------------------------------------------


def bmp_bytes(img, palette):
    h = len(img)
    w = len(img[0])
    stride = (w + 3) & ~3
    # A full 256-entry table: some loaders mishandle short ones.
    table = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
    pixels = b"".join(bytes(row) + b"\0" * (stride - w) for row in reversed(img))
    offset = 14 + 40 + len(pal)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(pixels),
                       2835, 2835, 256, 0)
    return file_header + info + pal + pixels


BANNER_W, BANNER_H = 379, 58
BANNER_SCALE = 6
BANNER_SHADOW = 2
BANNER_PALETTE = ((224, 224, 224), (255, 128, 0), (180, 180, 180))
B_GROUND, B_INK, B_SHADOW = range(3)


def write_banner():
    img = new_image(BANNER_W, BANNER_H, B_GROUND)
    tw, th = text_size("Kelvara", BANNER_SCALE)
    x = (BANNER_W - tw) // 2
    y = (BANNER_H - th) // 2
    draw_text(img, x + BANNER_SHADOW, y + BANNER_SHADOW, "Kelvara", BANNER_SCALE, B_SHADOW)
    draw_text(img, x, y, "Kelvara", BANNER_SCALE, B_INK)
    write_file(os.path.join(RES_DIR, "banner.bmp"), bmp_bytes(img, BANNER_PALETTE))


LEGEND_W, LEGEND_H = 136, 45
LEGEND_SCALE = 2
# Same colours the traffic graph draws its lines in, so the legend matches.
LEGEND_PALETTE = ((0, 0, 0), (0, 255, 0), (255, 0, 0), (220, 220, 220))
L_GROUND, L_DOWN, L_UP, L_TEXT = range(4)
ARROW_W, ARROW_H, ARROW_GAP = 7, 15, 2


def draw_arrow(img, x, y, colour, pointing_down):
    """A shaft with a triangular head, ARROW_W x ARROW_H."""
    head = ARROW_W // 2 + 1
    mid = ARROW_W // 2
    for r in range(ARROW_H):
        # Distance from the tip, so one loop serves both directions.
        d = (ARROW_H - 1 - r) if pointing_down else r
        half = d if d < head else 1
        if d >= head:
            fill_rect(img, x + mid - 1, y + r, 3, 1, colour)
        else:
            fill_rect(img, x + mid - half, y + r, 2 * half + 1, 1, colour)


def draw_legend_row(img, top, row_h, colour, pointing_down, label):
    ay = top + (row_h - ARROW_H) // 2
    draw_arrow(img, 4, ay, colour, pointing_down)
    draw_arrow(img, 4 + ARROW_W + ARROW_GAP, ay, colour, pointing_down)
    _, th = text_size(label, LEGEND_SCALE)
    draw_text(img, 26, top + (row_h - th) // 2, label, LEGEND_SCALE, L_TEXT)


def write_legend():
    img = new_image(LEGEND_W, LEGEND_H, L_GROUND)
    row_h = LEGEND_H // 2
    draw_legend_row(img, 0, row_h, L_DOWN, True, "Download")
    draw_legend_row(img, LEGEND_H - row_h, row_h, L_UP, False, "Upload")
    write_file(os.path.join(RES_DIR, "legend.bmp"), bmp_bytes(img, LEGEND_PALETTE))


# ---------------------------------------------------------------------------
# Icon: an orange rounded square with a white upward arrow
# ---------------------------------------------------------------------------

ICON_SIZES = (16, 32, 48)
ICON_DEPTHS = (4, 8, 32)
ICON_SUPERSAMPLE = 4

ICON_TRANSPARENT = None
ICON_ORANGE = (255, 136, 0)
ICON_EDGE = (190, 80, 0)
ICON_WHITE = (255, 255, 255)
# Colours the palettised variants may use; the 32-bit one blends freely.
ICON_PALETTE = ((0, 0, 0), ICON_EDGE, ICON_ORANGE, ICON_WHITE)


def in_rounded_square(u, v, inset, radius):
    lo, hi = inset + radius, 1.0 - inset - radius
    cu = min(max(u, lo), hi)
    cv = min(max(v, lo), hi)
    if not (inset <= u <= 1 - inset and inset <= v <= 1 - inset):
        return False
    return (u - cu) ** 2 + (v - cv) ** 2 <= radius ** 2


def in_up_arrow(u, v):
    if 0.18 <= v <= 0.50:             # head: apex at top centre
        half = (v - 0.18) / 0.32 * 0.30
        return abs(u - 0.5) <= half
    return 0.50 < v <= 0.82 and abs(u - 0.5) <= 0.12


def icon_sample(u, v, edge):
    """Colour of the design at unit coordinates (u, v), v downwards."""
    if not in_rounded_square(u, v, 0.03, 0.22):
        return ICON_TRANSPARENT
    if not in_rounded_square(u, v, 0.03 + edge, 0.22 - edge):
        return ICON_EDGE
    if in_up_arrow(u, v):
        return ICON_WHITE
    return ICON_ORANGE


def render_icon_rgba(size):
    """Rows top to bottom of (r, g, b, a), anti-aliased by supersampling."""
    n = ICON_SUPERSAMPLE
    edge = 1.0 / size          # about one pixel of darker rim at any size
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = hits = 0
            for sy in range(n):
                for sx in range(n):
                    c = icon_sample((x + (sx + 0.5) / n) / size,
                                    (y + (sy + 0.5) / n) / size, edge)
                    if c is not ICON_TRANSPARENT:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        hits += 1
            if hits:
                row.append((r // hits, g // hits, b // hits, hits * 255 // (n * n)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def nearest_index(rgb, palette):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(rgb, palette[i])))


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask_rows(rgba, opaque_at):
    rows = []
    for row in reversed(rgba):
        bits = bytearray((len(row) + 7) // 8)
        for x, px in enumerate(row):
            if not opaque_at(px):
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(pad4(bytes(bits)))
    return b"".join(rows)


def icon_dib(rgba, depth):
    size = len(rgba)
    if depth == 32:
        xor = b"".join(pad4(b"".join(bytes((b, g, r, a)) for r, g, b, a in row))
                       for row in reversed(rgba))
        mask = and_mask_rows(rgba, lambda px: px[3] > 0)
        palette = b""
    else:
        count = 1 << depth
        table = list(ICON_PALETTE) + [(0, 0, 0)] * (count - len(ICON_PALETTE))
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
        # Hard-edged variants: half coverage or more counts as opaque.
        opaque = lambda px: px[3] >= 128
        index_rows = [[nearest_index(px[:3], ICON_PALETTE) if opaque(px) else 0
                       for px in row] for row in reversed(rgba)]
        if depth == 8:
            xor = b"".join(pad4(bytes(r)) for r in index_rows)
        else:
            xor = b"".join(pad4(bytes((r[i] << 4) | (r[i + 1] if i + 1 < len(r) else 0)
                                      for i in range(0, len(r), 2)))
                           for r in index_rows)
        mask = and_mask_rows(rgba, opaque)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + palette + xor + mask


def write_icon():
    images = []
    for size in ICON_SIZES:
        rgba = render_icon_rgba(size)
        for depth in ICON_DEPTHS:
            images.append((size, depth, icon_dib(rgba, depth)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, depth, dib in images:
        colours = (1 << depth) if depth < 8 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0,
                           1, depth, len(dib), offset)
        offset += len(dib)
    for _, _, dib in images:
        out += dib
    write_file(os.path.join(RES_DIR, "kelvara.ico"), out)


# ---------------------------------------------------------------------------
# Skin data block
# ---------------------------------------------------------------------------

SKIN_SIZE = 44539
SKIN_HEADER = b"KELVARA-SKIN 1\r\n"
SKIN_SEED = 2057


def skin_bytes():
    out = bytearray(SKIN_HEADER)
    state = SKIN_SEED
    while len(out) < SKIN_SIZE:
        # Numerical Recipes LCG; the high byte has the longest period.
        state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
        out.append(state >> 24)
    return bytes(out)


def write_skin():
    write_file(os.path.join(RES_DIR, "skin.bin"), skin_bytes())


# ---------------------------------------------------------------------------


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (os.path.relpath(path, REPO_ROOT), len(data)))


def main():
    os.makedirs(RES_DIR, exist_ok=True)
    write_meter_gifs()
    write_banner()
    write_legend()
    write_icon()
    write_skin()
    return 0


if __name__ == "__main__":
    sys.exit(main())
