#!/usr/bin/python3
"""3-D models of small moons, asteroids and spacecraft for the chart.

usage: make_models.py STELLARIUM_MODELS OUTPUT_FOLDER

Writes OUTPUT_FOLDER/<Name>/<Name>.obj with <Name>.mtl (and <Name>.png where
the model has a texture) for every model name the chart's model table can
choose (the bundle's SkyImages/Models).

Phobos, Deimos, Amalthea, Hyperion and Vesta are stellarium-data's shape
models (models/: m1phobos.obj.gz, m2deimos.obj.gz, j5amalthea_MLfix.obj,
s7hyperion_21_MLfix.obj, 4vesta_21_MLfix.obj with their material files and
textures), inflated and renamed: the material library and the texture take
the model's name, and "Tr" (which these files write as opacity) becomes
"d". Every other name gets a plain stand-in built here from boxes,
cylinders, cones, dishes and lumpy ellipsoids, untextured, with flat
colours: the chart draws it at the object's true size and attitude, so only
its proportions matter. Stand-ins put a spacecraft's main axis along +z and
its antenna (where it has one) towards +x.

Deterministic: the same sources give the same files.
"""
import gzip
import math
import os
import random
import re
import shutil
import sys

SHAPE_MODELS = {
    # name: (OBJ file (gzip when it ends so), material library, texture)
    "Phobos": ("m1phobos.obj.gz", "m1phobos.mtl", "m1phobos.png"),
    "Deimos": ("m2deimos.obj.gz", "m2deimos.mtl", "m2deimos.png"),
    "Amalthea": ("j5amalthea_MLfix.obj", "j5amalthea_MLfix.obj.mtl", "j5amalthea.png"),
    "Hyperion": ("s7hyperion_21_MLfix.obj", "s7hyperion_21_MLfix.obj.mtl", "hyperion.png"),
    "Vesta": ("4vesta_21_MLfix.obj", "4vesta_21_MLfix.obj.mtl", "4vesta.png"),
}

# Stand-ins that are bodies rather than machines.
SMOOTH = {"Nix", "Hydra", "Styx", "Kerberos", "Ceres"}

MATERIALS = {
    # name: (diffuse rgb, specular grey, shininess (Ns))
    "rock": ((0.55, 0.52, 0.48), 0.05, 10),
    "ice": ((0.85, 0.86, 0.9), 0.2, 60),
    "foil": ((0.85, 0.68, 0.25), 0.5, 250),
    "white": ((0.9, 0.9, 0.9), 0.3, 100),
    "metal": ((0.6, 0.6, 0.62), 0.6, 300),
    "dark": ((0.25, 0.25, 0.28), 0.2, 50),
    "panel": ((0.12, 0.16, 0.4), 0.7, 400),
    "gold": ((0.9, 0.75, 0.3), 0.6, 300),
}


class Mesh:
    """Triangles grouped by material, written as OBJ with face normals."""

    def __init__(self, smooth=False):
        # Smooth meshes are written without normals: the chart's loader
        # then gives every vertex the area-weighted normal of its faces.
        self.smooth = smooth
        self.vertices, self.normals, self.faces = [], [], []

    def vertex(self, p):
        self.vertices.append(p)
        return len(self.vertices)

    def face(self, material, corners, normals=None):
        """Corners (1-based vertex indices) counter-clockwise seen from outside."""
        if normals is None:
            a, b, c = (self.vertices[i - 1] for i in corners[:3])
            n = cross(sub(b, a), sub(c, a))
            self.normals.append(normalize(n))
            normals = [len(self.normals)] * len(corners)
        self.faces.append((material, corners, normals))

    def write(self, folder, name):
        used = sorted({f[0] for f in self.faces})
        with open(os.path.join(folder, name + ".obj"), "w") as out:
            out.write("# %s: a stand-in model made by make_models.py\nmtllib %s.mtl\n" % (name, name))
            for v in self.vertices:
                out.write("v %.6f %.6f %.6f\n" % v)
            for n in [] if self.smooth else self.normals:
                out.write("vn %.6f %.6f %.6f\n" % n)
            for material in used:
                out.write("usemtl %s\n" % material)
                for m, corners, normals in self.faces:
                    if m == material and self.smooth:
                        out.write("f " + " ".join("%d" % c for c in corners) + "\n")
                    elif m == material:
                        out.write("f " + " ".join("%d//%d" % cn for cn in zip(corners, normals)) + "\n")
        with open(os.path.join(folder, name + ".mtl"), "w") as out:
            for material in used:
                (r, g, b), specular, shininess = MATERIALS[material]
                out.write("newmtl %s\nKa %.3f %.3f %.3f\nKd %.3f %.3f %.3f\nKs %.3f %.3f %.3f\n"
                          "Ns %d\nd 1\nillum 2\n\n" % (material, 0.2 * r, 0.2 * g, 0.2 * b, r, g, b,
                                                       specular, specular, specular, shininess))


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def add(a, b):
    return tuple(x + y for x, y in zip(a, b))


def scale(a, k):
    return tuple(x * k for x in a)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def normalize(a):
    length = math.sqrt(sum(x * x for x in a)) or 1.0
    return tuple(x / length for x in a)


def frame(axis):
    """Two unit vectors perpendicular to `axis` and to each other."""
    axis = normalize(axis)
    helper = (1, 0, 0) if abs(axis[0]) < 0.9 else (0, 1, 0)
    u = normalize(cross(axis, helper))
    return axis, u, cross(axis, u)


def box(mesh, material, centre, size):
    hx, hy, hz = (s / 2 for s in size)
    corners = [mesh.vertex(add(centre, (sx * hx, sy * hy, sz * hz)))
               for sx in (-1, 1) for sy in (-1, 1) for sz in (-1, 1)]
    c = lambda i, j, k: corners[i * 4 + j * 2 + k]
    mesh.face(material, [c(0, 0, 0), c(0, 0, 1), c(0, 1, 1), c(0, 1, 0)])
    mesh.face(material, [c(1, 0, 0), c(1, 1, 0), c(1, 1, 1), c(1, 0, 1)])
    mesh.face(material, [c(0, 0, 0), c(1, 0, 0), c(1, 0, 1), c(0, 0, 1)])
    mesh.face(material, [c(0, 1, 0), c(0, 1, 1), c(1, 1, 1), c(1, 1, 0)])
    mesh.face(material, [c(0, 0, 0), c(0, 1, 0), c(1, 1, 0), c(1, 0, 0)])
    mesh.face(material, [c(0, 0, 1), c(1, 0, 1), c(1, 1, 1), c(0, 1, 1)])


def frustum(mesh, material, base, axis, length, radius0, radius1, sides=16, caps=True):
    """A cylinder (equal radii), a cone or a truncated cone along `axis`."""
    w, u, v = frame(axis)
    top = add(base, scale(w, length))
    ring0, ring1 = [], []
    for k in range(sides):
        a = 2 * math.pi * k / sides
        d = add(scale(u, math.cos(a)), scale(v, math.sin(a)))
        ring0.append(mesh.vertex(add(base, scale(d, radius0))))
        ring1.append(mesh.vertex(add(top, scale(d, max(radius1, 1e-4)))))
    for k in range(sides):
        k1 = (k + 1) % sides
        mesh.face(material, [ring0[k], ring0[k1], ring1[k1], ring1[k]])
    if caps:
        mesh.face(material, ring0[::-1])
        mesh.face(material, ring1)


def dish(mesh, material, centre, axis, radius, depth, sides=24):
    """A shallow paraboloid opening towards `axis`, closed at the back."""
    w, u, v = frame(axis)
    back = mesh.vertex(sub(centre, scale(w, depth)))
    rim = []
    for k in range(sides):
        a = 2 * math.pi * k / sides
        rim.append(mesh.vertex(add(centre, scale(add(scale(u, math.cos(a)), scale(v, math.sin(a))), radius))))
    for k in range(sides):
        mesh.face(material, [back, rim[(k + 1) % sides], rim[k]])
    mesh.face(material, rim)


def ellipsoid(mesh, material, centre, radii, seed=0, roughness=0.0, rows=12, columns=24):
    """A lumpy ellipsoid: radii perturbed by smooth random bumps."""
    rng = random.Random(seed)
    bumps = [(normalize((rng.gauss(0, 1), rng.gauss(0, 1), rng.gauss(0, 1))), rng.uniform(-1, 1))
             for _ in range(8)]

    def point(lat, lon):
        d = (math.cos(lat) * math.cos(lon), math.cos(lat) * math.sin(lon), math.sin(lat))
        k = 1 + roughness * sum(h * math.exp(-4 * (1 - sum(a * b for a, b in zip(d, n))))
                                for n, h in bumps)
        return add(centre, tuple(r * x * k for r, x in zip(radii, d)))

    grid = [[mesh.vertex(point(math.pi / 2 - math.pi * i / rows, 2 * math.pi * j / columns))
             for j in range(columns)] for i in range(rows + 1)]
    for i in range(rows):
        for j in range(columns):
            j1 = (j + 1) % columns
            if i > 0:
                mesh.face(material, [grid[i][j], grid[i + 1][j], grid[i][j1]])
            if i < rows - 1:
                mesh.face(material, [grid[i][j1], grid[i + 1][j], grid[i + 1][j1]])


def panel_pair(mesh, centre, span, width, gap, material="panel"):
    """Two flat wings along y either side of `centre`, facing +z."""
    for side in (-1, 1):
        box(mesh, material, add(centre, (0, side * (gap + span / 2), 0)), (width, span, 0.02))


def bus_with_wings(mesh, bus, span, width, material="foil"):
    box(mesh, material, (0, 0, 0), bus)
    panel_pair(mesh, (0, 0, 0), span, width, bus[1] / 2)


def stand_ins():
    models = {}

    def model(name):
        def register(build):
            models[name] = build
            return build
        return register

    for name, radii, seed in [("Nix", (25, 16, 13), 1), ("Hydra", (26, 20, 15), 2),
                              ("Styx", (8, 5, 4), 3), ("Kerberos", (10, 7, 5), 4)]:
        models[name] = lambda m, r=radii, s=seed: ellipsoid(m, "ice", (0, 0, 0), r, s, 0.15)
    models["Ceres"] = lambda m: ellipsoid(m, "rock", (0, 0, 0), (482, 482, 446), 5, 0.01, 24, 48)

    @model("ISS")
    def iss(m):
        box(m, "metal", (0, 0, 0), (1.0, 108.0, 1.0))                   # truss along y
        frustum(m, "white", (-25, 0, 0), (1, 0, 0), 50, 2.1, 2.1)        # modules along x
        frustum(m, "white", (0, -6, 0), (0, 0, 1), 12, 2.2, 2.2)
        for y in (-50, -38, 38, 50):
            for z in (-1, 1):
                box(m, "gold", (0, y, z * 17), (11.6, 0.05, 32.0))      # eight arrays
        box(m, "white", (0, 20, 0), (0.1, 3.0, 22.0))                   # radiators

    @model("HST")
    def hst(m):
        frustum(m, "metal", (0, 0, -6.6), (0, 0, 1), 13.2, 2.1, 2.1)
        frustum(m, "dark", (0, 0, 6.6), (0, 0, 1), 0.2, 2.1, 2.1)
        for y in (-1, 1):
            box(m, "panel", (0, y * 4.0, 1.0), (0.05, 2.5, 12.0))
        dish(m, "white", (2.6, 0, 0), (1, 0, 0), 0.6, 0.2)

    @model("Aqua")
    def aqua(m):
        box(m, "foil", (0, 0, 0), (2.7, 2.5, 6.5))
        box(m, "panel", (0, 9.0, 0), (0.05, 14.0, 4.8))

    models["Aura"] = aqua

    @model("Mirrowen")
    def cubesat(m):
        box(m, "metal", (0, 0, 0), (0.1, 0.1, 0.3))
        panel_pair(m, (0, 0, 0), 0.3, 0.1, 0.05)

    @model("Agena")
    def rocket_body(m):
        frustum(m, "white", (0, 0, -4), (0, 0, 1), 8, 0.76, 0.76)
        frustum(m, "dark", (0, 0, -5.2), (0, 0, 1), 1.2, 0.6, 0.25, caps=False)

    @model("TDRS")
    def tdrs(m):
        box(m, "foil", (0, 0, 0), (2.5, 2.5, 3.0))
        for y in (-1, 1):
            dish(m, "white", (1.5, y * 3.0, 0.5), (1, 0, 0), 2.45, 0.6)
        panel_pair(m, (0, 0, 0), 3.8, 3.8, 1.5)

    @model("GPS")
    def gps(m):
        bus_with_wings(m, (2.0, 1.8, 2.2), 5.5, 2.2)
        box(m, "white", (1.2, 0, 0), (0.4, 1.4, 1.4))

    @model("Galileo")
    def galileo(m):
        bus_with_wings(m, (1.3, 1.1, 2.5), 6.0, 1.1)
        dish(m, "white", (1.0, 0, 0.4), (1, 0, 0), 0.6, 0.15)

    @model("Globalstar")
    def globalstar(m):
        frustum(m, "foil", (0, 0, -0.8), (0, 0, 1), 1.6, 0.9, 0.9, sides=3)
        panel_pair(m, (0, 0, 0), 4.0, 1.2, 0.8)

    @model("Iridium")
    def iridium(m):
        frustum(m, "foil", (0, 0, -2.0), (0, 0, 1), 4.0, 0.6, 0.6, sides=3)
        for a in range(3):
            t = 2 * math.pi * a / 3
            box(m, "gold", (0.9 * math.cos(t), 0.9 * math.sin(t), 0.5), (0.05 + 0.2 * abs(math.sin(t)),
                                                                        0.05 + 0.2 * abs(math.cos(t)), 1.8))
        panel_pair(m, (0, 0, -2.0), 1.5, 1.0, 0.6)

    @model("Dragon")
    def dragon(m):
        frustum(m, "white", (0, 0, 0), (0, 0, 1), 2.5, 1.85, 0.8)
        frustum(m, "white", (0, 0, -2.8), (0, 0, 1), 2.8, 1.85, 1.85)
        panel_pair(m, (0, 0, -1.4), 7.0, 1.4, 1.85)

    @model("Soyuz")
    def soyuz(m):
        ellipsoid(m, "foil", (0, 0, 3.0), (1.1, 1.1, 1.3), 0, 0.0, 8, 16)
        frustum(m, "foil", (0, 0, 0.4), (0, 0, 1), 1.9, 1.1, 0.8)
        frustum(m, "metal", (0, 0, -2.2), (0, 0, 1), 2.6, 1.35, 1.1)
        panel_pair(m, (0, 0, -1.5), 4.0, 1.3, 1.35)

    @model("LFB")
    def booster(m):
        frustum(m, "white", (0, 0, -19), (0, 0, 1), 38, 1.7, 1.7)
        frustum(m, "white", (0, 0, 19), (0, 0, 1), 3, 1.7, 0.2)

    @model("Satellite")
    def satellite(m):
        bus_with_wings(m, (1.5, 1.5, 1.5), 4.0, 1.3)
        dish(m, "white", (0.9, 0, 0), (1, 0, 0), 0.6, 0.15)

    @model("Pioneer")
    def pioneer(m):
        dish(m, "white", (0.6, 0, 0), (1, 0, 0), 1.37, 0.45)
        frustum(m, "foil", (-0.4, 0, 0), (1, 0, 0), 0.4, 0.7, 0.7, sides=6)
        for t in (0, 2 * math.pi / 3, 4 * math.pi / 3):
            box(m, "metal", (-0.2, 1.8 * math.cos(t), 1.8 * math.sin(t)),
                (0.25, 0.3 + 1.5 * abs(math.cos(t)), 0.3 + 1.5 * abs(math.sin(t))))

    @model("Voyager")
    def voyager(m):
        dish(m, "white", (0.8, 0, 0), (1, 0, 0), 1.83, 0.5)
        frustum(m, "foil", (-0.2, 0, 0), (1, 0, 0), 0.5, 0.9, 0.9, sides=10)
        box(m, "metal", (-0.3, 0, 4.5), (0.1, 0.1, 13.0))    # magnetometer boom
        box(m, "dark", (-0.3, -2.5, 0), (0.3, 4.0, 0.3))     # RTG boom
        box(m, "metal", (-0.3, 2.0, 0), (0.3, 3.0, 0.3))     # science boom

    @model("Cassini")
    def cassini(m):
        frustum(m, "gold", (0, 0, -3.4), (0, 0, 1), 6.8, 1.0, 1.0)
        dish(m, "white", (0, 0, 3.9), (0, 0, 1), 2.0, 0.5)
        box(m, "dark", (0, 1.3, -2.0), (0.4, 0.4, 1.5))

    @model("NewHorizons")
    def new_horizons(m):
        frustum(m, "gold", (-0.35, 0, 0), (1, 0, 0), 0.7, 1.1, 1.1, sides=3)
        dish(m, "white", (0.7, 0, 0), (1, 0, 0), 1.05, 0.3)
        frustum(m, "dark", (0, 0, -1.1), (0, 0, -1), 1.0, 0.2, 0.2)

    @model("Dawn")
    def dawn(m):
        box(m, "foil", (0, 0, 0), (1.6, 1.3, 1.8))
        panel_pair(m, (0, 0, 0), 8.3, 2.3, 0.65)
        dish(m, "white", (0.9, 0, 0.3), (1, 0, 0), 0.75, 0.2)

    @model("Juno")
    def juno(m):
        frustum(m, "foil", (0, 0, -1.75), (0, 0, 1), 3.5, 1.75, 1.75, sides=6)
        for t in (0, 2 * math.pi / 3, 4 * math.pi / 3):
            box(m, "panel", (5.5 * math.cos(t), 5.5 * math.sin(t), 0),
                (0.2 + 8.9 * abs(math.cos(t)), 0.2 + 8.9 * abs(math.sin(t)), 0.05))
        dish(m, "white", (0, 0, 2.0), (0, 0, 1), 1.25, 0.3)

    return models


def copy_shape_model(source, out, name, obj, mtl, texture):
    folder = os.path.join(out, name)
    os.makedirs(folder, exist_ok=True)
    opener = gzip.open if obj.endswith(".gz") else open
    with opener(os.path.join(source, obj), "rt") as f:
        text = f.read()
    text = re.sub(r"^mtllib .*$", "mtllib %s.mtl" % name, text, flags=re.M)
    with open(os.path.join(folder, name + ".obj"), "w") as f:
        f.write(text)
    with open(os.path.join(source, mtl)) as f:
        materials = f.read()
    materials = re.sub(r"^map_Kd .*$", "map_Kd %s.png" % name, materials, flags=re.M)
    materials = re.sub(r"^Tr ", "d ", materials, flags=re.M)
    with open(os.path.join(folder, name + ".mtl"), "w") as f:
        f.write(materials)
    shutil.copyfile(os.path.join(source, texture), os.path.join(folder, name + ".png"))


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    source, out = sys.argv[1:]
    for name, files in sorted(SHAPE_MODELS.items()):
        copy_shape_model(source, out, name, *files)
    for name, build in sorted(stand_ins().items()):
        mesh = Mesh(smooth=name in SMOOTH)
        build(mesh)
        folder = os.path.join(out, name)
        os.makedirs(folder, exist_ok=True)
        mesh.write(folder, name)


if __name__ == "__main__":
    main()
