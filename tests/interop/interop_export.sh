#!/bin/sh
# Interoperability of exported drawings: files written by "dxfcnv export" and "dxfcnv convert"
# must be read by GDAL (ogrinfo) and by ezdxf without errors, and ezdxf's audit must find
# nothing to fix. Each tool that is not installed is skipped with its reason; when neither is,
# the test reports itself skipped (exit status 77).
#
# usage: interop_export.sh DXFCNV_PROGRAM SOURCE_FOLDER
set -u

cli=$1
source_folder=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/dxfcnv-interop-XXXXXX")
trap 'rm -rf "$work"' EXIT
export VEXA_HOME="$work/home"
mkdir -p "$VEXA_HOME"
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A map of every kind of object the export writes: 2-D and 3-D lines and areas, texts with
# line breaks, angles and justification, point symbols, and layer names that need cleaning.
write_map() { # FILE UNIT_ID
    cat >"$1" <<EOF
{"format": "vexa-map", "version": 1, "unitId": $2, "objectsRect": null, "currentLayer": null,
 "textBase": 1000, "page": {"origin": [0, 0], "extent": [640, 454]},
 "layers": [
  {"number": 1, "name": "Roads (main)", "attributes": [0, 0, 0, 0, 0, 0], "visible": true,
   "editable": true, "objects": [
    {"id": 1, "type": "polyline", "points": [[0, 0], [10000, 0], [10000, 25000]]},
    {"id": 2, "type": "polyline3d", "points": [[0, 0, 100], [5000, 5000, 200]]}]},
  {"number": 2, "name": "Areas", "attributes": [0, 0, 0, 0, 0, 0], "visible": false,
   "editable": false, "objects": [
    {"id": 3, "type": "polygon", "points": [[0, 0], [5000, 0], [5000, 5000], [0, 5000]]},
    {"id": 4, "type": "polygon3d", "points": [[0, 0, 1], [100, 0, 2], [100, 100, 3]]}]},
  {"number": 3, "name": "Names", "attributes": [0, 0, 0, 0, 0, 0], "visible": true,
   "editable": true, "objects": [
    {"id": 5, "type": "text", "text": "Market square", "font": "Arial", "position": [2500, 2500],
     "size": 100, "style": 0, "color": 0, "rotation": 0, "oblique": 0, "flags": 0},
    {"id": 6, "type": "text", "text": "Two\r\nlines\nand\rmore", "font": "Arial",
     "position": [100, 700], "size": 40, "style": 0, "color": 0, "rotation": 900, "oblique": 150,
     "flags": 5},
    {"id": 7, "type": "text", "text": "Peak", "font": "Arial", "position": [7, 8, 900],
     "size": 10, "style": 0, "color": 0, "rotation": 0, "oblique": 0, "flags": 8}]},
  {"number": 4, "name": "Trees", "attributes": [0, 0, 0, 0, 0, 0], "visible": true,
   "editable": true, "objects": [
    {"id": 8, "type": "text", "text": "T", "font": "Arial", "position": [300, 400], "size": 10,
     "style": 0, "color": 0, "rotation": 0, "oblique": 0, "flags": 0},
    {"id": 9, "type": "text", "text": "T", "font": "Arial", "position": [600, 800], "size": 10,
     "style": 0, "color": 0, "rotation": 0, "oblique": 0, "flags": 0}]},
  {"number": 5, "name": "", "attributes": [0, 0, 0, 0, 0, 0], "visible": true,
   "editable": true, "objects": [
    {"id": 10, "type": "polyline", "points": [[1, 1], [2, 2]]}]}
 ],
 "groups": []}
EOF
}

files=""
for unit in 0 1; do
    write_map "$work/map$unit.json" "$unit"
    if "$cli" export "$work/map$unit.json" -o "$work/export$unit.dxf"; then
        files="$files $work/export$unit.dxf"
    else
        fail "dxfcnv export of a map with unit $unit"
    fi
done
if [ -f "$source_folder/samples/site.dxf" ]; then
    if "$cli" convert "$source_folder/samples/site.dxf" "$work/site.dxf"; then
        files="$files $work/site.dxf"
    else
        fail "dxfcnv convert of samples/site.dxf"
    fi
fi

ran=0

if command -v ogrinfo >/dev/null 2>&1; then
    ran=1
    for file in $files; do
        if ! ogrinfo -al -q "$file" >"$work/ogr.out" 2>&1; then
            fail "ogrinfo cannot read $(basename "$file")"
            cat "$work/ogr.out"
        elif grep -qiE "^(ERROR|Warning)" "$work/ogr.out"; then
            fail "ogrinfo complains about $(basename "$file")"
            cat "$work/ogr.out"
        fi
    done
    # 10 objects: 2 lines, 2 areas, 3 texts, 2 points and the line on the layer without a name.
    count=$(ogrinfo -al -so "$work/export0.dxf" 2>/dev/null | sed -n 's/^Feature Count: //p')
    [ "$count" = "10" ] || fail "ogrinfo counts ${count:-no} features in export0.dxf, expected 10"
    echo "ogrinfo: read$files"
else
    echo "SKIPPED ogrinfo: not installed (Debian package gdal-bin)"
fi

ezdxf_python=""
for candidate in python3 /usr/bin/python3; do
    if command -v "$candidate" >/dev/null 2>&1 && "$candidate" -c "import ezdxf" 2>/dev/null; then
        ezdxf_python=$candidate
        break
    fi
done
if [ -n "$ezdxf_python" ]; then
    ran=1
    # shellcheck disable=SC2086
    if ! "$ezdxf_python" - $files <<'EOF'
import sys
import ezdxf
from collections import Counter

failed = False
for path in sys.argv[1:]:
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    kinds = Counter(entity.dxftype() for entity in doc.modelspace())
    print(f"ezdxf: {path.rsplit('/', 1)[-1]}: {dict(kinds)}, "
          f"{len(auditor.errors)} errors, {len(auditor.fixes)} fixes")
    for entry in list(auditor.errors) + list(auditor.fixes):
        print(f"  {entry.message}")
    if auditor.errors or auditor.fixes:
        failed = True
    if path.endswith("export0.dxf"):
        expected = {"POLYLINE": 5, "TEXT": 3, "POINT": 2}
        if dict(kinds) != expected:
            print(f"  expected {expected}")
            failed = True
        layers = sorted(layer.dxf.name for layer in doc.layers)
        if "Roads__main_" not in layers or "5" not in layers:
            print(f"  layer names {layers}")
            failed = True
        texts = [t.dxf.text for t in doc.modelspace().query("TEXT")]
        if "Two\\nlines\\nand\\nmore" not in texts:
            print(f"  texts {texts}")
            failed = True
sys.exit(1 if failed else 0)
EOF
    then
        fail "ezdxf found problems"
    fi
else
    echo "SKIPPED ezdxf: python3 cannot import ezdxf (Debian package python3-ezdxf)"
fi

if [ "$ran" = 0 ]; then
    echo "SKIPPED: neither ogrinfo nor ezdxf is installed"
    exit 77
fi
[ "$failures" = 0 ] || exit 1
echo "interop: all files read cleanly"
