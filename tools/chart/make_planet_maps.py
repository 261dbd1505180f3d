#!/usr/bin/python3
"""Surface maps and ring textures of the solar system for the chart.

usage: make_planet_maps.py STELLARIUM_TEXTURES XPLANET_IMAGES OUTPUT_FOLDER

Writes into OUTPUT_FOLDER (the bundle's SkyImages/SolarSystem):
  p<level>/<Name>.jpg        a map <level> pixels wide and half as high, for
                             the native width of the source and each halving
                             down to 64 (equirectangular, north up, longitude
                             -180 degrees at the left edge)
  p4096/Moon/Moon-<n>.jpg    the 4096-pixel lunar map cut into 1024-pixel
                             tiles, n = column + 4 x row
  p1024/<Name>-Rings.png     ring textures of Saturn and Uranus
  Index.txt                  every file above, one relative path a line

Sources (Debian packages):
  stellarium-data textures/  <name>.png maps of the Sun, planets and moons
                             named by their English names; moon_4k.jpg
                             (4096 x 2048); saturn_rings_radial.png and
                             uranus_rings.png, radial profiles of the rings
  xplanet-images             earth.jpg (day, 2048 x 1024) and night.jpg (city
                             lights), used for "Earth", "Earth-Surface" and
                             "Earth-Night"

Ring textures: the chart's ring mesh puts the ring's radius along the
texture's x axis and the angle round the planet along y, from the inner to
the outer radius of the mesh (Saturn 1.24 to 2.33, Uranus 1.62 to 1.96
equatorial radii). The source profiles span other radii (stellarium-data's
data/ssystem_major.ini, ring_inner_size and ring_outer_size: Saturn 74510 to
140390 km, Uranus 26840 to 97700 km) and are resampled onto the mesh's span
with the equatorial radii of the IAU WGCCRE 2015 report (Saturn 60268 km,
Uranus 25559 km).

Deterministic: the same sources give the same files.
"""
import os
import sys

from PIL import Image

BODIES = [
    "Sun", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto",
    "Phobos", "Deimos", "Io", "Europa", "Ganymede", "Callisto", "Amalthea",
    "Mimas", "Enceladus", "Tethys", "Dione", "Rhea", "Titan", "Hyperion", "Iapetus",
    "Phoebe", "Janus", "Epimetheus", "Prometheus",
    "Ariel", "Umbriel", "Titania", "Oberon", "Miranda", "Bianca",
    "Triton", "Nereid", "Proteus", "Charon",
]

RINGS = {
    # name: (source file, source inner km, source outer km, planet radius km,
    #        mesh inner radii, mesh outer radii)
    "Saturn": ("saturn_rings_radial.png", 74510.0, 140390.0, 60268.0, 1.24, 2.33),
    "Uranus": ("uranus_rings.png", 26840.0, 97700.0, 25559.0, 1.62, 1.96),
}
RING_SIZE = (1024, 16)  # radial texels, texels round
SMALLEST_LEVEL = 64
TILE = 1024
JPEG_QUALITY = 90


def save_jpeg(image, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    image.save(path, "JPEG", quality=JPEG_QUALITY, optimize=True)


def write_levels(out, index, name, source):
    """The map at its own width (a power of two) and each halving."""
    image = source.convert("RGB")
    level = image.size[0]
    if level & (level - 1) or image.size[1] * 2 != level:
        raise SystemExit("%s: a map must be a power of two wide and half as high, not %dx%d"
                         % (name, image.size[0], image.size[1]))
    while level >= SMALLEST_LEVEL:
        if image.size[0] != level:
            image = image.resize((level, level // 2), Image.LANCZOS)
        relative = "p%d/%s.jpg" % (level, name)
        save_jpeg(image, os.path.join(out, relative))
        index.append(relative)
        level //= 2


def write_tiles(out, index, name, source):
    image = source.convert("RGB")
    level = image.size[0]
    columns = level // TILE
    for row in range(level // 2 // TILE):
        for column in range(columns):
            tile = image.crop((column * TILE, row * TILE, (column + 1) * TILE, (row + 1) * TILE))
            relative = "p%d/%s/%s-%d.jpg" % (level, name, name, column + row * columns)
            save_jpeg(tile, os.path.join(out, relative))
            index.append(relative)


def ring_texture(path, inner_km, outer_km, radius_km, mesh_inner, mesh_outer):
    """The radial profile resampled onto the mesh's radii, linearly."""
    profile = Image.open(path).convert("RGBA")
    width = profile.size[0]
    texels = [profile.getpixel((x, 0)) for x in range(width)]
    row = []
    for x in range(RING_SIZE[0]):
        radius = radius_km * (mesh_inner + (x + 0.5) / RING_SIZE[0] * (mesh_outer - mesh_inner))
        at = (radius - inner_km) / (outer_km - inner_km) * width - 0.5
        if at < -0.5 or at > width - 0.5:
            row.append((0, 0, 0, 0))
            continue
        low = min(max(int(at // 1), 0), width - 1)
        high = min(low + 1, width - 1)
        f = min(max(at - low, 0.0), 1.0)
        row.append(tuple(round(texels[low][k] * (1 - f) + texels[high][k] * f) for k in range(4)))
    image = Image.new("RGBA", RING_SIZE)
    image.putdata(row * RING_SIZE[1])
    return image


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    textures, xplanet, out = sys.argv[1:]
    index = []
    for name in BODIES:
        with Image.open(os.path.join(textures, name.lower() + ".png")) as source:
            write_levels(out, index, name, source)
    with Image.open(os.path.join(textures, "moon_4k.jpg")) as moon:
        write_levels(out, index, "Moon", moon)
        write_tiles(out, index, "Moon", moon)
    with Image.open(os.path.join(xplanet, "earth.jpg")) as day:
        write_levels(out, index, "Earth", day)
        write_levels(out, index, "Earth-Surface", day)
    with Image.open(os.path.join(xplanet, "night.jpg")) as night:
        write_levels(out, index, "Earth-Night", night)
    for name, (source, inner, outer, radius, mesh_inner, mesh_outer) in sorted(RINGS.items()):
        relative = "p1024/%s-Rings.png" % name
        os.makedirs(os.path.join(out, "p1024"), exist_ok=True)
        ring_texture(os.path.join(textures, source), inner, outer, radius, mesh_inner,
                     mesh_outer).save(os.path.join(out, relative), "PNG")
        index.append(relative)
    with open(os.path.join(out, "Index.txt"), "w") as f:
        f.write("".join(line + "\n" for line in sorted(index)))


if __name__ == "__main__":
    main()
