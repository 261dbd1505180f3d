#!/usr/bin/python3
"""Image files of every layout the chart reads, with Pillow's decode of each.

usage: make_image_corpus.py <folder> [--fuzz-seeds]

Writes the files into <folder> with a manifest.txt of lines
"<file> <width> <height> <expected>": <expected> names a .rgba file of
width x height x 4 bytes (Pillow's decode as 8-bit RGBA, 16-bit samples by
their high byte) or is "null" for a file no reader may accept.

PNG, TIFF and BMP files are written here byte by byte, so that layouts
Pillow cannot save (1-4 and 16-bit PNG, interlacing, transparency chunks,
both TIFF byte orders, tiles, 4/16/32-bit BMP, top-down rows) exist too;
Pillow only decodes them. GIF and JPEG files are saved by Pillow. Samples
come from a fixed random generator, so the corpus is the same on every run.
With --fuzz-seeds only a few small files of each format are written.
"""
import io
import os
import random
import struct
import sys
import zlib

from PIL import Image

rng = random.Random(20261207)


def samples(width, height, channels, maximum):
    return [[[rng.randint(0, maximum) for _ in range(channels)] for _ in range(width)]
            for _ in range(height)]


def pack_row(pixels, bits):
    """Samples of one row, most significant bits first, padded to a byte."""
    if bits == 8:
        return bytes(v for px in pixels for v in px)
    if bits == 16:
        return b"".join(struct.pack(">H", v) for px in pixels for v in px)
    out, acc, n = bytearray(), 0, 0
    for px in pixels:
        for v in px:
            acc = (acc << bits) | v
            n += bits
            while n >= 8:
                n -= 8
                out.append((acc >> n) & 0xFF)
    if n:
        out.append((acc << (8 - n)) & 0xFF)
    return bytes(out)


# ------------------------------------------------------------------ PNG
def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def write_png(path, rows, colour_type, bits, palette=None, trns=None, interlace=False):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    if interlace:
        for x0, y0, dx, dy in ADAM7:
            for y in range(y0, height, dy):
                sub = rows[y][x0::dx]
                if sub:
                    raw += b"\0" + pack_row(sub, bits)
    else:
        for row in rows:
            raw += b"\0" + pack_row(row, bits)
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bits, colour_type, 0, 0, int(interlace)))
    if palette is not None:
        data += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        data += png_chunk(b"tRNS", trns)
    data += png_chunk(b"IDAT", zlib.compress(bytes(raw)))
    data += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# ------------------------------------------------------------------ TIFF
TIFF_TYPES = {"short": (3, "H", 2), "long": (4, "I", 4)}


def write_tiff(path, rows, bits, photometric, order="<", colormap=None, tile=None, extra=None,
               planar=1):
    height, width = len(rows), len(rows[0])
    samples_per_pixel = len(rows[0][0])

    def pack16(v):
        return struct.pack(order + "H", v)

    def encode(pixels):
        if bits == 16:
            return b"".join(pack16(v) for px in pixels for v in px)
        return pack_row(pixels, bits)

    blocks = []
    if tile is None:
        if planar == 1:
            blocks = [encode(row) for row in rows]  # one row per strip
        else:
            for s in range(samples_per_pixel):
                blocks += [encode([[px[s]] for px in row]) for row in rows]
    else:
        tw, th = tile
        for ty in range(0, height, th):
            for tx in range(0, width, tw):
                block = b""
                for y in range(ty, ty + th):
                    src = rows[y] if y < height else rows[0]
                    seg = [src[x] if x < width else src[0] for x in range(tx, tx + tw)]
                    block += encode(seg)
                blocks.append(block)
    entries = [(256, "long", [width]), (257, "long", [height]),
               (258, "short", [bits] * samples_per_pixel), (259, "short", [1]),
               (262, "short", [photometric]), (277, "short", [samples_per_pixel]),
               (284, "short", [planar])]
    if tile is None:
        entries += [(278, "long", [1])]
    else:
        entries += [(322, "long", [tile[0]]), (323, "long", [tile[1]])]
    if colormap is not None:
        entries.append((320, "short", colormap))
    if extra is not None:
        entries.append((338, "short", [extra]))
    offsets_tag, counts_tag = (273, 279) if tile is None else (324, 325)
    entries += [(offsets_tag, "long", [0] * len(blocks)), (counts_tag, "long", [len(b) for b in blocks])]
    entries.sort()
    # Layout: header, blocks, out-of-line values, IFD.
    out = bytearray(b"II*\0" if order == "<" else b"MM\0*")
    out += b"\0\0\0\0"
    block_offsets = []
    for b in blocks:
        block_offsets.append(len(out))
        out += b
        if len(out) % 2:
            out += b"\0"
    values = {}
    for tag, kind, vals in entries:
        if tag == offsets_tag:
            vals[:] = block_offsets
        code, fmt, size = TIFF_TYPES[kind]
        if len(vals) * size > 4:
            values[tag] = len(out)
            out += struct.pack(order + fmt * len(vals), *vals)
    ifd = len(out)
    struct.pack_into(order + "I", out, 4, ifd)
    out += struct.pack(order + "H", len(entries))
    for tag, kind, vals in entries:
        code, fmt, size = TIFF_TYPES[kind]
        if tag in values:
            field = struct.pack(order + "I", values[tag])
        else:
            field = struct.pack(order + fmt * len(vals), *vals).ljust(4, b"\0")
        out += struct.pack(order + "HHI", tag, code, len(vals)) + field
    out += b"\0\0\0\0"
    with open(path, "wb") as f:
        f.write(out)


# ------------------------------------------------------------------ BMP
def write_bmp(path, rows, bits, palette=None, top_down=False, colors_used=0):
    height, width = len(rows), len(rows[0])
    stride = (width * bits + 31) // 32 * 4
    stored = []
    for row in (rows if top_down else rows[::-1]):
        if bits <= 8:
            data = pack_row([[i] for i in row], bits)
        elif bits == 16:
            data = b"".join(struct.pack("<H", (r << 10) | (g << 5) | b) for r, g, b in row)
        elif bits == 24:
            data = b"".join(bytes((b, g, r)) for r, g, b in row)
        else:
            data = b"".join(bytes((b, g, r, x)) for r, g, b, x in row)
        stored.append(data.ljust(stride, b"\0"))
    table = b""
    if palette is not None:
        table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    size = offset + stride * height
    header = b"BM" + struct.pack("<IHHI", size, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0,
                       stride * height, 2835, 2835, colors_used, 0)
    with open(path, "wb") as f:
        f.write(header + info + table + b"".join(stored))


# ------------------------------------------------------------------ expectations
class Corpus:
    def __init__(self, folder):
        self.folder = folder
        self.lines = []

    def path(self, name):
        return os.path.join(self.folder, name)

    def expect_pillow(self, name, wide_grey=False):
        """Records Pillow's decode of the file as the expected RGBA."""
        with Image.open(self.path(name)) as im:
            im.load()
            if wide_grey:  # I;16 and friends: high byte of each sample
                grey = bytes(v >> 8 for v in im.getdata())
                rgba = Image.frombytes("L", im.size, grey).convert("RGBA")
            else:
                rgba = im.convert("RGBA")
            self.expect_bytes(name, im.size[0], im.size[1], rgba.tobytes())

    def expect_bytes(self, name, width, height, data):
        with open(self.path(name + ".rgba"), "wb") as f:
            f.write(data)
        self.lines.append("%s %d %d %s" % (name, width, height, name + ".rgba"))

    def expect_null(self, name):
        self.lines.append("%s 0 0 null" % name)

    def finish(self):
        with open(self.path("manifest.txt"), "w") as f:
            f.write("\n".join(self.lines) + "\n")


def make_png(c, seeds_only):
    widths = [3, 5] if seeds_only else range(1, 10)
    for w in widths:
        h = 3 + w % 4
        for interlace in ([False] if seeds_only else [False, True]):
            tag = "%d%s" % (w, "i" if interlace else "")
            for bits in (1, 2, 4, 8, 16):
                name = "grey%d_%s.png" % (bits, tag)
                write_png(c.path(name), samples(w, h, 1, (1 << bits) - 1), 0, bits, interlace=interlace)
                c.expect_pillow(name, wide_grey=bits == 16)
            for bits in (8, 16):
                name = "rgb%d_%s.png" % (bits, tag)
                write_png(c.path(name), samples(w, h, 3, (1 << bits) - 1), 2, bits, interlace=interlace)
                c.expect_pillow(name)
                name = "rgba%d_%s.png" % (bits, tag)
                write_png(c.path(name), samples(w, h, 4, (1 << bits) - 1), 6, bits, interlace=interlace)
                c.expect_pillow(name)
            for bits in (1, 2, 4, 8):
                n = 1 << bits
                palette = [tuple(rng.randint(0, 255) for _ in range(3)) for _ in range(n)]
                name = "pal%d_%s.png" % (bits, tag)
                write_png(c.path(name), samples(w, h, 1, n - 1), 3, bits, palette=palette, interlace=interlace)
                c.expect_pillow(name)
                name = "paltrns%d_%s.png" % (bits, tag)
                alphas = bytes(rng.randint(0, 255) for _ in range(max(1, n // 2)))
                write_png(c.path(name), samples(w, h, 1, n - 1), 3, bits, palette=palette, trns=alphas,
                          interlace=interlace)
                c.expect_pillow(name)
            # Transparency keys of grey and RGB: the keyed colour becomes clear.
            rows = samples(w, h, 1, 255)
            rows[0][0] = [77]
            name = "greytrns_%s.png" % tag
            write_png(c.path(name), rows, 0, 8, trns=struct.pack(">H", 77), interlace=interlace)
            c.expect_pillow(name)
            rows = samples(w, h, 3, 255)
            rows[-1][-1] = [1, 2, 3]
            name = "rgbtrns_%s.png" % tag
            write_png(c.path(name), rows, 2, 8, trns=struct.pack(">HHH", 1, 2, 3), interlace=interlace)
            c.expect_pillow(name)
    # Grey with alpha is refused.
    name = "greyalpha.png"
    write_png(c.path(name), samples(4, 4, 2, 255), 4, 8)
    c.expect_null(name)
    # A PNG named like a JPEG still loads.
    name = "named_like.jpg"
    write_png(c.path(name), samples(6, 4, 3, 255), 2, 8)
    c.expect_pillow(name)


def make_tiff(c, seeds_only):
    w, h = 7, 5
    orders = ["<"] if seeds_only else ["<", ">"]
    for order in orders:
        o = "le" if order == "<" else "be"
        for bits in ((8, 16) if seeds_only else (1, 2, 4, 8, 16)):
            name = "grey%d_%s.tif" % (bits, o)
            write_tiff(c.path(name), samples(w, h, 1, (1 << bits) - 1), bits, 1, order)
            c.expect_pillow(name, wide_grey=bits == 16)
            if bits in (1, 8):
                name = "white%d_%s.tif" % (bits, o)
                write_tiff(c.path(name), samples(w, h, 1, (1 << bits) - 1), bits, 0, order)
                c.expect_pillow(name)
        for bits in (8, 16):
            name = "rgb%d_%s.tif" % (bits, o)
            write_tiff(c.path(name), samples(w, h, 3, (1 << bits) - 1), bits, 2, order)
            c.expect_pillow(name)
        name = "rgba8_%s.tif" % o
        write_tiff(c.path(name), samples(w, h, 4, 255), 8, 2, order, extra=2)
        c.expect_pillow(name)
        for bits in ((8,) if seeds_only else (4, 8)):
            n = 1 << bits
            levels = [rng.randint(0, 255) for _ in range(3 * n)]
            name = "pal%d_%s.tif" % (bits, o)
            write_tiff(c.path(name), samples(w, h, 1, n - 1), bits, 3, order, colormap=[v * 257 for v in levels])
            c.expect_pillow(name)
        if seeds_only:
            continue
        # Tiles (16 x 16 over a 20 x 18 image) go through the RGBA reader.
        rows = samples(20, 18, 3, 255)
        name = "tiled_rgb_%s.tif" % o
        write_tiff(c.path(name), rows, 8, 2, order, tile=(16, 16))
        c.expect_pillow(name)
        rows = samples(20, 18, 1, 255)
        name = "tiled_grey_%s.tif" % o
        write_tiff(c.path(name), rows, 8, 1, order, tile=(16, 16))
        c.expect_pillow(name)
        # Separate planes.
        name = "planar_rgb_%s.tif" % o
        write_tiff(c.path(name), samples(w, h, 3, 255), 8, 2, order, planar=2)
        c.expect_pillow(name)
        # 12-bit samples, which Pillow does not read: the expected grey is
        # the sample scaled to 8 bits, (v * 255) // 4095.
        rows = samples(w, h, 1, 4095)
        name = "grey12_%s.tif" % o
        write_tiff(c.path(name), rows, 12, 1, order)
        grey = bytes((v * 255) // 4095 for row in rows for (v,) in row)
        c.expect_bytes(name, w, h, Image.frombytes("L", (w, h), grey).convert("RGBA").tobytes())
        rows = samples(w, h, 3, 4095)
        name = "rgb12_%s.tif" % o
        write_tiff(c.path(name), rows, 12, 2, order)
        rgb = bytes((v * 255) // 4095 for row in rows for px in row for v in px)
        c.expect_bytes(name, w, h, Image.frombytes("RGB", (w, h), rgb).convert("RGBA").tobytes())


def make_gif(c, seeds_only):
    for w, h, interlace in ([(5, 4, False), (20, 19, True)] if seeds_only else [(5, 4, False), (9, 7, False), (20, 19, True)]):
        im = Image.new("P", (w, h))
        im.putpalette([rng.randint(0, 255) for _ in range(768)])
        im.putdata([rng.randint(0, 255) for _ in range(w * h)])
        name = "image_%dx%d%s.gif" % (w, h, "i" if interlace else "")
        im.save(c.path(name), interlace=interlace, optimize=False)
        c.expect_pillow(name)
    if seeds_only:
        return
    # A GIF with no colour table at all: its indices read as grey levels.
    w, h = 4, 3
    indices = [rng.randint(0, 3) for _ in range(w * h)]
    name = "nomap.gif"
    data = b"GIF89a" + struct.pack("<HHBBB", w, h, 0, 0, 0)
    data += b"," + struct.pack("<HHHHB", 0, 0, w, h, 0)
    data += bytes([2]) + lzw_gif(indices, 2) + b"\0;"
    with open(c.path(name), "wb") as f:
        f.write(data)
    grey = bytes(indices)
    c.expect_bytes(name, w, h, Image.frombytes("L", (w, h), grey).convert("RGBA").tobytes())
    name = "noimage.gif"
    with open(c.path(name), "wb") as f:
        f.write(b"GIF89a" + struct.pack("<HHBBB", 1, 1, 0, 0, 0) + b";")
    c.expect_null(name)


def lzw_gif(indices, min_code):
    """Uncompressed-style LZW: a clear code before every index."""
    clear, end = 1 << min_code, (1 << min_code) + 1
    size = min_code + 1
    bits, acc, n = bytearray(), 0, 0
    codes = []
    for i in indices:
        codes += [clear, i]
    codes.append(end)
    for code in codes:
        acc |= code << n
        n += size
        while n >= 8:
            bits.append(acc & 0xFF)
            acc >>= 8
            n -= 8
    if n:
        bits.append(acc & 0xFF)
    out = b""
    for i in range(0, len(bits), 255):
        chunk = bytes(bits[i:i + 255])
        out += bytes([len(chunk)]) + chunk
    return out


def make_jpeg(c, seeds_only):
    for mode, w, h, progressive in ([("RGB", 16, 8, False), ("L", 9, 7, False)] if seeds_only else
                                    [("RGB", 16, 8, False), ("RGB", 13, 11, True), ("L", 9, 7, False)]):
        im = Image.new(mode, (w, h))
        channels = 3 if mode == "RGB" else 1
        im.frombytes(bytes(rng.randint(0, 255) for _ in range(w * h * channels)))
        name = "photo_%s_%dx%d%s.jpg" % (mode, w, h, "p" if progressive else "")
        im.save(c.path(name), quality=90, progressive=progressive)
        c.expect_pillow(name)


def make_bmp(c, seeds_only):
    widths = [3] if seeds_only else range(1, 10)
    for w in widths:
        h = 2 + w % 3
        for bits in (1, 4, 8):
            n = 1 << bits
            palette = [tuple(rng.randint(0, 255) for _ in range(3)) for _ in range(n)]
            rows = [[rng.randint(0, n - 1) for _ in range(w)] for _ in range(h)]
            name = "pal%d_%d.bmp" % (bits, w)
            write_bmp(c.path(name), rows, bits, palette)
            c.expect_pillow(name)
        rows = [[tuple(rng.randint(0, 31) for _ in range(3)) for _ in range(w)] for _ in range(h)]
        name = "rgb16_%d.bmp" % w
        write_bmp(c.path(name), rows, 16)
        c.expect_pillow(name)
        rows = [[tuple(rng.randint(0, 255) for _ in range(3)) for _ in range(w)] for _ in range(h)]
        name = "rgb24_%d.bmp" % w
        write_bmp(c.path(name), rows, 24)
        c.expect_pillow(name)
        # The fourth byte of 32-bit pixels is unused: the picture is opaque.
        rows = [[tuple(rng.randint(0, 255) for _ in range(4)) for _ in range(w)] for _ in range(h)]
        name = "rgb32_%d.bmp" % w
        write_bmp(c.path(name), rows, 32)
        c.expect_pillow(name)
    if seeds_only:
        return
    rows = [[tuple(rng.randint(0, 255) for _ in range(3)) for _ in range(5)] for _ in range(4)]
    name = "topdown24.bmp"
    write_bmp(c.path(name), rows, 24, top_down=True)
    c.expect_pillow(name)
    palette = [tuple(rng.randint(0, 255) for _ in range(3)) for _ in range(20)]
    rows = [[rng.randint(0, 19) for _ in range(6)] for _ in range(3)]
    name = "short_palette8.bmp"
    write_bmp(c.path(name), rows, 8, palette, colors_used=20)
    c.expect_pillow(name)


def main():
    folder = sys.argv[1]
    seeds_only = "--fuzz-seeds" in sys.argv
    os.makedirs(folder, exist_ok=True)
    c = Corpus(folder)
    make_png(c, seeds_only)
    make_tiff(c, seeds_only)
    make_gif(c, seeds_only)
    make_jpeg(c, seeds_only)
    make_bmp(c, seeds_only)
    c.finish()


if __name__ == "__main__":
    main()
