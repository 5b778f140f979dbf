#!/usr/bin/env python3
"""Block expansion checked against GDAL's ogr2ogr.

For real drawings with blocks, this script compares where the import puts the LINEs and
straight polylines of inserted blocks (nested or not) with where GDAL's DXF driver puts them.

What is compared. The script first writes a comparison copy of each drawing that keeps the
HEADER and TABLES as they are, and in the BLOCKS and ENTITIES sections keeps only what both
sides read the same way:

  * LINE, LWPOLYLINE and POLYLINE (with its VERTEX and SEQEND) entities, except those with an
    extrusion other than (0, 0, 1) (GDAL applies the object coordinate system, the import does
    not), polylines with a bulge (GDAL tessellates arcs, the import keeps the chord) and
    polyface or mesh POLYLINEs;
  * INSERT entities (with their ATTRIB and SEQEND), except those with an extrusion other than
    (0, 0, 1), those with more than one column or row (the import does not expand MINSERT
    arrays), and INSERTs inside a block of a block that is not defined before it in the file
    (the import expands only blocks it has already read; GDAL resolves them all);
  * the BLOCK and ENDBLK records around them.

Everything else (arcs, circles, texts, points, hatches, dimensions, ...) is left out of the copy,
so it is neither imported nor compared. The script says how many entities it left out and why.

Then it imports the copy with `dxfcnv import COPY --map MAP.json` and expands it with
`ogr2ogr -f GeoJSON` (GDAL's default block expansion; block geometries kept as separate
features), and compares the two as sets of segments, in both directions:

  1. every segment of every GDAL LineString has a segment among the map document's polylines
     and polygons (a closed polyline becomes a polygon; its closing edge is counted) whose ends
     lie within the tolerance of its ends, in either direction;
  2. every segment of the map has such a GDAL segment.

Coordinates. The map keeps 32-bit integers and the import truncates every DXF coordinate (the
block base points and insertion points too) toward zero before the host scales, rotates and
moves a copy. So that this truncation stays small against the drawing, the import runs with a
multiplier of 1000 (or the largest power of ten below it that keeps the drawing well inside the
32-bit map), and GDAL's coordinates are multiplied by the same factor. The tolerance is TOLERANCE
map units, not one: a copied point carries the truncation of its own value, of the base point
and of the insertion point (each below one unit, and not rounded but cut toward zero), and the
host rounds once more. Points of copies in the corpus lie up to about 1.1 units from GDAL's,
so one unit would fail on truncation alone; two units at the multiplier 1000 are 0.002 drawing
units. Drawings whose copy holds no line or polyline are reported as having nothing to compare.

Usage: interop_blocks.py DXFCNV_CLI [CORPUS_FOLDER]
Exit status: 0 when every drawing matches, 1 on a mismatch or a failed import, 77 (skipped)
when ogr2ogr is not installed or the corpus is missing.
"""

import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
from collections import Counter

DRAWINGS = [
    "bricscad_nested_inserts.dxf",
    "dimension_nested_blocks.dxf",
    "acad2004_floorplan_crlf.dxf",
    "gdal_block_insert_order_r12.dxf",
    "gdal_insert_recursive_crlf.dxf",
    "gdal_attrib_nested_r12.dxf",
    "qcad3_supported_entities.dxf",
    "r12_blocks_dims_crlf.dxf",
    "gdal_text_fancy.dxf",
    "librecad_array_rotated.dxf",
]

MAX_MULTIPLIER = 1000
TOLERANCE = 2.0  # map units
MAP_LIMIT = 2**31 - 1

SKIP = 77


# --- the comparison copy -------------------------------------------------------------------

def read_pairs(path):
    """The (code, value) groups of a DXF text file; values keep their spaces."""
    with open(path, "rb") as handle:
        lines = handle.read().decode("latin-1").split("\n")
    lines = [line[:-1] if line.endswith("\r") else line for line in lines]
    pairs = []
    for i in range(0, len(lines) - 1, 2):
        try:
            pairs.append((int(lines[i].strip()), lines[i + 1]))
        except ValueError:
            break
    return pairs


def records(pairs):
    """The pairs cut into records, each starting at a pair with code 0."""
    current = []
    for pair in pairs:
        if pair[0] == 0 and current:
            yield current
            current = []
        current.append(pair)
    if current:
        yield current


def kind_of(record):
    return record[0][1].strip() if record[0][0] == 0 else ""


def number(value):
    try:
        return float(value)
    except ValueError:
        return None


def values(record, code):
    return [number(v) for c, v in record if c == code]


def extruded(record):
    normal = {210: 0.0, 220: 0.0, 230: 1.0}
    for code in normal:
        for value in values(record, code):
            if value is not None and abs(value - normal[code]) > 1e-9:
                return True
    return False


def bulged(record):
    return any(v is not None and abs(v) > 1e-12 for v in values(record, 42))


def flags(record):
    found = [int(v) for v in values(record, 70) if v is not None]
    return found[-1] if found else 0


def text_value(record, code):
    found = [v.strip() for c, v in record if c == code]
    return found[-1] if found else ""


def why_left_out(kind, record, followers, section, defined):
    """Why an entity stays out of the comparison copy, or None when it goes in."""
    if kind not in ("LINE", "LWPOLYLINE", "POLYLINE", "INSERT"):
        return "not a line, polyline or insert"
    if extruded(record):
        return "extrusion other than (0, 0, 1)"
    if kind == "LWPOLYLINE" and bulged(record):
        return "polyline with bulges"
    if kind == "POLYLINE":
        if flags(record) & (16 | 64):
            return "polyface or mesh"
        if any(bulged(vertex) for vertex in followers if kind_of(vertex) == "VERTEX"):
            return "polyline with bulges"
    if kind == "INSERT":
        counts = [v for v in values(record, 70) + values(record, 71) if v is not None]
        if any(count > 1 for count in counts):
            return "insert array (MINSERT)"
        if section == "BLOCKS" and text_value(record, 2) not in defined:
            return "insert of a block defined later"
    return None


def comparison_copy(pairs):
    """The pairs of the comparison copy, and a count of the entities left out, by reason."""
    out, left_out = [], Counter()
    section, block, defined = None, None, set()
    pending = list(records(pairs))
    i = 0
    while i < len(pending):
        record = pending[i]
        kind = kind_of(record)
        i += 1
        if kind == "SECTION":
            section = text_value(record, 2)
            out += record
            continue
        if kind == "ENDSEC":
            section = None
        if section not in ("BLOCKS", "ENTITIES") or kind in ("ENDSEC", "EOF"):
            out += record
            continue
        if kind == "BLOCK":
            block = text_value(record, 2)
            out += record
            continue
        if kind == "ENDBLK":
            defined.add(block)
            out += record
            continue
        # An entity and the records that belong to it (vertices, attributes, SEQEND).
        followers = []
        while i < len(pending) and kind_of(pending[i]) in ("VERTEX", "ATTRIB", "SEQEND"):
            followers.append(pending[i])
            i += 1
        reason = why_left_out(kind, record, followers, section, defined)
        if reason:
            left_out[reason] += 1
            continue
        out += record
        for follower in followers:
            out += follower
    return out, left_out


def write_pairs(path, pairs):
    text = "".join(f"{code}\n{value}\n" for code, value in pairs)
    with open(path, "wb") as handle:
        handle.write(text.encode("latin-1"))


# --- geometry ------------------------------------------------------------------------------

def segments_of_run(points, closed):
    run = [(float(p[0]), float(p[1])) for p in points]
    if closed and len(run) > 2 and run[0] != run[-1]:
        run.append(run[0])
    return [(run[i], run[i + 1]) for i in range(len(run) - 1) if run[i] != run[i + 1]]


def map_segments(map_path):
    with open(map_path, encoding="utf-8") as handle:
        document = json.load(handle)
    segments = []
    for layer in document["layers"]:
        for item in layer["objects"]:
            if item.get("type") in ("polyline", "polygon"):
                segments += segments_of_run(item["points"], item["type"] == "polygon")
    return segments


def line_strings(geometry):
    if not geometry:
        return []
    kind = geometry["type"]
    if kind == "LineString":
        return [geometry["coordinates"]]
    if kind in ("MultiLineString", "Polygon"):
        return list(geometry["coordinates"])
    if kind == "GeometryCollection":
        return [run for member in geometry["geometries"] for run in line_strings(member)]
    return []


def gdal_runs(geojson_path):
    with open(geojson_path, encoding="utf-8") as handle:
        document = json.load(handle)
    return [run for feature in document["features"] for run in line_strings(feature["geometry"])]


def multiplier_for(runs):
    """The largest power of ten up to MAX_MULTIPLIER that keeps every point in the map."""
    extent = max((abs(c) for run in runs for point in run for c in point[:2]), default=0.0)
    multiplier = MAX_MULTIPLIER
    while multiplier > 1 and extent * multiplier * 2 > MAP_LIMIT:
        multiplier //= 10
    return multiplier


class SegmentIndex:
    """Segments by the grid cell of their first end, for matching within a tolerance."""

    def __init__(self, segments, tolerance):
        self.tolerance = tolerance
        self.cells = {}
        for a, b in segments:
            for start, end in ((a, b), (b, a)):
                self.cells.setdefault(self.cell(start), []).append((start, end))

    def cell(self, point):
        size = 2 * self.tolerance
        return (math.floor(point[0] / size), math.floor(point[1] / size))

    def near(self, p, q):
        return abs(p[0] - q[0]) <= self.tolerance and abs(p[1] - q[1]) <= self.tolerance

    def contains(self, segment):
        a, b = segment
        cx, cy = self.cell(a)
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                for start, end in self.cells.get((cx + dx, cy + dy), ()):
                    if self.near(start, a) and self.near(end, b):
                        return True
        return False


# --- one drawing ---------------------------------------------------------------------------

def run(command, env):
    return subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, check=False)


def compare(cli, drawing, work, env):
    name = os.path.basename(drawing)
    copy_pairs, left_out = comparison_copy(read_pairs(drawing))
    copy = os.path.join(work, name)
    write_pairs(copy, copy_pairs)
    note = ", ".join(f"{count} {reason}" for reason, count in sorted(left_out.items()))

    geojson = os.path.join(work, name + ".geojson")
    result = run(["ogr2ogr", "--config", "DXF_MERGE_BLOCK_GEOMETRIES", "FALSE", "-f", "GeoJSON",
                  geojson, copy], env)
    if result.returncode != 0 or not os.path.exists(geojson):
        print(f"FAIL {name}: ogr2ogr cannot read the comparison copy: {result.stderr.strip()}")
        return False
    runs = gdal_runs(geojson)
    multiplier = multiplier_for(runs)

    result = run([cli, "settings", "Multiplier", str(multiplier)], env)
    if result.returncode != 0:
        print(f"FAIL {name}: cannot set the multiplier: {result.stderr.strip()}")
        return False
    map_path = os.path.join(work, name + ".map.json")
    result = run([cli, "import", copy, "--map", map_path, "--quiet"], env)
    if result.returncode != 0:
        print(f"FAIL {name}: dxfcnv import exited {result.returncode}: {result.stderr.strip()}")
        return False

    theirs = [s for r in runs for s in
              segments_of_run([(p[0] * multiplier, p[1] * multiplier) for p in r], False)]
    ours = map_segments(map_path)
    our_index, their_index = SegmentIndex(ours, TOLERANCE), SegmentIndex(theirs, TOLERANCE)
    missing = [s for s in theirs if not our_index.contains(s)]
    extra = [s for s in ours if not their_index.contains(s)]
    good = not missing and not extra
    verdict = "FAIL" if not good else "OK  " if theirs else "NONE"
    print(f"{verdict} {name}: multiplier {multiplier}, GDAL segments "
          f"{len(theirs)}, map segments {len(ours)}, missing from the map {len(missing)}, "
          f"not in GDAL {len(extra)}; left out: {note or 'nothing'}")
    for segment in missing[:5]:
        print(f"     missing from the map: {segment}")
    for segment in extra[:5]:
        print(f"     not in GDAL:          {segment}")
    return good


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    if shutil.which("ogr2ogr") is None:
        print("ogr2ogr is not installed (Debian package gdal-bin): nothing compared")
        return SKIP
    cli = argv[1]
    corpus = argv[2] if len(argv) > 2 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared", "corpus")
    if not os.path.isdir(corpus):
        print(f"no corpus folder at {corpus}: nothing compared")
        return SKIP

    with tempfile.TemporaryDirectory(prefix="dxfcnv-interop-blocks-") as work:
        env = dict(os.environ, VEXA_HOME=os.path.join(work, "home"))
        os.makedirs(env["VEXA_HOME"])
        good, compared = True, 0
        for name in DRAWINGS:
            drawing = os.path.join(corpus, name)
            if not os.path.exists(drawing):
                print(f"SKIP {name}: not in the corpus")
                continue
            good = compare(cli, drawing, work, env) and good
            compared += 1
    if compared == 0:
        print("no drawing of the list is in the corpus: nothing compared")
        return SKIP
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
