#!/usr/bin/env python3
# What dxfcnv draws and exports, read by real consumers.
# - A known map (interop_maps.json "known": a frame, a line in the upper left, a quarter arc in
#   the lower left, a text in the lower right, the upper right quarter empty) rendered as SVG:
#   it must parse as XML, and rsvg-convert must draw the line, the arc and the text on the
#   pixels where the map puts them (y up), leaving empty parts empty.
# - The same SVG for a map whose names and texts are bytes XML does not take as they are
#   ("hostile": markup characters, Windows-1252, invalid UTF-8, control characters).
# - The known map's GeoJSON (dxfcnv export) read by GDAL's ogrinfo: feature count, geometry
#   types, coordinates.
# - Every corpus drawing imported with its SVG (which must parse as XML) and exported as
#   GeoJSON, which ogrinfo must open with as many features as the map has objects (dxfcnv show).
# Exit status 77 (skipped) when rsvg-convert, ogrinfo or the corpus is absent (after checking
# what can be checked without), 1 on a failure.
import argparse
import glob
import json
import math
import os
import re
import shutil
import struct
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

from interop_common import CORPUS, SKIP, missing, run as run_process

SVG = "{http://www.w3.org/2000/svg}"
INKSCAPE_LABEL = "{http://www.inkscape.org/namespaces/inkscape}label"
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "interop_maps.json"),
          encoding="utf-8") as maps_file:
    MAPS = json.load(maps_file)
IMPORT_FAILED = 1  # an import that ran but could not open or read the file


class Failures:
    def __init__(self):
        self.messages = []

    def check(self, condition, message):
        if not condition:
            self.messages.append(message)
        return condition


def run(command):
    """The output of a command that must succeed."""
    result = run_process(command)
    if result.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(command), result.returncode,
                                                   result.stderr))
    return result.stdout


def write_map(folder, name, document):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as out:
        json.dump(document, out)
    return path


def decode_png(path):
    """(width, height, alpha rows) of an 8-bit RGBA PNG, not interlaced (what rsvg-convert
    writes): the alpha of every pixel, row by row."""
    with open(path, "rb") as f:
        data = f.read()
    at, idat, header = 8, b"", None
    while data[:8] == b"\x89PNG\r\n\x1a\n" and at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        header = struct.unpack(">IIBBBBB", data[at + 8:at + 21]) if kind == b"IHDR" else header
        idat += data[at + 8:at + 8 + length] if kind == b"IDAT" else b""
        at += 12 + length
    if header is None or header[2:5] != (8, 6, 0) or header[6] != 0:
        raise ValueError("not an 8-bit RGBA PNG without interlace: %s" % (header,))
    width, height, stride = header[0], header[1], header[0] * 4
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for at in range(0, height * (stride + 1), stride + 1):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        for i in range(stride):
            a, b, c = line[i - 4] if i >= 4 else 0, previous[i], previous[i - 4] if i >= 4 else 0
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)  # Paeth: |p - a|, |p - b|, ...
            paeth = a if pa <= pb and pa <= pc else b if pb <= pc else c
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth)[kind]) & 0xFF
        rows.append(line[3::4])
        previous = line
    return width, height, rows


class Picture:
    """The rendered PNG, addressed in map coordinates through the SVG's viewBox."""

    def __init__(self, png, view_box, width_px):
        self.width, self.height, self.rows = decode_png(png)
        self.x0, self.y0, self.w, self.h = view_box
        self.scale = width_px / self.w

    def pixel(self, x, y):
        return int((x - self.x0) * self.scale), int((-y - self.y0) * self.scale)

    def ink_near(self, x, y, reach=1):
        px, py = self.pixel(x, y)
        return max(self.rows[j][i]
                   for j in range(max(py - reach, 0), min(py + reach + 1, self.height))
                   for i in range(max(px - reach, 0), min(px + reach + 1, self.width)))

    def inked_share(self, x0, y0, x1, y1):
        """The share of pixels with ink in the map rectangle, and the pixel count."""
        (a, d), (c, b) = self.pixel(x0, y0), self.pixel(x1, y1)
        pixels = [self.rows[j][i] for j in range(b, d + 1) for i in range(a, c + 1)]
        return sum(1 for p in pixels if p > 0) / max(len(pixels), 1), len(pixels)


def parse_svg(path, failures, what):
    try:
        return ET.parse(path).getroot()
    except ET.ParseError as error:
        failures.check(False, "%s: not well-formed XML: %s" % (what, error))
        return None


def check_svg_structure(root, failures):
    failures.check(root.tag == SVG + "svg", "root element is %s" % root.tag)
    groups = root.findall(SVG + "g")
    failures.check([g.get("id") for g in groups] == ["layer-Frame", "layer-Lines", "layer-Labels"],
                   "layer groups: %s" % [g.get("id") for g in groups])
    view_box = [float(v) for v in root.get("viewBox").split()]
    x0, y0, w, h = view_box
    failures.check(x0 < 0 and x0 > -100 and x0 + w > 1000 and x0 + w < 1100,
                   "viewBox x does not fit the frame: %s" % view_box)
    failures.check(y0 < -1000 and y0 > -1100 and y0 + h > 0 and y0 + h < 100,
                   "viewBox y does not fit the negated frame: %s" % view_box)
    return view_box


def check_pixels(picture, failures):
    for x in range(110, 400, 15):
        failures.check(picture.ink_near(x, 800) > 64, "no ink on the line at (%d, 800)" % x)
    diagonal = 150 / math.sqrt(2)
    failures.check(picture.ink_near(250 + diagonal, 250 + diagonal) > 64,
                   "no ink on the arc at 45 degrees")
    for x, y, what in ((250 + diagonal, 250 - diagonal, "-45 degrees of the arc's circle"),
                       (250 - diagonal, 250 + diagonal, "135 degrees of the arc's circle"),
                       (400 - diagonal, 400 - diagonal, "the arc swept the other way")):
        failures.check(picture.ink_near(x, y, 2) == 0, "ink at %s (%.0f, %.0f)" % (what, x, y))
    share, count = picture.inked_share(605, 205, 795, 295)
    failures.check(count > 100 and share > 0.1,
                   "too little ink where the text is: %.3f of %d pixels" % (share, count))
    empty = [
        ((550, 550, 950, 950), "the empty upper right quarter"),
        ((100, 500, 400, 780), "below the line (it would be here without the y flip)"),
        ((600, 120, 900, 185), "below the text's baseline"),
        ((600, 330, 900, 450), "above the text's capitals"),
        ((20, 20, 90, 230), "left of the arc"),
    ]
    for (x0, y0, x1, y1), what in empty:
        share, _ = picture.inked_share(x0, y0, x1, y1)
        failures.check(share == 0, "ink in %s: %.4f of the pixels" % (what, share))


def check_rendering(cli, folder, failures):
    known = write_map(folder, "known.json", MAPS["known"])
    svg = os.path.join(folder, "known.svg")
    run([cli, "render", known, "-o", svg, "--width", "520"])
    root = parse_svg(svg, failures, "known.svg")
    if root is None:
        return
    view_box = check_svg_structure(root, failures)
    if shutil.which("rsvg-convert") is None:
        print("SKIPPED: rsvg-convert is not installed (librsvg2-bin): no pixels checked")
        return
    png = os.path.join(folder, "known.png")
    run(["rsvg-convert", "-o", png, svg])
    picture = Picture(png, view_box, 520)
    failures.check(picture.width == 520, "PNG width %d" % picture.width)
    check_pixels(picture, failures)


def check_hostile_names(cli, folder, failures):
    hostile = write_map(folder, "hostile.json", MAPS["hostile"])
    svg = os.path.join(folder, "hostile.svg")
    run([cli, "render", hostile, "-o", svg])
    root = parse_svg(svg, failures, "hostile.svg")
    if root is None:
        return
    groups = root.findall(SVG + "g")
    ids = [g.get("id") for g in groups]
    failures.check(len(ids) == 2 and len(set(ids)) == 2, "layer ids not unique: %s" % ids)
    for identifier in ids:
        failures.check(re.fullmatch(r"[A-Za-z_][A-Za-z0-9_.-]*", identifier or "") is not None,
                       "not an XML name: %r" % identifier)
    # Not UTF-8, so every byte is Windows-1252; the forbidden controls 01 and 1F are dropped.
    expected_name = "A&<>\"'\u00df\u00ff\u20ac"
    failures.check(groups[0].get(INKSCAPE_LABEL) == expected_name,
                   "layer label %r" % groups[0].get(INKSCAPE_LABEL))
    lines = ["".join(t.itertext()) for t in groups[0].iter(SVG + "tspan")]
    failures.check(lines == ["Stra\u00dfe <b>&amp;", "zwei"], "text lines %r" % lines)
    failures.check(groups[0].find(SVG + "text").get("font-family") == "\u00a9<>",
                   "font %r" % groups[0].find(SVG + "text").get("font-family"))
    failures.check(groups[1].get("display") == "none", "frozen layer is shown")


def ogr_features(path):
    """(feature count, [(properties, geometry WKT)]) as ogrinfo reads the file."""
    text = run(["ogrinfo", "-ro", "-al", path])
    count = int(re.search(r"Feature Count: (\d+)", text).group(1))
    features = []
    for block in re.split(r"\nOGRFeature\([^)]*\):\d+\n", text)[1:]:
        properties = dict(re.findall(r"^\s+(\w+) \([^)]*\) = (.*)$", block, re.M))
        geometry = re.search(r"^\s+((?:POINT|LINESTRING|POLYGON)[^\n]*)$", block, re.M)
        features.append((properties, geometry.group(1) if geometry else None))
    return count, features


def check_geojson(cli, folder, failures):
    known = os.path.join(folder, "known.json")
    geojson = os.path.join(folder, "known.geojson")
    run([cli, "export", known, "-o", geojson])
    count, features = ogr_features(geojson)
    failures.check(count == 5, "ogrinfo counts %d features, not 5" % count)
    by_type = {properties.get("type"): (properties, wkt) for properties, wkt in features}
    expected = {
        "polygon": "POLYGON ((0 0,1000 0,1000 1000,0 1000,0 0))",
        "polyline3d": "LINESTRING Z (0 0 5,1000 0 7)",
        "polyline": "LINESTRING (100 800,400 800)",
        "text": "POINT (600 200)",
    }
    for kind, wkt in expected.items():
        got = by_type.get(kind, ({}, None))[1]
        failures.check(got == wkt, "%s: ogrinfo reads %r, not %r" % (kind, got, wkt))
    arc = by_type.get("arc", ({}, ""))[1] or ""
    failures.check(arc.startswith("LINESTRING (400 250,") and arc.endswith(",250 400)"),
                   "arc: %r" % arc[:80])
    points = re.findall(r"([-\d.]+) ([-\d.]+)", arc)
    for x, y in points:
        failures.check(abs(math.hypot(float(x) - 250, float(y) - 250) - 150) <= 0.1,
                       "arc point (%s, %s) is off the circle" % (x, y))
    text_properties = by_type.get("text", ({}, None))[0]
    failures.check(text_properties.get("text") == "HH" and text_properties.get("size") == "100"
                   and text_properties.get("layer") == "Labels"
                   and text_properties.get("layerNumber") == "3",
                   "text properties %r" % text_properties)


def check_corpus_drawing(cli, module, dxf, folder, failures):
    """Imports, draws and exports one corpus drawing; prints the numbers."""
    name = os.path.basename(dxf)
    stem = os.path.join(folder, os.path.splitext(name)[0])
    svg, geojson = stem + ".svg", stem + ".geojson"
    imported = run_process([cli, "--module", module, "import", dxf, "--map", stem + ".json",
                            "--svg", svg, "--quiet"])
    if imported.returncode == IMPORT_FAILED and not os.path.exists(stem + ".json"):
        print("%-45s not imported: %s" % (name, imported.stderr.strip()))
        return
    if not failures.check(imported.returncode == 0, "%s: import failed (%d): %s" % (
            name, imported.returncode, imported.stderr.strip())):
        return
    try:
        ET.parse(svg)
    except ET.ParseError as error:
        failures.check(False, "%s: the SVG is not well-formed XML: %s" % (name, error))
        return
    run([cli, "export", stem + ".json", "-o", geojson])
    objects = int(re.search(r"objects: (\d+)", run([cli, "show", stem + ".json"])).group(1))
    counts = re.findall(r"Feature Count: (\d+)", run(["ogrinfo", "-ro", "-so", "-al", geojson]))
    if not failures.check(len(counts) == 1, "%s: ogrinfo shows %d layers" % (name, len(counts))):
        return
    print("%-45s objects %6d  features %6d  svg %9d bytes  geojson %9d bytes"
          % (name, objects, int(counts[0]), os.path.getsize(svg), os.path.getsize(geojson)))
    failures.check(objects == int(counts[0]), "%s: the map has %d objects, ogrinfo reads %s "
                   "features" % (name, objects, counts[0]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--corpus", default=CORPUS)
    args = parser.parse_args()
    failures, skipped = Failures(), []
    with tempfile.TemporaryDirectory(prefix="dxfcnv-render-") as folder:
        os.environ["VEXA_HOME"] = folder
        check_rendering(args.cli, folder, failures)
        check_hostile_names(args.cli, folder, failures)
        why = missing([("ogrinfo", "gdal-bin")])
        if why:
            skipped.append(why + ": no GeoJSON checked")
        else:
            check_geojson(args.cli, folder, failures)
        why = why or missing(corpus=args.corpus)
        drawings = sorted(glob.glob(os.path.join(args.corpus, "*.dxf"))) if not why else []
        for dxf in drawings:
            try:
                check_corpus_drawing(args.cli, args.module, dxf, folder, failures)
            except RuntimeError as error:
                failures.check(False, "%s: %s" % (os.path.basename(dxf), error))
        skipped += [why + ": the corpus is not checked"] if why else []
    for message in failures.messages:
        print("FAILED:", message)
    print("%d corpus drawings, %d failures" % (len(drawings), len(failures.messages)))
    for message in skipped:
        print("SKIPPED:", message)
    return 1 if failures.messages else SKIP if skipped or not shutil.which("rsvg-convert") else 0


if __name__ == "__main__":
    sys.exit(main())
