#!/usr/bin/env python3
# Interoperability of exported drawings: files written by "dxfcnv export" (a map of every kind
# of object the export writes, interop_maps.json "export", once per unit: 2-D and 3-D lines and
# areas, texts with line breaks, angles and justification, point symbols, layer names that need
# cleaning) and "dxfcnv convert" (samples/site.dxf) must be read by GDAL (ogrinfo) and by ezdxf
# without errors, and ezdxf's audit must find nothing to fix. A tool that is not installed is
# skipped with its reason; when neither is, the test reports itself skipped (exit status 77).
# Usage: interop_export.py DXFCNV_PROGRAM SOURCE_FOLDER
import json
import os
import re
import shutil
import sys
import tempfile
from collections import Counter

from interop_common import SKIP, home, python_with_ezdxf, run


def check_ogrinfo(files, export0, fail):
    for path in files:
        result = run(["ogrinfo", "-al", "-q", path])
        if result.returncode != 0 or re.search(r"^(ERROR|Warning)", result.stdout + result.stderr,
                                               re.M | re.I):
            fail(f"ogrinfo cannot read or complains about {os.path.basename(path)}:\n"
                 + result.stdout + result.stderr)
    # 10 objects: 2 lines, 2 areas, 3 texts, 2 points and the line on the layer without a name.
    count = re.findall(r"^Feature Count: (\d+)", run(["ogrinfo", "-al", "-so", export0]).stdout,
                       re.M)
    if count != ["10"]:
        fail(f"ogrinfo counts {count or 'no'} features in export0.dxf, expected 10")
    print("ogrinfo: read", " ".join(files))


def check_ezdxf(ezdxf, files, fail):
    for path in files:
        doc = ezdxf.readfile(path)
        auditor = doc.audit()
        kinds = dict(Counter(entity.dxftype() for entity in doc.modelspace()))
        print(f"ezdxf: {os.path.basename(path)}: {kinds}, {len(auditor.errors)} errors, "
              f"{len(auditor.fixes)} fixes")
        for entry in list(auditor.errors) + list(auditor.fixes):
            fail(f"ezdxf's audit of {os.path.basename(path)}: {entry.message}")
        if not path.endswith("export0.dxf"):
            continue
        if kinds != {"POLYLINE": 5, "TEXT": 3, "POINT": 2}:
            fail(f"export0.dxf: {kinds}, expected 5 POLYLINE, 3 TEXT, 2 POINT")
        layers = sorted(layer.dxf.name for layer in doc.layers)
        if "Roads__main_" not in layers or "5" not in layers:
            fail(f"export0.dxf: layer names {layers}")
        texts = [t.dxf.text for t in doc.modelspace().query("TEXT")]
        if "Two\\nlines\\nand\\nmore" not in texts:
            fail(f"export0.dxf: texts {texts}")


def main(argv):
    python_with_ezdxf(argv)
    try:
        import ezdxf  # pylint: disable=import-outside-toplevel
    except ImportError:
        ezdxf = None
    cli, source_folder = argv[1], argv[2]
    failures = []
    fail = lambda message: failures.append(message) or print("FAIL:", message)  # noqa: E731
    with tempfile.TemporaryDirectory(prefix="dxfcnv-interop-") as work:
        env = home(work)
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "interop_maps.json"),
                  encoding="utf-8") as maps:
            document = json.load(maps)["export"]
        files = []
        for unit in (0, 1):
            document["unitId"] = unit
            with open(os.path.join(work, f"map{unit}.json"), "w", encoding="utf-8") as out:
                json.dump(document, out)
            files.append(os.path.join(work, f"export{unit}.dxf"))
            if run([cli, "export", out.name, "-o", files[-1]], env=env).returncode != 0:
                fail(f"dxfcnv export of a map with unit {unit}")
                files.pop()
        site = os.path.join(source_folder, "samples", "site.dxf")
        if os.path.exists(site):
            files.append(os.path.join(work, "site.dxf"))
            if run([cli, "convert", site, files[-1]], env=env).returncode != 0:
                fail("dxfcnv convert of samples/site.dxf")
                files.pop()
        if shutil.which("ogrinfo"):
            check_ogrinfo(files, os.path.join(work, "export0.dxf"), fail)
        else:
            print("SKIPPED ogrinfo: not installed (Debian package gdal-bin)")
        if ezdxf:
            check_ezdxf(ezdxf, files, fail)
        else:
            print("SKIPPED ezdxf: python3 cannot import ezdxf (Debian package python3-ezdxf)")
    if not ezdxf and not shutil.which("ogrinfo"):
        print("SKIPPED: neither ogrinfo nor ezdxf is installed")
        return SKIP
    print("interop: all files read cleanly" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
