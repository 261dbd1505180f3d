#!/usr/bin/python3
"""Writes the image files the 2-D layer's decoder tests read, and what an
independent decoder (PIL) reads from each.

usage: make_test_images.py OUTPUT_FOLDER

For every image NAME it writes NAME (the file) and NAME.rgba: PIL's pixels
as 8-bit RGBA, not premultiplied, rows from the top (16-bit samples keep
their high byte). manifest.txt lists "NAME WIDTH HEIGHT" for every decodable
image; the damaged files are listed in damaged.txt as "NAME REASON".

PNG files are written here by hand (every colour type and bit depth,
interlaced or not, with transparent colours), since PIL writes only some of
them; JPEG files are written by PIL.
"""
import io
import os
import random
import struct
import sys
import zlib

from PIL import Image


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def pack_row(samples, depth):
    """Samples (ints) of one row to bytes at the bit depth."""
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out, bits, acc = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            bits, acc = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def encode_png(width, height, color_type, depth, pixels, palette=None, trns=None, interlace=False):
    """pixels[y][x] is a tuple of samples. Filter type 0 on every row, except
    that rows alternate filter types 1 and 2 when 8 or 16 bits (so the
    decoder meets filters)."""
    channels = CHANNELS[color_type]
    bpp = max(1, channels * depth // 8)

    def filtered(rows):
        out, previous = bytearray(), None
        for i, row in enumerate(rows):
            raw = pack_row([s for px in row for s in px], depth)
            kind = 0 if depth < 8 else (1 if i % 2 else 2)
            if kind == 1:
                data = bytes((raw[j] - (raw[j - bpp] if j >= bpp else 0)) & 255 for j in range(len(raw)))
            elif kind == 2:
                data = bytes((raw[j] - (previous[j] if previous else 0)) & 255 for j in range(len(raw)))
            else:
                data = raw
            out += bytes([kind]) + data
            previous = raw
        return bytes(out)

    if interlace:
        stream = bytearray()
        for x0, y0, dx, dy in ADAM7:
            rows = [[pixels[y][x] for x in range(x0, width, dx)] for y in range(y0, height, dy)]
            rows = [r for r in rows if r]
            if rows:
                stream += filtered(rows)
        stream = bytes(stream)
    else:
        stream = filtered(pixels)
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 1 if interlace else 0))
    if palette:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    out += chunk(b"IDAT", zlib.compress(stream, 9))
    out += chunk(b"IEND", b"")
    return out


def reference(path, depth=8):
    """PIL's reading of the file as RGBA rows.

    PIL keeps a transparent colour (tRNS) as the file stores it while it
    scales the samples, so the colour is compared here the way the PNG
    format defines it: at the file's own bit depth (`depth`)."""
    im = Image.open(path)
    im.load()
    width, height = im.size
    transparency = im.info.get("transparency")
    if transparency is not None and im.mode in ("L", "RGB") and depth != 8:
        if depth < 8:
            transparency = transparency * (255 // ((1 << depth) - 1))
        else:
            # 16-bit samples: PIL shows their high bytes.
            transparency = tuple(t >> 8 for t in transparency) if isinstance(transparency, tuple) \
                else transparency >> 8
    if im.mode.startswith("I"):
        values = list(im.getdata())
        out = bytearray()
        for v in values:
            g = v >> 8
            out += bytes([g, g, g, 0 if transparency is not None and v == transparency else 255])
        return bytes(out)
    if im.mode in ("1", "L", "RGB") and transparency is not None:
        raw = list(im.getdata())
        rgba = im.convert("RGB" if im.mode != "RGB" else "RGB").tobytes()
        out = bytearray()
        for i, v in enumerate(raw):
            key = v
            if im.mode == "1":
                # PIL shows 1-bit pixels as 0 and 255; the chunk holds 0 or 1.
                key = 1 if v else 0
            out += rgba[i * 3:i * 3 + 3] + bytes([0 if key == transparency else 255])
        return bytes(out)
    return im.convert("RGBA").tobytes()


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(20261207)
    manifest, damaged = [], []

    def save(name, data):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def add(name, data, depth=8):
        path = save(name, data)
        with Image.open(path) as im:
            width, height = im.size
        with open(path + ".rgba", "wb") as f:
            f.write(reference(path, depth))
        manifest.append(f"{name} {width} {height}")

    width, height = 23, 17  # odd sizes meet every Adam7 pass partly
    for color_type, depths in ((0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)), (4, (8, 16)), (6, (8, 16))):
        for depth in depths:
            for interlace in (False, True):
                top = (1 << depth) - 1
                channels = CHANNELS[color_type]
                palette = trns = None
                if color_type == 3:
                    count = 1 << depth
                    palette = [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(count)]
                    trns = bytes(rng.randrange(256) for _ in range(count // 2 + 1))
                pixels = [[tuple(rng.randrange(top + 1) for _ in range(channels)) for _ in range(width)]
                          for _ in range(height)]
                name = f"png-type{color_type}-{depth}bit{'-interlaced' if interlace else ''}.png"
                add(name, encode_png(width, height, color_type, depth, pixels, palette, trns, interlace))
                # A transparent colour for grey and RGB: present in the image.
                if color_type in (0, 2):
                    key = pixels[3][5]
                    trns = b"".join(struct.pack(">H", s) for s in key)
                    name = f"png-type{color_type}-{depth}bit-trns{'-interlaced' if interlace else ''}.png"
                    add(name, encode_png(width, height, color_type, depth, pixels, None, trns, interlace), depth)

    # PIL's own PNG writer, palette with transparency and an RGBA photo-like ramp.
    ramp = Image.new("RGBA", (40, 30))
    ramp.putdata([(x * 6, y * 8, (x * y) % 256, (x * 7 + y * 3) % 256) for y in range(30) for x in range(40)])
    buffer = io.BytesIO()
    ramp.save(buffer, "PNG")
    add("pil-rgba.png", buffer.getvalue())
    buffer = io.BytesIO()
    ramp.convert("RGB").quantize(16).save(buffer, "PNG", transparency=3)
    add("pil-palette.png", buffer.getvalue())

    # JPEG files: a smooth picture with detail, baseline and progressive,
    # 4:2:0 and 4:4:4, grey and CMYK.
    photo = Image.new("RGB", (67, 45))
    photo.putdata([(int(128 + 120 * ((x / 66) - 0.5)), (y * 5) % 256, (x * y) % 256) for y in range(45) for x in range(67)])
    for name, image, options in (
        ("jpeg-baseline.jpg", photo, {"quality": 90}),
        ("jpeg-progressive.jpg", photo, {"quality": 85, "progressive": True}),
        ("jpeg-444.jpg", photo, {"quality": 95, "subsampling": 0}),
        ("jpeg-grey.jpg", photo.convert("L"), {"quality": 90}),
        ("jpeg-cmyk.jpg", photo.convert("CMYK"), {"quality": 90}),
    ):
        buffer = io.BytesIO()
        image.save(buffer, "JPEG", **options)
        add(name, buffer.getvalue())

    # Damaged files.
    good_png = open(os.path.join(folder, "pil-rgba.png"), "rb").read()
    good_jpeg = open(os.path.join(folder, "jpeg-baseline.jpg"), "rb").read()
    save("text.png", b"This is not an image at all.\n")
    damaged.append("text.png not a PNG or JPEG image")
    save("cut.png", good_png[: len(good_png) // 2])
    damaged.append("cut.png truncated image data")
    save("signature-only.png", good_png[:5])
    damaged.append("signature-only.png truncated image data")
    save("cut.jpg", good_jpeg[: len(good_jpeg) // 2])
    damaged.append("cut.jpg truncated image data")
    save("header-only.jpg", good_jpeg[:40])
    damaged.append("header-only.jpg truncated image data")
    huge = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16384, 16384, 8, 6, 0, 0, 0)) + \
        chunk(b"IDAT", zlib.compress(b"\x00" * 100)) + chunk(b"IEND", b"")
    save("huge.png", huge)
    damaged.append("huge.png image too large")
    wide = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 40000, 2, 8, 0, 0, 0, 0)) + \
        chunk(b"IDAT", zlib.compress(b"\x00" * 100)) + chunk(b"IEND", b"")
    save("wide.png", wide)
    damaged.append("wide.png image too large")
    sof = good_jpeg.index(b"\xff\xc0")
    big = bytearray(good_jpeg)
    big[sof + 5:sof + 9] = struct.pack(">HH", 30000, 30000)
    save("huge.jpg", bytes(big))
    damaged.append("huge.jpg image too large")
    bad_crc = bytearray(good_png)
    idat = bad_crc.index(b"IDAT")
    bad_crc[idat + 10] ^= 0xFF
    save("bad-crc.png", bytes(bad_crc))
    damaged.append("bad-crc.png damaged image data")

    with open(os.path.join(folder, "manifest.txt"), "w") as f:
        f.write("\n".join(manifest) + "\n")
    with open(os.path.join(folder, "damaged.txt"), "w") as f:
        f.write("\n".join(damaged) + "\n")


if __name__ == "__main__":
    main()
