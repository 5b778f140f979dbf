#!/bin/sh
# Interoperability of exported drawings: files written by "dxfcnv export" and "dxfcnv convert"
# must be read by GDAL (ogrinfo) and by ezdxf without errors, and ezdxf's audit must find
# nothing to fix. Each tool that is not installed is skipped with its reason; when neither is,
# the test reports itself skipped (exit status 77).
#
# usage: interop_export.sh DXFCNV_PROGRAM SOURCE_FOLDER
set -u
command -v python3 >/dev/null 2>&1 || { echo "SKIPPED: python3 is not installed"; exit 77; }

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

# A map of every kind of object the export writes (interop_maps.json "export"): 2-D and 3-D lines
# and areas, texts with line breaks, angles and justification, point symbols, and layer names
# that need cleaning; written once per unit.
write_map() { # FILE UNIT_ID
    python3 -c 'import json, sys; m = json.load(open(sys.argv[1]))["export"]; m["unitId"] = int(sys.argv[3]); json.dump(m, open(sys.argv[2], "w"))' \
        "$(dirname "$0")/interop_maps.json" "$1" "$2"
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
