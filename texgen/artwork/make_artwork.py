#!/usr/bin/env python3
"""Builds the artwork point table from the drawing sources.

Regenerate the table (run from the repository root):
    python3 texgen/artwork/make_artwork.py
Also write quick SVG/PNG sketches of every picture (shapes, flood seeds,
captions) into a folder, plus a contact sheet sheet.png:
    python3 texgen/artwork/make_artwork.py --sketch /tmp/art

Sources: texgen/artwork/recipeNN.art, one per picture 2..16. Every shape line
feeds the next drawing step of that picture (texgen/artwork.h lists the steps
with their point counts); the shape is resampled to exactly that count.

Source syntax (one statement per line, '#' starts a comment):
    place [halve=K] [shift=DX,DY]  the layer the following shapes go to is
                                   halved K times and then shifted; shapes are
                                   written where they finally appear
    frame OX,OY [SX[,SY]]          following coordinates are local:
                                   final = O + S * local (SX < 0 mirrors)
    name: dot X,Y                  one point (a disc, or an unused line point)
    name: poly P P ...             polyline through the points, corners kept
    name: curve P P ...            smooth curve through the points
    name: loop P P ...             closed smooth curve through the points
    name: ellipse CX,CY RX,RY [A0 A1]  arc in degrees (0 = right, 90 = down)
    name: rect X0,Y0 X1,Y1         closed rectangle
    name: glyph C X,Y H            handwritten character C, box top-left X,Y, height H
    name: cloud CX,CY RX,RY K D    closed cloud outline with K bumps of depth D
    name: tube W0 W1 P P ...       closed outline of a band around a smooth line
    name: path P *P P ...          line through the points, smooth except at
                                   the ends and at points marked '*'
    copy DX,DY                     sketch only: the layer appears again shifted
    seed X,Y COLOUR                sketch only: a flood seed (source coordinates)
    caption "TEXT" H DX DY         sketch only: a caption line and its shift
"""
import math
import pathlib
import re
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
HEADER = HERE.parent / "artwork.h"
TABLE = HERE / "artwork_points.cpp"
Y_MIN, Y_MAX = 0.001953, 0.996094
TOTAL = 4878


class ArtError(Exception):
    pass


def read_steps():
    text = HEADER.read_text()
    found = re.findall(r"\{(\d+), Artwork(\w+), (\d+), ([\d.]+)\}", text)
    steps = [(int(r), k, int(c), float(rad)) for r, k, c, rad in found]
    if sum(s[2] for s in steps) != TOTAL:
        raise ArtError("step table does not add up to %d points" % TOTAL)
    return steps


def parse_point(tok):
    x, y = tok.split(",")
    return (float(x), float(y))


def seg_len(a, b):
    return math.hypot(b[0] - a[0], b[1] - a[1])


def subdivide(verts, n):
    """Keeps every vertex and spreads the extra points over the longest segments."""
    if n < len(verts):
        raise ArtError("poly has %d vertices but the step takes %d" % (len(verts), n))
    lens = [seg_len(verts[i], verts[i + 1]) for i in range(len(verts) - 1)]
    parts = [1] * len(lens)
    for _ in range(n - len(verts)):
        i = max(range(len(lens)), key=lambda k: lens[k] / parts[k])
        parts[i] += 1
    out = [verts[0]]
    for i, m in enumerate(parts):
        a, b = verts[i], verts[i + 1]
        for j in range(1, m + 1):
            t = j / m
            out.append((a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t))
    return out


def catmull_rom(pts, closed, per_seg=64):
    if closed:
        pts = pts + [pts[0]]
        ext = [pts[-2]] + pts + [pts[1]]
    else:
        ext = [pts[0]] + pts + [pts[-1]]
    dense = []
    for i in range(1, len(ext) - 2):
        p0, p1, p2, p3 = ext[i - 1], ext[i], ext[i + 1], ext[i + 2]
        for j in range(per_seg):
            t = j / per_seg
            t2, t3 = t * t, t * t * t
            dense.append(
                tuple(
                    0.5
                    * (
                        2 * p1[c]
                        + (-p0[c] + p2[c]) * t
                        + (2 * p0[c] - 5 * p1[c] + 4 * p2[c] - p3[c]) * t2
                        + (-p0[c] + 3 * p1[c] - 3 * p2[c] + p3[c]) * t3
                    )
                    for c in (0, 1)
                )
            )
    dense.append(ext[-2])
    return dense


def by_arc_length(dense, n):
    if n == 1:
        return [dense[0]]
    acc = [0.0]
    for i in range(1, len(dense)):
        acc.append(acc[-1] + seg_len(dense[i - 1], dense[i]))
    out, k = [], 0
    for j in range(n):
        s = acc[-1] * j / (n - 1)
        while k < len(acc) - 2 and acc[k + 1] < s:
            k += 1
        span = acc[k + 1] - acc[k]
        t = 0 if span == 0 else (s - acc[k]) / span
        a, b = dense[k], dense[k + 1]
        out.append((a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t))
    return out

# Single-stroke handwriting: each glyph is one pen path in a box 0.6 wide and
# 1 high (y down, baseline at 1); "curve" glyphs are smoothed, "poly" ones kept.
GLYPHS = {
    "a": ("curve", [(0.5, 0.5), (0.28, 0.45), (0.08, 0.7), (0.25, 0.98), (0.48, 0.78), (0.5, 0.5), (0.52, 0.9), (0.62, 1.0)]),
    "b": ("curve", [(0.12, 0.0), (0.1, 0.5), (0.1, 1.0), (0.12, 0.7), (0.35, 0.47), (0.55, 0.72), (0.35, 1.0), (0.12, 0.9)]),
    "c": ("curve", [(0.55, 0.5), (0.3, 0.42), (0.08, 0.7), (0.3, 0.98), (0.58, 0.9)]),
    "d": ("curve", [(0.5, 0.62), (0.27, 0.45), (0.06, 0.72), (0.27, 1.0), (0.5, 0.82), (0.52, 0.3), (0.5, 0.0)]),
    "e": ("curve", [(0.1, 0.72), (0.55, 0.66), (0.38, 0.44), (0.1, 0.6), (0.15, 0.95), (0.58, 0.92)]),
    "i": ("poly", [(0.3, 0.5), (0.3, 1.0)]),
    "n": ("curve", [(0.08, 0.45), (0.1, 0.75), (0.1, 1.0), (0.14, 0.6), (0.35, 0.45), (0.5, 0.6), (0.5, 1.0)]),
    "x": ("poly", [(0.05, 0.45), (0.55, 1.0), (0.3, 0.725), (0.55, 0.45), (0.05, 1.0)]),
    "p": ("poly", [(0.12, 1.0), (0.2, 0.43), (0.65, 0.42), (0.45, 0.42), (0.47, 0.95), (0.58, 1.0)]),
    "0": ("curve", [(0.32, 0.0), (0.06, 0.45), (0.3, 1.0), (0.56, 0.5), (0.32, 0.0), (0.2, 0.08)]),
    "1": ("poly", [(0.1, 0.25), (0.35, 0.0), (0.35, 1.0)]),
    "2": ("curve", [(0.06, 0.25), (0.3, 0.02), (0.55, 0.2), (0.45, 0.5), (0.06, 1.0), (0.6, 0.98)]),
    "3": ("curve", [(0.05, 0.1), (0.3, 0.0), (0.5, 0.2), (0.25, 0.45), (0.55, 0.7), (0.3, 1.0), (0.0, 0.9)]),
    "4": ("poly", [(0.45, 1.0), (0.45, 0.0), (0.0, 0.7), (0.6, 0.7)]),
    "6": ("curve", [(0.5, 0.05), (0.2, 0.2), (0.05, 0.7), (0.3, 1.0), (0.55, 0.75), (0.3, 0.5), (0.07, 0.7)]),
    "+": ("poly", [(0.3, 0.3), (0.3, 0.9), (0.3, 0.6), (0.0, 0.6), (0.6, 0.6)]),
    "=": ("poly", [(0.0, 0.52), (0.6, 0.5)]),
    "_": ("poly", [(0.0, 0.76), (0.6, 0.74)]),
    "-": ("poly", [(0.05, 0.64), (0.55, 0.62)]),
    "~": ("curve", [(0.0, 0.6), (0.15, 0.5), (0.3, 0.6), (0.45, 0.65), (0.6, 0.54)]),
    "/": ("poly", [(0.5, 0.0), (0.05, 1.0)]),
    ".": ("poly", [(0.27, 0.94), (0.33, 1.0)]),
    "S": ("poly", [(0.62, 0.1), (0.55, 0.0), (0.0, 0.0), (0.35, 0.5), (0.0, 1.0), (0.6, 1.0), (0.65, 0.9)]),
    "I": ("curve", [(0.6, -0.05), (0.45, -0.1), (0.32, 0.2), (0.28, 0.8), (0.15, 1.1), (0.0, 1.02)]),
    "r": ("poly", [(0.0, 0.55), (0.1, 0.6), (0.2, 1.0), (0.45, 0.0), (0.7, 0.0)]),
}


def glyph_shape(args, n):
    kind, pts = GLYPHS[args[0]]
    (ox, oy), h = parse_point(args[1]), float(args[2])
    pts = [(ox + x * h, oy + y * h) for x, y in pts]
    if kind == "poly" and n >= len(pts):
        return subdivide(pts, n)
    dense = catmull_rom(pts, False) if kind == "curve" else subdivide(pts, len(pts) * 40)
    return by_arc_length(dense, n)


def cloud_shape(args, n):
    """Closed scalloped outline: an ellipse with `bumps` outward arcs."""
    (cx, cy), (rx, ry) = parse_point(args[0]), parse_point(args[1])
    bumps, depth = int(args[2]), float(args[3])
    out = []
    for j in range(n):
        t = j / (n - 1)
        a = 2 * math.pi * t
        k = 1 + depth * abs(math.sin(bumps * a / 2))
        out.append((cx + rx * k * math.cos(a), cy + ry * k * math.sin(a)))
    out[-1] = out[0]
    return out


def tube_shape(args, n):
    """Closed outline of a band of width W0..W1 around a smooth centre line."""
    w0, w1 = float(args[0]), float(args[1])
    centre = by_arc_length(catmull_rom([parse_point(a) for a in args[2:]], False), 400)
    left, right = [], []
    for i, p in enumerate(centre):
        a, b = centre[max(i - 1, 0)], centre[min(i + 1, len(centre) - 1)]
        dx, dy = b[0] - a[0], b[1] - a[1]
        d = math.hypot(dx, dy) or 1
        w = (w0 + (w1 - w0) * i / (len(centre) - 1)) / 2
        left.append((p[0] - dy / d * w, p[1] + dx / d * w))
        right.append((p[0] + dy / d * w, p[1] - dx / d * w))
    ring = left + right[::-1] + [left[0]]
    return by_arc_length(ring, n)


def path_shape(args, n):
    """Smooth runs between corner points, joined and resampled as one line."""
    pts = [parse_point(a.lstrip("*")) for a in args]
    corners = [i for i, a in enumerate(args) if a.startswith("*")]
    cuts = sorted(set([0, len(pts) - 1] + corners))
    dense = []
    for a, b in zip(cuts, cuts[1:]):
        run = catmull_rom(pts[a : b + 1], False, 16)
        dense += run if not dense else run[1:]
    return by_arc_length(dense, n)


def make_shape(kind, args, n):
    if kind == "dot":
        if n != 1:
            raise ArtError("dot needs a one-point step, this one takes %d" % n)
        return [parse_point(args[0])]
    if kind == "poly":
        return subdivide([parse_point(a) for a in args], n)
    if kind in ("curve", "loop"):
        pts = [parse_point(a) for a in args]
        return by_arc_length(catmull_rom(pts, kind == "loop"), n)
    if kind == "glyph":
        return glyph_shape(args, n)
    if kind == "cloud":
        return cloud_shape(args, n)
    if kind == "tube":
        return tube_shape(args, n)
    if kind == "path":
        return path_shape(args, n)
    if kind == "rect":
        (x0, y0), (x1, y1) = parse_point(args[0]), parse_point(args[1])
        return subdivide([(x0, y0), (x1, y0), (x1, y1), (x0, y1), (x0, y0)], n)
    if kind == "ellipse":
        (cx, cy), (rx, ry) = parse_point(args[0]), parse_point(args[1])
        a0, a1 = (float(args[2]), float(args[3])) if len(args) > 2 else (0.0, 360.0)
        if n == 1:
            return [(cx, cy)]
        out = []
        for j in range(n):
            a = math.radians(a0 + (a1 - a0) * j / (n - 1))
            out.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
        return out
    raise ArtError("unknown shape kind " + kind)


class Placement:
    def __init__(self):
        self.halve, self.dx, self.dy = 0, 0, 0  # shift in pixels
        self.ox, self.oy, self.sx, self.sy = 0.0, 0.0, 1.0, 1.0

    def local_to_final(self, p):
        return (self.ox + self.sx * p[0], self.oy + self.sy * p[1])

    def final_to_source(self, p):
        k = 2**self.halve
        return ((p[0] - self.dx / 1023) * k, (p[1] - self.dy / 1023) * k)

    def source_to_final(self, p):
        k = 2**self.halve
        return (p[0] / k + self.dx / 1023, p[1] / k + self.dy / 1023)


def shift_pixels(d):
    return int(1023 * d)  # truncation toward zero


def load_recipe(recipe, steps):
    path = HERE / ("recipe%02d.art" % recipe)
    mine = [s for s in steps if s[0] == recipe]
    if not path.exists():
        raise ArtError(path.name + " missing")
    shapes, sketch = [], []
    place = Placement()
    layer_start = 0
    for lineno, raw in enumerate(path.read_text().splitlines(), 1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        where = "%s:%d" % (path.name, lineno)
        try:
            if ":" in line.split()[0]:
                name, rest = line.split(":", 1)
                words = rest.split()
                if len(shapes) >= len(mine):
                    raise ArtError("more shapes than the picture has drawing steps")
                _, kind, count, radius = mine[len(shapes)]
                local = make_shape(words[0], words[1:], count)
                final = [place.local_to_final(p) for p in local]
                src = [place.final_to_source(p) for p in final]
                shapes.append((name.strip(), kind, count, radius, src, place, where))
                continue
            words = line.split()
            if words[0] == "place":
                place = Placement()
                layer_start = len(shapes)
                for w in words[1:]:
                    key, val = w.split("=")
                    if key == "halve":
                        place.halve = int(val)
                    elif key == "shift":
                        dx, dy = parse_point(val)
                        place.dx, place.dy = shift_pixels(dx), shift_pixels(dy)
                    else:
                        raise ArtError("unknown place option " + key)
            elif words[0] == "frame":
                o = parse_point(words[1])
                s = [float(v) for v in words[2].split(",")] if len(words) > 2 else [1.0]
                place.ox, place.oy = o
                place.sx, place.sy = s[0], s[1] if len(s) > 1 else abs(s[0])
            elif words[0] == "copy":
                dx, dy = parse_point(words[1])
                sketch.append(("copy", layer_start, len(shapes), dx, dy))
            elif words[0] == "seed":
                sketch.append(("seed", place.source_to_final(parse_point(words[1])), words[2]))
            elif words[0] == "caption":
                m = re.match(r'caption\s+"(.*)"\s+(\d+)\s+(\S+)\s+(\S+)', line)
                sketch.append(("caption", m.group(1), int(m.group(2)), float(m.group(3)), float(m.group(4))))
            else:
                raise ArtError("unknown statement " + words[0])
        except (ArtError, ValueError, IndexError) as e:
            raise ArtError("%s: %s" % (where, e))
    if len(shapes) != len(mine):
        raise ArtError("%s: %d shapes for %d drawing steps" % (path.name, len(shapes), len(mine)))
    return shapes, sketch


def rounded(p):
    return (round(p[0], 6), round(p[1], 6))


def check_points(shape):
    name, kind, count, radius, src, place, where = shape
    pts = [rounded(p) for p in src]
    for x, y in pts:
        if not (0 <= x <= 1 and Y_MIN <= y <= Y_MAX):
            raise ArtError("%s: %s leaves the picture at (%.6f, %.6f)" % (where, name, x, y))
    for a, b in zip(pts, pts[1:]):
        if a == b:
            raise ArtError("%s: %s has a zero-length segment at %s" % (where, name, a))
    return pts


def write_table(all_shapes):
    out = [
        "// Generated by texgen/artwork/make_artwork.py from texgen/artwork/recipe*.art;",
        "// edit the drawings there and regenerate.",
        '#include "texgen/artwork.h"',
        "",
        "const double ArtworkPoints[4878][2] = {",
    ]
    total = 0
    for recipe, shapes in all_shapes:
        out.append("    // picture %d" % recipe)
        for shape in shapes:
            pts = check_points(shape)
            out.append("    // %s (%s, %d)" % (shape[0], shape[1].lower(), shape[2]))
            for x, y in pts:
                out.append("    {%s, %s}," % (fmt(x), fmt(y)))
            total += len(pts)
    out.append("};")
    if total != TOTAL:
        raise ArtError("table has %d points, not %d" % (total, TOTAL))
    TABLE.write_text("\n".join(out) + "\n")


def fmt(v):
    s = "%.6f" % v
    s = s.rstrip("0")
    return s + "0" if s.endswith(".") else s


def sketch_recipe(recipe, shapes, sketch, folder):
    px = 1024
    body = []
    for sh in shapes:
        body += shape_svg(sh, px)
    for item in sketch:
        if item[0] == "copy":
            _, first, upto, dx, dy = item
            for sh in shapes[first:upto]:
                body += shape_svg(sh, px, shift_pixels(dx), shift_pixels(dy))
        elif item[0] == "seed":
            (x, y), col = item[1], item[2]
            body.append('<circle cx="%.1f" cy="%.1f" r="5" fill="%s" stroke="#f0f" stroke-width="2"/>'
                        % (x * px, y * px, col))
        elif item[0] == "caption":
            _, text, h, dx, dy = item
            x = 512 + shift_pixels(dx)
            y = shift_pixels(dy) + h * 0.75
            body.append('<text x="%d" y="%.1f" font-family="DejaVu Sans" font-size="%.1f" '
                        'fill="#f66" text-anchor="middle">%s</text>'
                        % (x, y, h * 0.75, text.replace("&", "&amp;").replace("<", "&lt;")))
    for frac, col in ((0.5625, "#0f0"), (0.625, "#ff0"), (0.75, "#f00")):
        body.append('<line x1="0" x2="1024" y1="%d" y2="%d" stroke="%s" stroke-width="1" '
                    'stroke-dasharray="8,8"/>' % (frac * px, frac * px, col))
    svg = ['<svg xmlns="http://www.w3.org/2000/svg" width="1024" height="1024">',
           '<rect width="1024" height="1024" fill="#223"/>'] + body + ["</svg>"]
    path = folder / ("picture%02d.svg" % recipe)
    path.write_text("\n".join(svg))
    subprocess.run(["convert", str(path), str(path.with_suffix(".png"))], check=True)


def shape_svg(sh, px, cdx=0, cdy=0):
    name, kind, count, radius, src, place, where = sh
    k = 2**place.halve
    fin = [(((place.source_to_final(p)[0] * 1023 + cdx) % 1024),
            ((place.source_to_final(p)[1] * 1023 + cdy) % 1024)) for p in src]
    if kind == "Lines":
        return [svg_poly(fin, "#fff", 1.2, 1.0)] if len(fin) > 1 else []
    w = 2 * radius * px / k
    op = 0.45 if kind == "Glow" else 0.9
    col = "#fc4" if kind == "Glow" else ("#9cf" if cdx or cdy else "#ddd")
    if len(fin) == 1:
        return ['<circle cx="%.1f" cy="%.1f" r="%.1f" fill="%s" opacity="%.2f"/>'
                % (fin[0][0], fin[0][1], w / 2, col, op)]
    return [svg_poly(fin, col, w, op)]


def svg_poly(pts, col, width, opacity):
    d = " ".join("%.1f,%.1f" % p for p in pts)
    return ('<polyline points="%s" fill="none" fill-opacity="0" stroke="%s" stroke-width="%.2f" opacity="%.2f" '
            'stroke-linecap="round" stroke-linejoin="round"/>' % (d, col, max(width, 1.0), opacity))


def main(argv):
    steps = read_steps()
    all_shapes = []
    sketches = []
    for recipe in range(2, 17):
        shapes, sketch = load_recipe(recipe, steps)
        all_shapes.append((recipe, shapes))
        sketches.append((recipe, shapes, sketch))
    write_table(all_shapes)
    if len(argv) > 2 and argv[1] == "--sketch":
        folder = pathlib.Path(argv[2])
        folder.mkdir(parents=True, exist_ok=True)
        for recipe, shapes, sketch in sketches:
            sketch_recipe(recipe, shapes, sketch, folder)
        pngs = [str(folder / ("picture%02d.png" % r)) for r in range(2, 17)]
        subprocess.run(["montage", *pngs, "-tile", "5x3", "-geometry", "320x320+4+4",
                        str(folder / "sheet.png")], check=True)


if __name__ == "__main__":
    try:
        main(sys.argv)
    except ArtError as e:
        sys.exit("make_artwork: %s" % e)
