#!/usr/bin/env python3
"""Every drawing of the DXF corpus imported, drawn and exported as GeoJSON.

For each drawing: dxfcnv import makes the map and its SVG; the SVG must parse as XML; the
GeoJSON of dxfcnv export must open in GDAL's ogrinfo with as many features as the map has
objects (the count dxfcnv show prints). Prints one line of numbers per drawing.

Exits with 77 (skipped) when the corpus or ogrinfo is absent.
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SKIPPED = 77
# An import that ran but could not open or read the file.
IMPORT_FAILED = 1


def run(command):
    return subprocess.run(command, capture_output=True, text=True, errors="replace")


def map_object_count(cli, map_path):
    result = run([cli, "show", map_path])
    if result.returncode != 0:
        raise RuntimeError("show: " + result.stderr.strip())
    return int(re.search(r"objects: (\d+)", result.stdout).group(1))


def ogr_feature_count(path):
    result = run(["ogrinfo", "-ro", "-so", "-al", path])
    if result.returncode != 0:
        raise RuntimeError("ogrinfo: " + result.stderr.strip())
    counts = re.findall(r"Feature Count: (\d+)", result.stdout)
    if len(counts) != 1:
        raise RuntimeError("ogrinfo shows %d layers" % len(counts))
    return int(counts[0])


def check_drawing(cli, module, dxf, folder):
    """A failure message, or None; prints the numbers."""
    name = os.path.basename(dxf)
    stem = os.path.join(folder, os.path.splitext(name)[0])
    svg, geojson = stem + ".svg", stem + ".geojson"
    imported = run([cli, "--module", module, "import", dxf, "--map", stem + ".json", "--svg", svg,
                    "--quiet"])
    if imported.returncode == IMPORT_FAILED and not os.path.exists(stem + ".json"):
        print("%-45s not imported: %s" % (name, imported.stderr.strip()))
        return None
    if imported.returncode != 0:
        return "%s: import failed (%d): %s" % (name, imported.returncode, imported.stderr.strip())
    try:
        ET.parse(svg)
    except ET.ParseError as error:
        return "%s: the SVG is not well-formed XML: %s" % (name, error)
    exported = run([cli, "export", stem + ".json", "-o", geojson])
    if exported.returncode != 0:
        return "%s: GeoJSON export failed: %s" % (name, exported.stderr.strip())
    objects = map_object_count(cli, stem + ".json")
    features = ogr_feature_count(geojson)
    print("%-45s objects %6d  features %6d  svg %9d bytes  geojson %9d bytes"
          % (name, objects, features, os.path.getsize(svg), os.path.getsize(geojson)))
    if objects != features:
        return "%s: the map has %d objects, ogrinfo reads %d features" % (name, objects, features)
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--corpus", required=True)
    args = parser.parse_args()
    drawings = sorted(glob.glob(os.path.join(args.corpus, "*.dxf")))
    if not drawings:
        print("skipped: no corpus at %s" % args.corpus)
        return SKIPPED
    if shutil.which("ogrinfo") is None:
        print("skipped: ogrinfo (gdal-bin) is not installed")
        return SKIPPED
    failures = []
    with tempfile.TemporaryDirectory(prefix="dxfcnv-corpus-render-") as folder:
        os.environ["VEXA_HOME"] = folder
        for dxf in drawings:
            try:
                problem = check_drawing(args.cli, args.module, dxf, folder)
            except RuntimeError as error:
                problem = "%s: %s" % (os.path.basename(dxf), error)
            if problem:
                failures.append(problem)
    for message in failures:
        print("FAILED:", message)
    print("%d drawings, %d failed" % (len(drawings), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
