#!/usr/bin/env python3
# Seeded random drawings of the entity kinds the extended import reads, written with ezdxf: a
# random mix of MTEXT (with formatting codes), TEXT with control codes, bulged LWPOLYLINEs,
# ELLIPSEs (full and partial), SPLINEs (from control points and from fit points), HATCHes
# (polyline paths and edge paths of lines, arcs and ellipses), SOLIDs, 3DFACEs, linear
# DIMENSIONs (rendered into their anonymous blocks), MINSERT arrays of a small block, and
# mirrored arcs and circles (extrusion (0, 0, -1)), within a square of a few thousand drawing
# units. The same seed gives the same drawings; every third one is binary DXF.
# write_drawings(FOLDER, COUNT, SEED) writes FOLDER/random_SEED_I.dxf (used by
# interop_gdal_coverage.py).

import math
import os
import random

import ezdxf

SIZE = 4000.0  # drawing units: the side of the square the entities lie in
WORDS = ["DOOR", "Wall", "north", "Hall", "kitchen", "Ø 12", "level", "axis", "B-7", "roof"]
CONTROL_CODES = ["%%d", "%%c", "%%p", "%%u", "%%%", "%%o"]


def point(rng, margin=200.0):
    return (rng.uniform(margin, SIZE - margin), rng.uniform(margin, SIZE - margin))


def words(rng, count):
    return " ".join(rng.choice(WORDS) for _ in range(count))


def add_mtext(msp, rng):
    body = words(rng, 2) + "\\P" + "{\\fArial|b1;" + words(rng, 1) + "}" + " \\L" + words(rng, 1)
    msp.add_mtext(body, dxfattribs={
        "insert": point(rng), "char_height": rng.uniform(20, 60),
        "rotation": rng.choice([0.0, 30.0, 90.0, rng.uniform(0, 360)]),
        "attachment_point": rng.randint(1, 9)})


def add_coded_text(msp, rng):
    text = rng.choice(CONTROL_CODES).join([words(rng, 1), words(rng, 1)])
    msp.add_text(text, dxfattribs={"insert": point(rng), "height": rng.uniform(20, 60),
                                   "rotation": rng.uniform(0, 360)})


def add_bulged_polyline(msp, rng):
    x, y = point(rng, 600)
    vertices = []
    for _ in range(rng.randint(3, 6)):
        bulge = rng.choice([0.0, rng.uniform(-1.5, 1.5)])
        vertices.append((x, y, 0, 0, bulge))
        x += rng.uniform(-300, 300)
        y += rng.uniform(-300, 300)
    msp.add_lwpolyline(vertices, format="xyseb", close=rng.random() < 0.5)


def add_ellipse(msp, rng):
    angle = rng.uniform(0, math.pi)
    length = rng.uniform(80, 400)
    major = (length * math.cos(angle), length * math.sin(angle), 0)
    start, end = (0.0, math.tau) if rng.random() < 0.5 else (
        rng.uniform(0, math.pi), rng.uniform(math.pi, 2 * math.pi))
    msp.add_ellipse(point(rng, 500), major_axis=major, ratio=rng.uniform(0.2, 1.0),
                    start_param=start, end_param=end)


def add_spline(msp, rng):
    x, y = point(rng, 600)
    points = [(x + rng.uniform(-400, 400), y + rng.uniform(-400, 400), 0)
              for _ in range(rng.randint(4, 7))]
    if rng.random() < 0.5:
        # Control points computed from the fit points, and the fit points kept beside them
        # (GDAL reads only the control points).
        spline = msp.add_cad_spline_control_frame(points)
        spline.fit_points = points
    else:
        msp.add_open_spline(points, degree=rng.choice([2, 3]))


def add_hatch(msp, rng):
    hatch = msp.add_hatch(color=rng.randint(1, 7))
    x, y = point(rng, 500)
    if rng.random() < 0.5:
        corners = [(x + rng.uniform(-300, 300), y + rng.uniform(-300, 300)) for _ in range(4)]
        corners.sort(key=lambda p: math.atan2(p[1] - y, p[0] - x))
        hatch.paths.add_polyline_path(corners, is_closed=True)
        return
    edges = hatch.paths.add_edge_path()
    width, height = rng.uniform(100, 400), rng.uniform(100, 400)
    edges.add_line((x, y), (x + width, y))
    edges.add_arc((x + width, y + height / 2), radius=height / 2, start_angle=270,
                  end_angle=90, ccw=True)
    edges.add_line((x + width, y + height), (x, y + height))
    edges.add_ellipse((x, y + height / 2), major_axis=(0, height / 2), ratio=0.5,
                      start_angle=0, end_angle=180, ccw=True)


def add_solid(msp, rng):
    x, y = point(rng, 400)
    corners = [(x + rng.uniform(-200, 200), y + rng.uniform(-200, 200)) for _ in range(4)]
    msp.add_solid(corners[: rng.choice([3, 4])])


def add_3dface(msp, rng):
    x, y = point(rng, 400)
    corners = [(x + rng.uniform(-200, 200), y + rng.uniform(-200, 200), rng.uniform(0, 50))
               for _ in range(4)]
    msp.add_3dface(corners)


def add_dimension(msp, rng):
    p1 = point(rng, 600)
    p2 = (p1[0] + rng.uniform(100, 500), p1[1] + rng.uniform(-50, 50))
    base = (p1[0], p1[1] + rng.uniform(60, 200))
    dim = msp.add_linear_dim(base=base, p1=p1, p2=p2, angle=rng.choice([0, 90]),
                             dxfattribs={"dimstyle": "EZDXF"},
                             override={"dimtxt": rng.uniform(15, 40)})
    dim.render()


def add_minsert(doc, msp, rng):
    name = f"CELL{len(doc.blocks)}"
    if name not in doc.blocks:
        block = doc.blocks.new(name)
        block.add_line((0, 0), (40, 0))
        block.add_line((40, 0), (40, 30))
        block.add_circle((20, 15), 10)
    msp.add_blockref(name, point(rng, 800), dxfattribs={
        "column_count": rng.randint(2, 4), "row_count": rng.randint(1, 3),
        "column_spacing": rng.uniform(60, 120), "row_spacing": rng.uniform(50, 100),
        "rotation": rng.choice([0.0, 30.0])})


def add_mirrored_curve(msp, rng):
    # In the plane seen from below, x runs the other way: the center is given in that plane.
    x, y = point(rng, 500)
    attributes = {"extrusion": (0, 0, -1)}
    if rng.random() < 0.5:
        msp.add_circle((-x, y), rng.uniform(30, 300), dxfattribs=attributes)
    else:
        msp.add_arc((-x, y), rng.uniform(30, 300), rng.uniform(0, 180), rng.uniform(180, 360),
                    dxfattribs=attributes)


ADDERS = [add_mtext, add_coded_text, add_bulged_polyline, add_ellipse, add_spline, add_hatch,
          add_solid, add_3dface, add_dimension, add_mirrored_curve]


def drawing(seed):
    rng = random.Random(seed)
    doc = ezdxf.new("R2010", setup=True)
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (SIZE, 0), (SIZE, SIZE), (0, SIZE)], close=True)
    for _ in range(rng.randint(25, 40)):
        kind = rng.randrange(len(ADDERS) + 1)
        if kind == len(ADDERS):
            add_minsert(doc, msp, rng)
        else:
            ADDERS[kind](msp, rng)
    return doc


def write_drawings(folder, count, seed):
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, f"random_{seed}_{index}.dxf") for index in range(count)]
    for index, path in enumerate(paths):
        drawing(seed * 1000 + index).saveas(path, fmt="bin" if index % 3 == 2 else "asc")
    return paths

