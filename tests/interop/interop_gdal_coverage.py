#!/usr/bin/env python3
# How much of what GDAL reads from a drawing reaches the map: line work and texts, and the exact
# places of block copies.
#
# For every corpus drawing, and a few seeded random drawings of the kinds the extended import
# reads (tools/random_drawings.py, with ezdxf):
#   1. `ogr2ogr -f GeoJSON` (GDAL's DXF driver, blocks expanded, block geometries kept apart so
#      that texts in blocks stay texts). GDAL reads no binary DXF: it gets a text copy by ezdxf.
#   2. `dxfcnv import FILE --map MAP.json`, classic and `--extended`, default settings and the
#      multiplier 1 (a power of ten for a drawing only a few units across, see Units).
#   3. Line work: points sampled along GDAL's lines and polygon rings (z dropped) every
#      diagonal / SAMPLE_STEPS (more coarsely past MAX_SAMPLES), and the share of them within
#      the tolerance of the map's polylines, polygons (closing edge included) and arcs. GDAL's
#      points (POINT, text anchors) are not line work.
#   4. Texts: GDAL's features with a non-empty Text that arrive as a map text with the same
#      content (white space and case ignored) within TEXT_RADIUS of the diagonal, or as any map
#      text within the tolerance of GDAL's anchor. The anchor is where GDAL draws the label: the
#      point plus the style's dx, dy when the label is anchored elsewhere than its left baseline
#      end (a justified TEXT or ATTRIB: from 10/20 to 11/21). A left-anchored label with an
#      offset is an aligned or fitted TEXT (72 = 3, 5), which starts at 10/20: the point. A
#      fully transparent label (invisible entity, 60) is no text to arrive.
# Units: with the multiplier 1 a map unit is a drawing unit. The import cuts coordinates toward
# zero (a block copy carries the cuts of its base and insertion points), so the tolerance is
# 0.2 % of the diagonal, at least MIN_TOLERANCE map units. A drawing whose diagonal is below
# MIN_MAP_DIAGONAL is imported with the smallest power of ten that brings it there, and GDAL's
# coordinates are scaled alike. The diagonal is that of all GDAL gives; what GDAL does not read,
# and what the map holds beyond GDAL, is not counted.
#
# Blocks, exactly (BLOCK_DRAWINGS): the shares above forgive copies a little off or doubled. For
# drawings with nested inserts a comparison copy keeps the HEADER and TABLES and, in BLOCKS and
# ENTITIES, only what both read alike: LINE, LWPOLYLINE, POLYLINE (no bulges, no polyface or
# mesh) and INSERT (no MINSERT arrays, no insert in a block of a block defined later: the import
# expands only blocks it has read), none with an extrusion other than (0, 0, 1). Imported
# (classic) at a multiplier up to 1000 that keeps the drawing in the 32-bit map, its segments
# must equal GDAL's both ways, ends within BLOCK_TOLERANCE map units (a copied point carries the
# cuts of its value, base and insertion point, and the host rounds: up to about 1.1 units seen).
#
# Usage: interop_gdal_coverage.py --cli DXFCNV [--corpus FOLDER] [--generated N] [--seed S]
#                                 [--require] [--only NAME ...]
# Exit status: 1 when a drawing cannot be compared, the blocks differ, or with --require the
# extended import misses LINE_TARGET or TEXT_TARGET (or a floor of EXCEPTIONS); 77 (skipped)
# without ogr2ogr or the corpus; else 0.

import argparse
import json
import math
import os
import re
import sys
import tempfile
from collections import Counter
from types import SimpleNamespace

from interop_common import (CORPUS, SKIP, gdal_features, home, missing, python_with_ezdxf, run,
                            runs_of)

SENTINEL = b"AutoCAD Binary DXF\r\n\x1a\x00"
SAMPLE_STEPS = 500  # sampling step: the diagonal / this
MAX_SAMPLES = 60000
RELATIVE_TOLERANCE = 0.002  # of the diagonal
MIN_TOLERANCE = 2.0  # map units
MIN_MAP_DIAGONAL = MIN_TOLERANCE / RELATIVE_TOLERANCE  # map units; smaller drawings are scaled
TEXT_RADIUS = 0.05  # of the diagonal: how far a text with GDAL's content may lie
LINE_TARGET = 97.0
TEXT_TARGET = 90.0
GENERATED = " (generated)"
# Drawings that stay under a target because GDAL reads them wrongly, each with the kind of share
# ("line" or "text"), the floor it must still reach, and the evidence (docs/extended-import.md,
# "Where GDAL differs"). Every other drawing meets the targets under --require.
EXCEPTIONS = {
    "r12_blocks_dims_crlf.dxf": (
        "line", 79.0,
        "GDAL draws its rotated dimensions (empty blocks) as aligned ones, ignoring the angle 50 "
        "that the dimension texts confirm (d2=33.3/2 measures 16.65 along x); ezdxf's rendering "
        "of the same dimensions reaches the map at 99.3 %, GDAL's lies near ezdxf's at 79.5 %"),
}
BLOCK_DRAWINGS = ["bricscad_nested_inserts.dxf", "dimension_nested_blocks.dxf",
                  "acad2004_floorplan_crlf.dxf", "qcad3_supported_entities.dxf",
                  "r12_blocks_dims_crlf.dxf", "gdal_text_fancy.dxf"]
BLOCK_TOLERANCE = 2.0  # map units
MAP_LIMIT = 2**31 - 1


# --- GDAL's side -----------------------------------------------------------------------------

def text_copy_for_gdal(drawing, work):
    """The file GDAL reads: the drawing, or for binary DXF a text copy (None without ezdxf)."""
    with open(drawing, "rb") as handle:
        if handle.read(len(SENTINEL)) != SENTINEL:
            return drawing
    copy = os.path.join(work, "gdal_copy_" + os.path.basename(drawing))
    try:
        import ezdxf  # pylint: disable=import-outside-toplevel
        ezdxf.readfile(drawing).saveas(copy)
        return copy
    except Exception:  # pylint: disable=broad-except; no ezdxf, or ezdxf cannot read it
        return None


def points_of(geometry):
    if not geometry:
        return []
    if geometry["type"] == "Point":
        return [(float(geometry["coordinates"][0]), float(geometry["coordinates"][1]))]
    if geometry["type"] == "GeometryCollection":
        return [p for member in geometry["geometries"] for p in points_of(member)]
    return []


def label_anchor(point, style):
    """Where GDAL draws a text's label (see 4. above); None for a label it makes invisible."""
    label = re.search(r"LABEL\((.*)\)", style or "")
    if not label:
        return point
    params = re.sub(r't:"(?:[^"\\]|\\.)*"', "", label.group(1))
    colour = re.search(r"(?:^|,)c:#[0-9A-Fa-f]{6}([0-9A-Fa-f]{2})", params)
    if colour and colour.group(1) == "00":
        return None
    anchor = re.search(r"(?:^|,)p:(\d+)", params)
    if not anchor or anchor.group(1) == "1":
        return point
    offset = [re.search(rf"(?:^|,){k}:(-?[0-9.eE+-]+)g", params) for k in ("dx", "dy")]
    dx, dy = (float(m.group(1)) if m else 0.0 for m in offset)
    return (point[0] + dx, point[1] + dy)


def gdal_drawing(features):
    runs, texts, everything = [], [], []
    for feature in features:
        geometry = feature.get("geometry")
        feature_runs = runs_of(geometry)
        runs += feature_runs
        everything += [p for r in feature_runs for p in r]
        anchors = points_of(geometry)
        everything += anchors
        text = (feature.get("properties") or {}).get("Text")
        if isinstance(text, str) and text.strip() and anchors:
            anchor = label_anchor(anchors[0], (feature.get("properties") or {}).get("OGR_STYLE"))
            if anchor is not None:
                texts.append((anchor, text))
    return runs, texts, everything


def samples_along(runs, step):
    samples = []
    for run_ in runs:
        for (ax, ay), (bx, by) in zip(run_, run_[1:]):
            length = math.hypot(bx - ax, by - ay)
            count = max(1, int(length / step))
            samples += [(ax + (bx - ax) * i / count, ay + (by - ay) * i / count)
                        for i in range(count)]
        if run_:
            samples.append(run_[-1])
    if len(samples) > MAX_SAMPLES:
        stride = len(samples) / MAX_SAMPLES
        samples = [samples[int(i * stride)] for i in range(MAX_SAMPLES)]
    return samples


# --- the map's side --------------------------------------------------------------------------

def byte_string(value):
    if isinstance(value, dict):
        return bytes.fromhex(value.get("bytes", "")).decode("cp1252", errors="replace")
    return value if isinstance(value, str) else ""


def arc_segments(item, tolerance):
    cx, cy = item["center"][:2]
    radius = float(item["radius"])
    start, end = math.radians(float(item["startAngle"])), math.radians(float(item["endAngle"]))
    if radius <= 0 or not all(math.isfinite(v) for v in (start, end)):
        return []
    end = start + ((end - start) % math.tau or math.tau)  # counterclockwise; equal: a whole turn
    # Chords within a tenth of the tolerance of the arc.
    step = 2 * math.acos(max(-1.0, 1 - tolerance / 10 / radius)) if radius > tolerance / 10 \
        else math.pi / 8
    count = min(20000, max(1, int(math.ceil((end - start) / max(step, 1e-9)))))
    points = [(cx + radius * math.cos(start + (end - start) * i / count),
               cy + radius * math.sin(start + (end - start) * i / count)) for i in range(count + 1)]
    return list(zip(points, points[1:]))


def map_drawing(map_path, tolerance):
    with open(map_path, encoding="utf-8") as handle:
        document = json.load(handle)
    segments, texts = [], []
    for layer in document["layers"]:
        for item in layer["objects"]:
            kind = item.get("type")
            if kind in ("polyline", "polygon", "polyline3d", "polygon3d"):
                points = [(float(p[0]), float(p[1])) for p in item["points"]]
                if kind.startswith("polygon") and len(points) > 2:
                    points.append(points[0])
                segments += list(zip(points, points[1:])) or [(p, p) for p in points]
            elif kind == "arc":
                segments += arc_segments(item, tolerance)
            elif kind == "text":
                position = item["position"]
                texts.append(((float(position[0]), float(position[1])),
                              byte_string(item.get("text"))))
    return segments, texts


class SegmentGrid:
    """Segments by grid cell, for "is any segment within the tolerance of this point"."""

    def __init__(self, segments, tolerance, diagonal):
        self.tolerance = tolerance
        self.size = max(2.5 * tolerance, diagonal / 250)
        self.cells = {}
        for segment in segments:
            (ax, ay), (bx, by) = segment
            count = int(math.hypot(bx - ax, by - ay) / (self.size / 2)) + 1
            cells = set()
            for i in range(count + 1):
                cx, cy = self.cell((ax + (bx - ax) * i / count, ay + (by - ay) * i / count))
                cells.update((cx + dx, cy + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            for cell in cells:
                self.cells.setdefault(cell, []).append(segment)

    def cell(self, point):
        return (math.floor(point[0] / self.size), math.floor(point[1] / self.size))

    def near(self, point):
        px, py = point
        limit = self.tolerance * self.tolerance
        for (ax, ay), (bx, by) in self.cells.get(self.cell(point), ()):
            dx, dy = bx - ax, by - ay
            length = dx * dx + dy * dy
            t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
            ex, ey = ax + t * dx - px, ay + t * dy - py
            if ex * ex + ey * ey <= limit:
                return True
        return False


def normalized(text):
    text = text.replace("\u2300", "\u00d8").replace("\u2205", "\u00d8")
    return "".join(text.split()).casefold()


def text_share(gdal_texts, map_texts, tolerance, radius):
    if not gdal_texts:
        return None
    by_content = {}
    for position, text in map_texts:
        by_content.setdefault(normalized(text), []).append(position)
    found = 0
    for (x, y), text in gdal_texts:
        same = by_content.get(normalized(text), [])
        if any(math.hypot(px - x, py - y) <= radius for px, py in same) or any(
                math.hypot(px - x, py - y) <= tolerance for (px, py), _ in map_texts):
            found += 1
    return 100.0 * found / len(gdal_texts)


# --- one drawing -----------------------------------------------------------------------------

def import_map(cli, drawing, extended, work, env):
    map_path = os.path.join(work, "extended.json" if extended else "classic.json")
    if os.path.exists(map_path):
        os.remove(map_path)
    result = run([cli, "import", drawing, "--map", map_path, "--quiet"]
                 + (["--extended"] if extended else []), work, env)
    return map_path if result.returncode == 0 and os.path.exists(map_path) else None


def multiplier_for(diagonal):
    """The power of ten that brings the diagonal to MIN_MAP_DIAGONAL map units, at least 1."""
    if diagonal <= 0:
        return 1
    return 10 ** max(0, math.ceil(math.log10(MIN_MAP_DIAGONAL / diagonal)))


def scaled_home(multiplier, cli, work, env):
    """The environment whose settings hold the multiplier (made once per multiplier)."""
    folder = os.path.join(work, f"home-x{multiplier}")
    if multiplier != 1 and not os.path.isdir(folder):
        run([cli, "settings", "Multiplier", str(multiplier)], work, home(work, folder))
    return env if multiplier == 1 else dict(env, VEXA_HOME=folder)


def compare(cli, drawing, name, work, env):
    # line, text: import kind -> share in percent, or None
    row = SimpleNamespace(name=name, samples=0, texts=0, line={}, text={}, note="")
    source = text_copy_for_gdal(drawing, work)
    features = gdal_features(source, work, env, "SELECT *, OGR_STYLE FROM entities") \
        if source else None
    if features is None:
        row.note = "GDAL cannot read it" if source else "binary, no text copy for GDAL"
        return row
    runs, gdal_texts, everything = gdal_drawing(features)
    if not everything:
        row.note = "GDAL finds nothing"
        return row
    xs, ys = [p[0] for p in everything], [p[1] for p in everything]
    diagonal = math.hypot(max(xs) - min(xs), max(ys) - min(ys))
    multiplier = multiplier_for(diagonal)
    if multiplier != 1:
        scale = lambda p: (p[0] * multiplier, p[1] * multiplier)  # noqa: E731
        runs = [[scale(p) for p in r] for r in runs]
        gdal_texts = [(scale(p), t) for p, t in gdal_texts]
        diagonal *= multiplier
        env = scaled_home(multiplier, cli, work, env)
        row.note = f"multiplier {multiplier}"
    tolerance = max(RELATIVE_TOLERANCE * diagonal, MIN_TOLERANCE)
    samples = samples_along(runs, max(diagonal, 1.0) / SAMPLE_STEPS)
    row.samples, row.texts = len(samples), len(gdal_texts)
    for extended in (False, True):
        kind = "extended" if extended else "classic"
        map_path = import_map(cli, drawing, extended, work, env)
        if map_path is None:
            row.note = f"dxfcnv import failed ({kind})"
            row.line[kind] = 0.0 if samples else None
            row.text[kind] = 0.0 if gdal_texts else None
            continue
        segments, map_texts = map_drawing(map_path, tolerance)
        grid = SegmentGrid(segments, tolerance, diagonal)
        row.line[kind] = (100.0 * sum(1 for s in samples if grid.near(s)) / len(samples)
                          if samples else None)
        row.text[kind] = text_share(gdal_texts, map_texts, tolerance, TEXT_RADIUS * diagonal)
    return row


# --- the table -------------------------------------------------------------------------------

def share(value):
    return "      -" if value is None else f"{value:6.1f}%"


def print_averages(rows, what):
    for field, label, target in (("line", "line work", LINE_TARGET),
                                 ("text", "texts", TEXT_TARGET)):
        values = {kind: [getattr(r, field)[kind] for r in rows
                         if getattr(r, field).get(kind) is not None]
                  for kind in ("classic", "extended")}
        mean = {k: sum(v) / len(v) if v else None for k, v in values.items()}
        below = {k: sum(1 for x in v if x < target) for k, v in values.items()}
        print(f"{what}: average {label} over {len(values['classic'])} drawings: classic "
              f"{share(mean['classic'])}, extended {share(mean['extended'])}; below "
              f"{target:.0f} %: classic {below['classic']}, extended {below['extended']}")


def print_table(rows):
    print(f"{'drawing':40} {'samples':>8} {'texts':>6}   line work: classic extended"
          f"   texts: classic extended")
    for r in rows:
        print(f"{r.name[:40]:40} {r.samples:8d} {r.texts:6d}   {'':11}"
              f"{share(r.line.get('classic'))} {share(r.line.get('extended'))}   {'':7}"
              f"{share(r.text.get('classic'))} {share(r.text.get('extended'))}"
              + (f"   ({r.note})" if r.note else ""))
    generated = [r for r in rows if r.name.endswith(GENERATED)]
    print_averages([r for r in rows if not r.name.endswith(GENERATED)], "corpus")
    if generated:
        print_averages(generated, "generated")


def missed_targets(rows):
    missed = []
    for r in rows:
        for field, what, target in (("line", "line work", LINE_TARGET),
                                    ("text", "texts", TEXT_TARGET)):
            value = getattr(r, field).get("extended")
            exception = EXCEPTIONS.get(r.name, ("", target))
            target = exception[1] if exception[0] == field else target
            if value is not None and value < target:
                missed.append(f"{r.name}: {what} {value:.1f} % < {target} %")
    return missed


def print_exceptions(rows):
    for r in rows:
        if r.name in EXCEPTIONS:
            field, floor, reason = EXCEPTIONS[r.name]
            print(f"exception {r.name} ({field} at least {floor} %): {reason}")


def drawings_to_compare(args, work):
    drawings = [(os.path.join(args.corpus, n), n) for n in sorted(os.listdir(args.corpus))
                if n.lower().endswith(".dxf")]
    if args.generated > 0:
        sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "tools"))
        try:
            import random_drawings  # pylint: disable=import-outside-toplevel
        except ImportError:
            print("ezdxf is not installed (Debian package python3-ezdxf): no generated drawings")
        else:
            folder = os.path.join(work, "generated")
            for path in random_drawings.write_drawings(folder, args.generated, args.seed):
                drawings.append((path, os.path.basename(path) + GENERATED))
    if args.only:
        drawings = [d for d in drawings if any(o in d[1] for o in args.only)]
    return drawings


# --- blocks, exactly ---------------------------------------------------------------------------

def dxf_records(path):
    """The (code, value) groups of a DXF text file cut into records, each from a code 0."""
    with open(path, "rb") as handle:
        lines = [line[:-1] if line.endswith("\r") else line
                 for line in handle.read().decode("latin-1").split("\n")]
    records = []
    for i in range(0, len(lines) - 1, 2):
        try:
            code = int(lines[i].strip())
        except ValueError:
            break
        if code == 0 or not records:
            records.append([])
        records[-1].append((code, lines[i + 1]))
    return records


def kind_of(record):
    return record[0][1].strip() if record[0][0] == 0 else ""


def numbers(record, code):
    found = []
    for c, v in record:
        try:
            found += [float(v)] if c == code else []
        except ValueError:
            pass
    return found


def text_value(record, code):
    return ([v.strip() for c, v in record if c == code] or [""])[-1]


def why_left_out(kind, record, followers, section, defined):
    """Why an entity stays out of the comparison copy, or None when it goes in."""
    bulged = lambda r: any(abs(v) > 1e-12 for v in numbers(r, 42))  # noqa: E731
    if kind not in ("LINE", "LWPOLYLINE", "POLYLINE", "INSERT"):
        return "not a line, polyline or insert"
    if any(abs(v - normal) > 1e-9 for code, normal in ((210, 0.0), (220, 0.0), (230, 1.0))
           for v in numbers(record, code)):
        return "extrusion other than (0, 0, 1)"
    if kind == "POLYLINE" and int(([0] + numbers(record, 70))[-1]) & (16 | 64):
        return "polyface or mesh"
    if bulged(record) and kind == "LWPOLYLINE" or kind == "POLYLINE" and any(
            bulged(vertex) for vertex in followers if kind_of(vertex) == "VERTEX"):
        return "polyline with bulges"
    if kind == "INSERT" and any(count > 1 for count in numbers(record, 70) + numbers(record, 71)):
        return "insert array (MINSERT)"
    if kind == "INSERT" and section == "BLOCKS" and text_value(record, 2) not in defined:
        return "insert of a block defined later"
    return None


def comparison_copy(drawing, copy):
    """Writes the comparison copy; returns the count of the entities left out, by reason."""
    out, left_out = [], Counter()
    section, block, defined = None, None, set()
    pending = dxf_records(drawing)
    i = 0
    while i < len(pending):
        record, kind = pending[i], kind_of(pending[i])
        i += 1
        section = text_value(record, 2) if kind == "SECTION" else None if kind == "ENDSEC" \
            else section
        block = text_value(record, 2) if kind == "BLOCK" else block
        defined |= {block} if kind == "ENDBLK" else set()
        if section not in ("BLOCKS", "ENTITIES") or kind in ("SECTION", "EOF", "BLOCK",
                                                                 "ENDBLK"):
            out += record
            continue
        followers = []  # the records that belong to the entity: vertices, attributes, SEQEND
        while i < len(pending) and kind_of(pending[i]) in ("VERTEX", "ATTRIB", "SEQEND"):
            followers.append(pending[i])
            i += 1
        reason = why_left_out(kind, record, followers, section, defined)
        left_out[reason] += 1 if reason else 0
        out += [] if reason else record + [pair for f in followers for pair in f]
    with open(copy, "wb") as handle:
        handle.write("".join(f"{code}\n{value}\n" for code, value in out).encode("latin-1"))
    return +left_out


def segments_of_run(points, closed=False):
    run_ = [(float(p[0]), float(p[1])) for p in points]
    if closed and len(run_) > 2 and run_[0] != run_[-1]:
        run_.append(run_[0])
    return [(run_[i], run_[i + 1]) for i in range(len(run_) - 1) if run_[i] != run_[i + 1]]


class SegmentIndex:
    """Segments by the grid cell of an end: "is there one with both ends near these"."""

    def __init__(self, segments):
        self.cells = {}
        for a, b in segments:
            for start, end in ((a, b), (b, a)):
                self.cells.setdefault(self.cell(start), []).append((start, end))

    @staticmethod
    def cell(point):
        return (math.floor(point[0] / (2 * BLOCK_TOLERANCE)),
                math.floor(point[1] / (2 * BLOCK_TOLERANCE)))

    def contains(self, segment):
        near = lambda p, q: max(abs(p[0] - q[0]), abs(p[1] - q[1])) <= BLOCK_TOLERANCE  # noqa
        (cx, cy), (a, b) = self.cell(segment[0]), segment
        return any(near(start, a) and near(end, b) for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                   for start, end in self.cells.get((cx + dx, cy + dy), ()))


def compare_blocks(cli, drawing, work, env):
    """Prints the comparison of the block copies with GDAL's; False when they differ."""
    name = os.path.basename(drawing)
    copy = os.path.join(work, "blocks_" + name)
    left_out = comparison_copy(drawing, copy)
    features = gdal_features(copy, work, env)
    if features is None:
        print(f"FAIL {name}: ogr2ogr cannot read the comparison copy")
        return False
    runs = [r for feature in features for r in runs_of(feature["geometry"])]
    extent = max((abs(c) for r in runs for p in r for c in p), default=0.0)
    multiplier = 1000
    while multiplier > 1 and extent * multiplier * 2 > MAP_LIMIT:
        multiplier //= 10
    map_path = import_map(cli, copy, False, work, scaled_home(multiplier, cli, work, env))
    if map_path is None:
        print(f"FAIL {name}: dxfcnv import failed")
        return False
    with open(map_path, encoding="utf-8") as handle:
        ours = [s for layer in json.load(handle)["layers"] for item in layer["objects"]
                if item.get("type") in ("polyline", "polygon")
                for s in segments_of_run(item["points"], item["type"] == "polygon")]
    theirs = [s for r in runs for s in segments_of_run([(x * multiplier, y * multiplier)
                                                        for x, y in r])]
    our_index, their_index = SegmentIndex(ours), SegmentIndex(theirs)
    missing_ = [s for s in theirs if not our_index.contains(s)]
    extra = [s for s in ours if not their_index.contains(s)]
    good = not missing_ and not extra
    note = ", ".join(f"{count} {reason}" for reason, count in sorted(left_out.items()))
    print(f"{'FAIL' if not good else 'OK  ' if theirs else 'NONE'} blocks of {name}: multiplier "
          f"{multiplier}, GDAL segments {len(theirs)}, map segments {len(ours)}, missing from "
          f"the map {len(missing_)}, not in GDAL {len(extra)}; left out: {note or 'nothing'}")
    for what, segments in (("missing from the map", missing_), ("not in GDAL", extra)):
        for segment in segments[:5]:
            print(f"     {what}: {segment}")
    return good


def main(argv):
    python_with_ezdxf(argv)
    parser = argparse.ArgumentParser(description="Line work and texts of GDAL's reading that "
                                     "reach the map")
    parser.add_argument("--cli", required=True, help="the dxfcnv program")
    parser.add_argument("--corpus", default=CORPUS)
    parser.add_argument("--generated", type=int, default=4, help="random drawings to add")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--require", action="store_true",
                        help="fail when the extended import misses a target")
    parser.add_argument("--only", nargs="*", help="only drawings whose name holds one of these")
    args = parser.parse_args(argv[1:])
    args.corpus = os.path.abspath(args.corpus)
    why = missing([("ogr2ogr", "gdal-bin")], args.corpus)
    if why:
        print(f"{why}: nothing compared")
        return SKIP
    cli = os.path.abspath(args.cli)
    with tempfile.TemporaryDirectory(prefix="dxfcnv-gdal-coverage-") as work:
        env = home(work)
        rows = [compare(cli, path, name, work, env)
                for path, name in drawings_to_compare(args, work)]
        print_table(rows)
        print_exceptions(rows)
        blocks_good = True
        for name in BLOCK_DRAWINGS:
            if any(o in name for o in args.only or [""]):
                blocks_good &= compare_blocks(cli, os.path.join(args.corpus, name), work, env)
    unreadable = [r for r in rows if r.note.startswith("dxfcnv")]
    for r in unreadable:
        print(f"FAIL {r.name}: {r.note}")
    missed = missed_targets(rows)
    if args.require:
        for line in missed:
            print(f"FAIL {line}")
    return 1 if unreadable or not blocks_good or (args.require and missed) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
