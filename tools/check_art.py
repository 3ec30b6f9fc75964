#!/usr/bin/env python3
"""Verifies the generated files in res/ structurally.

Parses the files with its own readers (a GIF block walker and LZW decoder
written independently of make_art.py), so a fault in the generator's writer
is not mirrored by the check. Exits non-zero with a message naming the file
and the mismatch.

Usage (from the repository root):  python3 tools/check_art.py
"""

import os
import random
import struct
import sys

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(REPO_ROOT, "res")

SCREEN = (200, 27)
FULL = (0, 0, 200, 27)
BAR_POSITIONS = (8, 19, 31, 44, 56, 68, 81, 93, 106, 118, 130, 143, 155, 168)
# (left, top, width or (min, max) width, height, disposal) per frame.
EXPECTED_FRAMES = (
    [(0, 0, 200, 27, 1)]
    + [(x, 5, (9, 11), 17, 1) for x in BAR_POSITIONS]
    + [(0, 0, 200, 27, 2)]
)
DELAYS = {"level1.gif": 312, "level2.gif": 187, "level3.gif": 62,
          "level4.gif": 31, "level5.gif": 12, "level6.gif": 6}

BMPS = {"banner.bmp": (379, 58, 8), "legend.bmp": (136, 45, 8)}
ICON_ENTRIES = sorted((s, d) for s in (16, 32, 48) for d in (4, 8, 32))
SKIN_SIZE = 44539


class Mismatch(Exception):
    pass


def expect(cond, message):
    if not cond:
        raise Mismatch(message)


# ---------------------------------------------------------------------------
# GIF
# ---------------------------------------------------------------------------


def lzw_decode(data, min_code_size):
    """Returns the pixel indices; raises Mismatch on malformed streams."""
    expect(2 <= min_code_size <= 11, "LZW minimum code size %d" % min_code_size)
    clear = 1 << min_code_size
    end = clear + 1
    pos = 0          # bit position
    total_bits = len(data) * 8
    out = bytearray()
    size = min_code_size + 1
    entries = None
    prev = None
    first = True
    while True:
        expect(pos + size <= total_bits, "LZW data ends without end code")
        code = 0
        for i in range(size):
            bit = (data[(pos + i) >> 3] >> ((pos + i) & 7)) & 1
            code |= bit << i
        pos += size
        if first:
            expect(code == clear, "LZW stream does not start with a clear code")
            first = False
        if code == clear:
            entries = [bytes([i]) for i in range(clear)] + [b"", b""]
            size = min_code_size + 1
            prev = None
            continue
        if code == end:
            break
        if prev is None:
            expect(code < clear, "first code after clear %d is not a root" % code)
            out += entries[code]
            prev = entries[code]
            continue
        if code < len(entries):
            cur = entries[code]
            expect(cur != b"", "code %d refers to clear/end" % code)
        else:
            expect(code == len(entries), "code %d beyond table size %d" % (code, len(entries)))
            cur = prev + prev[:1]
        out += cur
        if len(entries) < 4096:
            entries.append(prev + cur[:1])
        if len(entries) == (1 << size) and size < 12:
            size += 1
        prev = cur
    return bytes(out)


def read_sub_blocks(buf, pos, name):
    data = bytearray()
    while True:
        expect(pos < len(buf), "%s: truncated sub-block chain" % name)
        n = buf[pos]
        pos += 1
        if n == 0:
            return bytes(data), pos
        expect(pos + n <= len(buf), "%s: sub-block overruns file" % name)
        data += buf[pos:pos + n]
        pos += n


def walk_gif(name, buf):
    """Returns a dict describing the file, including each frame's
    (left, top, width, height, disposal, delay, pixels)."""
    expect(buf[:6] == b"GIF89a", "%s: header is %r, not GIF89a" % (name, buf[:6]))
    w, h, packed, _bg, _ratio = struct.unpack_from("<HHBBB", buf, 6)
    pos = 13
    expect(packed & 0x80, "%s: no global colour table" % name)
    colours = 2 << (packed & 7)
    pos += 3 * colours
    info = {"size": (w, h), "colours": colours, "loop_at": None,
            "frames": [], "delay_offsets": []}
    gce = None
    while True:
        expect(pos < len(buf), "%s: no trailer" % name)
        kind = buf[pos]
        if kind == 0x3B:
            expect(pos == len(buf) - 1, "%s: bytes after trailer" % name)
            break
        if kind == 0x21:
            label = buf[pos + 1]
            if label == 0xF9:
                expect(buf[pos + 2] == 4 and buf[pos + 7] == 0,
                       "%s: malformed graphic control extension" % name)
                expect(gce is None, "%s: two GCEs before one image" % name)
                gce_packed, delay = struct.unpack_from("<BH", buf, pos + 3)
                gce = ((gce_packed >> 2) & 7, delay)
                info["delay_offsets"].append(pos + 4)
                pos += 8
                continue
            if label == 0xFF:
                ident = bytes(buf[pos + 3:pos + 3 + buf[pos + 2]])
                start = pos
                payload, pos = read_sub_blocks(buf, pos + 3 + buf[pos + 2], name)
                if ident == b"NETSCAPE2.0":
                    expect(payload == b"\x01\x00\x00", "%s: NETSCAPE loop block %r"
                           % (name, payload))
                    info["loop_at"] = start
                continue
            _, pos = read_sub_blocks(buf, pos + 2, name)
            continue
        expect(kind == 0x2C, "%s: unknown block 0x%02X at %d" % (name, kind, pos))
        left, top, fw, fh, fpacked = struct.unpack_from("<HHHHB", buf, pos + 1)
        expect(not fpacked & 0x80, "%s: frame has a local colour table" % name)
        expect(not fpacked & 0x40, "%s: frame is interlaced" % name)
        expect(left + fw <= w and top + fh <= h,
               "%s: frame %d,%d %dx%d leaves the screen" % (name, left, top, fw, fh))
        min_code = buf[pos + 10]
        data, pos = read_sub_blocks(buf, pos + 11, name)
        pixels = lzw_decode(data, min_code)
        expect(len(pixels) == fw * fh, "%s: frame %d decodes to %d pixels, expected %d"
               % (name, len(info["frames"]), len(pixels), fw * fh))
        expect(max(pixels) < colours, "%s: pixel index beyond the colour table" % name)
        disposal, delay = gce if gce else (None, None)
        info["frames"].append((left, top, fw, fh, disposal, delay, pixels))
        gce = None
    return info


def check_animation(name, buf):
    info = walk_gif(name, buf)
    expect(info["size"] == SCREEN, "%s: screen %r" % (name, info["size"]))
    expect(info["loop_at"] == 13 + 3 * info["colours"],
           "%s: NETSCAPE2.0 loop extension missing or not right after the colour table" % name)
    frames = info["frames"]
    expect(len(frames) == len(EXPECTED_FRAMES), "%s: %d frames" % (name, len(frames)))
    for i, (got, want) in enumerate(zip(frames, EXPECTED_FRAMES)):
        left, top, fw, fh, disposal, delay, _ = got
        wl, wt, ww, wh, wd = want
        lo, hi = ww if isinstance(ww, tuple) else (ww, ww)
        expect((left, top, fh) == (wl, wt, wh) and lo <= fw <= hi,
               "%s: frame %d at %d,%d %dx%d" % (name, i, left, top, fw, fh))
        expect(disposal == wd, "%s: frame %d disposal %r, expected %d" % (name, i, disposal, wd))
        expect(delay == DELAYS[name], "%s: frame %d delay %r, expected %d"
               % (name, i, delay, DELAYS[name]))
    return info


def check_gifs():
    reference = None
    for name in sorted(DELAYS):
        buf = read(name)
        info = check_animation(name, buf)
        # Levels must differ only in speed: blank out the delays and compare.
        blanked = bytearray(buf)
        for off in info["delay_offsets"]:
            blanked[off:off + 2] = b"\0\0"
        if reference is None:
            reference = (name, bytes(blanked))
        else:
            expect(bytes(blanked) == reference[1],
                   "%s differs from %s in more than the delays" % (name, reference[0]))
    info = walk_gif("stopped.gif", read("stopped.gif"))
    expect(info["size"] == SCREEN, "stopped.gif: screen %r" % (info["size"],))
    expect(len(info["frames"]) == 1, "stopped.gif: %d images" % len(info["frames"]))
    expect(info["frames"][0][:4] == FULL, "stopped.gif: image %r" % (info["frames"][0][:4],))


def check_lzw_round_trip():
    """The art is too small and regular to fill the 4096-entry table, so
    push the encoder through that path with synthetic data."""
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from make_art import lzw_encode
    rng = random.Random(1)
    cases = [
        ("noise, 256 colours, many table resets", 8, bytes(rng.randrange(256) for _ in range(60000))),
        ("noise, 4 colours", 2, bytes(rng.randrange(4) for _ in range(30000))),
        ("one colour run", 4, bytes(20000)),
        ("single pixel", 2, b"\x03"),
        ("code-width boundary ramp", 4, bytes(i % 16 for i in range(5000))),
    ]
    for label, min_code, pixels in cases:
        decoded = lzw_decode(lzw_encode(pixels, min_code), min_code)
        expect(decoded == pixels, "LZW round trip failed: %s" % label)


# ---------------------------------------------------------------------------
# BMP, ICO, skin
# ---------------------------------------------------------------------------


def check_bmps():
    for name, (want_w, want_h, want_bpp) in sorted(BMPS.items()):
        buf = read(name)
        magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", buf, 0)
        expect(magic == b"BM", "%s: not a BMP" % name)
        expect(file_size == len(buf), "%s: header size %d, file %d" % (name, file_size, len(buf)))
        hsize, w, h, planes, bpp, comp, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", buf, 14)
        expect(hsize == 40, "%s: info header size %d" % (name, hsize))
        expect((w, h, bpp) == (want_w, want_h, want_bpp),
               "%s: %dx%d %dbpp, expected %dx%d %dbpp" % (name, w, h, bpp, want_w, want_h, want_bpp))
        expect(planes == 1 and comp == 0, "%s: planes %d compression %d" % (name, planes, comp))
        palette_entries = used or (1 << bpp)
        expect(offset == 14 + 40 + 4 * palette_entries, "%s: pixel offset %d" % (name, offset))
        stride = (w * bpp + 31) // 32 * 4
        expect(len(buf) - offset == stride * h, "%s: pixel data %d bytes, expected %d"
               % (name, len(buf) - offset, stride * h))
        expect(max(buf[offset:]) < palette_entries, "%s: pixel index beyond the palette" % name)


def check_icon():
    buf = read("kelvara.ico")
    reserved, kind, count = struct.unpack_from("<HHH", buf, 0)
    expect((reserved, kind) == (0, 1), "kelvara.ico: not an icon directory")
    entries = []
    end = 6 + 16 * count
    for i in range(count):
        bw, bh, colours, _, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", buf, 6 + 16 * i)
        px = bw or 256
        entries.append((px, bpp))
        expect(bw == bh, "kelvara.ico: entry %d not square" % i)
        expect(colours == (16 if bpp == 4 else 0), "kelvara.ico: entry %d colour count %d" % (i, colours))
        expect(offset + size <= len(buf), "kelvara.ico: entry %d overruns the file" % i)
        hsize, w, h, _, dib_bpp, comp = struct.unpack_from("<IiiHHI", buf, offset)
        expect((hsize, w, h, dib_bpp, comp) == (40, px, 2 * px, bpp, 0),
               "kelvara.ico: entry %d DIB header %r" % (i, (hsize, w, h, dib_bpp, comp)))
        palette = 4 * (1 << bpp) if bpp <= 8 else 0
        xor = (px * bpp + 31) // 32 * 4 * px
        mask = (px + 31) // 32 * 4 * px
        expect(size == 40 + palette + xor + mask, "kelvara.ico: entry %d is %d bytes, expected %d"
               % (i, size, 40 + palette + xor + mask))
        if bpp == 32:
            alphas = buf[offset + 40 + 3:offset + 40 + xor:4]
            expect(max(alphas) == 255 and min(alphas) == 0,
                   "kelvara.ico: %dpx 32bpp alpha channel is not used" % px)
        end = max(end, offset + size)
    expect(sorted(entries) == ICON_ENTRIES, "kelvara.ico: entries %r" % entries)
    expect(end == len(buf), "kelvara.ico: %d trailing bytes" % (len(buf) - end))


def check_skin():
    size = len(read("skin.bin"))
    expect(size == SKIN_SIZE, "skin.bin: %d bytes, expected %d" % (size, SKIN_SIZE))


def read(name):
    path = os.path.join(RES, name)
    expect(os.path.isfile(path), "%s is missing (run tools/make_art.py)" % path)
    with open(path, "rb") as f:
        return f.read()


def main():
    try:
        check_lzw_round_trip()
        check_gifs()
        check_bmps()
        check_icon()
        check_skin()
    except Mismatch as e:
        print("check_art: FAIL: %s" % e, file=sys.stderr)
        return 1
    print("check_art: all resources OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
