#!/usr/bin/env python3
"""How much of what GDAL reads from a drawing reaches the map: line work and texts.

For every drawing of the corpus, and for a few seeded random drawings of the entity kinds the
extended import reads (tests/interop/tools/random_drawings.py, when ezdxf is installed), this script

  1. converts the drawing with `ogr2ogr -f GeoJSON` (GDAL's DXF driver: blocks expanded, as GDAL
     does by default; block geometries kept as separate features so that texts in blocks stay
     texts). GDAL does not read binary DXF: for a binary drawing GDAL reads a text copy that
     ezdxf writes, while the import reads the binary file itself;
  2. imports it twice, `dxfcnv import FILE --map MAP.json` (the classic import) and the same with
     `--extended`, with the default settings (no offsets, blocks expanded) and the multiplier 1,
     or a power of ten for a drawing only a few units across (see Units below);
  3. samples points along GDAL's lines and polygon boundaries (z dropped) at a fixed step, the
     drawing's diagonal / SAMPLE_STEPS (a drawing whose line work would give more than
     MAX_SAMPLES points is sampled more coarsely), and counts the share that lies within the
     tolerance of the map's line work: the segments of polylines and polygons (closing edge
     included) and the map's arcs. GDAL's points (POINT entities, text anchors) are not line
     work;
  4. counts the texts GDAL finds (features with a non-empty Text) that arrive as map texts: a
     map text with the same content (white space and case ignored) within TEXT_RADIUS of the
     diagonal, or any map text within the tolerance of GDAL's anchor. GDAL's anchor is where
     its label is drawn: the feature's point plus the label's offset (dx, dy of the feature
     style, in drawing units, not turned with the label) when the label is anchored elsewhere
     than at its left end on the baseline; that is how GDAL gives a justified TEXT or ATTRIB
     (the point is 10/20, the offset leads to the justification point 11/21). A left-anchored
     label with an offset is GDAL's aligned or fitted TEXT (72 = 3 or 5): the DXF reference
     has such a text run from 10/20 toward 11/21, so its start is the feature's point. A label
     that GDAL makes fully transparent (an invisible entity, group 60) is no text to arrive.

Units. The map keeps whole map units, and with the multiplier 1 a map unit is a drawing unit:
every coordinate is compared in map units. The import cuts each coordinate toward zero (and a
block copy carries the cuts of its base and insertion points), so the tolerance is 0.2 % of the
drawing's diagonal but never less than MIN_TOLERANCE map units. A drawing whose diagonal is
below MIN_MAP_DIAGONAL units is imported (both ways) with the smallest power of ten as its
multiplier that brings it there, and GDAL's coordinates are scaled alike: at the multiplier 1
the map could not hold what is smaller than a unit (a hole of a quarter inch), and 0.2 % of the
diagonal would be less than the floor.

The diagonal is that of the bounding box of everything GDAL gives (lines, polygons, points).
What GDAL does not read (e.g. entities of kinds it does not know) is not counted; what the map
holds beyond GDAL is not counted either.

Prints a table per drawing (GDAL's sample points and texts; the shares for the classic and the
extended import) and the averages over the drawings that have line work and texts.

Usage: interop_gdal_coverage.py --cli DXFCNV [--corpus FOLDER] [--generated N] [--seed S]
                                [--require] [--only NAME ...]
Exit status: 0 when the comparison ran (with --require: and every drawing meets the targets of
the extended import, LINE_TARGET of its line work and TEXT_TARGET of its texts, or for a drawing
named in EXCEPTIONS the floor given there), 1 when a target
is missed under --require or a drawing cannot be compared, 77 (skipped) without ogr2ogr or the
corpus.
"""

import argparse
import json
import math
import re
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
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
RUN_SECONDS = 120


# --- GDAL's side -----------------------------------------------------------------------------

def run(command, cwd, env):
    """The finished process; a run that takes longer than RUN_SECONDS counts as failed."""
    try:
        return subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, errors="replace", check=False,
                              timeout=RUN_SECONDS)
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(command, -1, "", "timed out")


def text_copy_for_gdal(drawing, work):
    """The file GDAL reads: the drawing, or for binary DXF a text copy (None without ezdxf)."""
    with open(drawing, "rb") as handle:
        if handle.read(len(SENTINEL)) != SENTINEL:
            return drawing
    try:
        import ezdxf  # pylint: disable=import-outside-toplevel
    except ImportError:
        return None
    copy = os.path.join(work, "gdal_copy_" + os.path.basename(drawing))
    try:
        ezdxf.readfile(drawing).saveas(copy)
    except (ezdxf.DXFError, OSError, ValueError):
        return None
    return copy


def gdal_features(source, work, env):
    out = os.path.join(work, "gdal.geojson")
    if os.path.exists(out):
        os.remove(out)
    result = run(["ogr2ogr", "--config", "DXF_MERGE_BLOCK_GEOMETRIES", "FALSE", "-f", "GeoJSON",
                  out, source, "-sql", "SELECT *, OGR_STYLE FROM entities"], work, env)
    if result.returncode != 0 or not os.path.exists(out):
        return None
    with open(out, encoding="utf-8", errors="replace") as handle:
        return json.load(handle)["features"]


def runs_of(geometry):
    """The coordinate runs (lines, polygon rings) of a geometry, as (x, y) lists."""
    if not geometry:
        return []
    kind, coordinates = geometry["type"], geometry.get("coordinates")
    flat = lambda run_: [(float(p[0]), float(p[1])) for p in run_]  # noqa: E731
    if kind == "LineString":
        return [flat(coordinates)]
    if kind in ("MultiLineString", "Polygon"):
        return [flat(r) for r in coordinates]
    if kind == "MultiPolygon":
        return [flat(r) for polygon in coordinates for r in polygon]
    if kind == "GeometryCollection":
        return [r for member in geometry["geometries"] for r in runs_of(member)]
    return []


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

class Row:
    def __init__(self, name):
        self.name = name
        self.samples = 0
        self.texts = 0
        self.line = {}  # import kind -> share in percent, or None
        self.text = {}
        self.note = ""


def import_map(cli, drawing, extended, work, env):
    map_path = os.path.join(work, "extended.json" if extended else "classic.json")
    if os.path.exists(map_path):
        os.remove(map_path)
    command = [cli, "import", drawing, "--map", map_path, "--quiet"]
    if extended:
        command.append("--extended")
    result = run(command, work, env)
    return map_path if result.returncode == 0 and os.path.exists(map_path) else None


def multiplier_for(diagonal):
    """The power of ten that brings the diagonal to MIN_MAP_DIAGONAL map units, at least 1."""
    if diagonal <= 0:
        return 1
    return 10 ** max(0, math.ceil(math.log10(MIN_MAP_DIAGONAL / diagonal)))


def scaled_home(multiplier, cli, work, env):
    """The environment whose settings hold the multiplier (made once per multiplier)."""
    if multiplier == 1:
        return env
    home = os.path.join(work, f"home-x{multiplier}")
    scaled = dict(env, VEXA_HOME=home)
    if not os.path.isdir(home):
        os.makedirs(home)
        run([cli, "settings", "Multiplier", str(multiplier)], work, scaled)
    return scaled


def scaled(runs, texts, everything, factor):
    scale = lambda p: (p[0] * factor, p[1] * factor)  # noqa: E731
    return ([[scale(p) for p in r] for r in runs], [(scale(p), t) for p, t in texts],
            [scale(p) for p in everything])


def compare(cli, drawing, name, work, env):
    row = Row(name)
    source = text_copy_for_gdal(drawing, work)
    features = gdal_features(source, work, env) if source else None
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
        runs, gdal_texts, everything = scaled(runs, gdal_texts, everything, multiplier)
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


def average(rows, field, kind):
    values = [getattr(r, field)[kind] for r in rows if getattr(r, field).get(kind) is not None]
    return (sum(values) / len(values), len(values)) if values else (None, 0)


def print_averages(rows, what):
    for field, label in (("line", "line work"), ("text", "texts")):
        classic, count = average(rows, field, "classic")
        extended, _ = average(rows, field, "extended")
        target = LINE_TARGET if field == "line" else TEXT_TARGET
        below = {kind: sum(1 for r in rows if getattr(r, field).get(kind) is not None
                           and getattr(r, field)[kind] < target)
                 for kind in ("classic", "extended")}
        print(f"{what}: average {label} over {count} drawings: classic {share(classic)}, "
              f"extended {share(extended)}; below {target:.0f} %: classic {below['classic']}, "
              f"extended {below['extended']}")


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
            exception = EXCEPTIONS.get(r.name)
            if exception and exception[0] == field:
                target = exception[1]
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


def rerun_with_ezdxf(argv):
    """Runs the script again under a Python that has ezdxf (the Debian package installs it for
    /usr/bin/python3) when this one has not; returns only when there is none."""
    try:
        import ezdxf  # noqa: F401 pylint: disable=import-outside-toplevel,unused-import
        return
    except ImportError:
        pass
    candidate = "/usr/bin/python3"
    if (os.path.exists(candidate) and os.path.realpath(candidate) != os.path.realpath(sys.executable)
            and subprocess.run([candidate, "-c", "import ezdxf"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, check=False).returncode == 0):
        sys.stdout.flush()
        os.execv(candidate, [candidate, os.path.abspath(__file__)] + argv[1:])


def main(argv):
    rerun_with_ezdxf(argv)
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the dxfcnv program")
    parser.add_argument("--corpus", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared", "corpus"))
    parser.add_argument("--generated", type=int, default=4, help="random drawings to add")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--require", action="store_true",
                        help="fail when the extended import misses a target")
    parser.add_argument("--only", nargs="*", help="only drawings whose name holds one of these")
    args = parser.parse_args(argv[1:])
    if shutil.which("ogr2ogr") is None:
        print("ogr2ogr is not installed (Debian package gdal-bin): nothing compared")
        return SKIP
    if not os.path.isdir(args.corpus):
        print(f"no corpus folder at {args.corpus}: nothing compared")
        return SKIP

    with tempfile.TemporaryDirectory(prefix="dxfcnv-gdal-coverage-") as work:
        env = dict(os.environ, VEXA_HOME=os.path.join(work, "home"))
        os.makedirs(env["VEXA_HOME"])
        rows = [compare(os.path.abspath(args.cli), path, name, work, env)
                for path, name in drawings_to_compare(args, work)]
    print_table(rows)
    print_exceptions(rows)
    unreadable = [r for r in rows if r.note.startswith("dxfcnv")]
    for r in unreadable:
        print(f"FAIL {r.name}: {r.note}")
    missed = missed_targets(rows)
    if args.require:
        for line in missed:
            print(f"FAIL {line}")
    return 1 if unreadable or (args.require and missed) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
