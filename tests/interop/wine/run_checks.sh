#!/usr/bin/env bash
# Runs the 64-bit Windows build (dxf.cnv, VEXCORE.dll, dxfcnv.exe) under Wine and compares it with
# the Linux build: every corpus drawing imports to the same map document, export and convert
# write the same bytes, export failures show their message box and leave no trace, the point
# settings live in Wine's registry, the message texts come from dxf.cnv's own resources, and
# dialog 129 runs as the real dialog (tests/interop/wine/dialog_host.cpp), with a screenshot saved as
# WIN_BUILD/wine-checks/options-dialog.png.
# Builds WIN_BUILD first; LINUX_BUILD must hold a built dxfcnv. Boots one fresh Wine prefix in
# WIN_BUILD/wineprefix and runs everything on one Xvfb display (windows need a display in Wine).
# Usage: tests/interop/wine/run_checks.sh [WIN_BUILD] [LINUX_BUILD]   (defaults: build-win64, build)
# The corpus is ../shared/corpus, or $DXFCNV_CORPUS.
set -euo pipefail
cd "$(dirname "$0")/../../.."
win_build=$(realpath -m "${1:-build-win64}")
linux_build=$(realpath -m "${2:-build}")
corpus=$(realpath -m "${DXFCNV_CORPUS:-../shared/corpus}")

if [ -z "${DXFCNV_WINE_ON_DISPLAY:-}" ]; then
  echo "== windows x86_64 build: $win_build"
  cmake -S . -B "$win_build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$win_build" -j"$(nproc)"
  exec env DXFCNV_WINE_ON_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
export WINEPREFIX=$win_build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$win_build/wine-checks
linux_cli=$linux_build/dxfcnv
exe=$win_build/dxfcnv.exe
point_key='HKCU\Software\Orv\Vexa 8.0\Settings\Point'

source tests/interop/check.sh

winpath() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }
# Runs dxfcnv.exe; its stderr (message boxes) goes to $work/stderr, the exit status is printed.
run_wine() {
  local status=0
  VEXA_HOME=$(winpath "$work/home-wine") "$wine" "$exe" "$@" >"$work/stdout" 2>"$work/stderr" ||
    status=$?
  tidy_output
  echo "$status"
}
# The console's line ends dropped. Wine's service processes (winedevice.exe) inherit stderr; what
# their loader reports is kept apart and shown at the end (a fault of the program itself also
# changes its exit status).
tidy_output() {
  sed -i 's/\r$//' "$work/stdout" "$work/stderr"
  grep '^wine: ' "$work/stderr" >>"$work/wine-notes" || true
  sed -i '/^wine: /d' "$work/stderr"
}
run_linux() {
  local status=0
  VEXA_HOME=$work/home-linux "$linux_cli" "$@" >"$work/stdout" 2>"$work/stderr" || status=$?
  echo "$status"
}
normalized() { python3 tests/interop/wine/normalized_map.py "$1"; }
# Removes what an immutable file would keep on disk past the run (root only).
cleanup() { [ -d "$work" ] && chattr -R -i "$work" 2>/dev/null || true; }
trap cleanup EXIT

cleanup
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work/home-wine" "$work/home-linux" "$work/linux" "$work/wine"
started=$SECONDS
"$wine" wineboot -i >/dev/null 2>&1
"$(dirname "$wine")/wineserver" -p 2>/dev/null || true # stays up between the runs below
echo "== wine prefix booted in $((SECONDS - started)) s"

echo "== corpus imports (map documents equal to the Linux build's)"
check "the corpus is there ($corpus; DXFCNV_CORPUS names another)" "yes" \
  "$([ -d "$corpus" ] && echo yes || echo no)"
for dxf in "$corpus"/*.dxf; do
  name=$(basename "$dxf" .dxf)
  linux_status=$(run_linux import "$dxf" --map "$work/linux/$name.json" --quiet)
  linux_boxes=$(cat "$work/stderr")
  expected="$linux_status $linux_boxes
$(normalized "$work/linux/$name.json")"
  wine_import() {
    local status
    rm -f "$work/wine/$name.json"
    status=$(run_wine import "$(winpath "$dxf")" --map "$(winpath "$work/wine/$name.json")" --quiet)
    # Messages that name the drawing name it by the path each build was given.
    local messages
    messages=$(cat "$work/stderr")
    messages=${messages//"$(winpath "$dxf")"/"$dxf"}
    echo "$status $messages
$(normalized "$work/wine/$name.json" 2>&1)"
  }
  found=$(wine_import)
  # Wine itself has, rarely, lost a run (a fault in one of its service processes); a second run
  # decides, and the first one's difference is listed at the end.
  if [ "$found" != "$expected" ]; then
    echo "import $name differed on its first run: $(head -1 <<<"$found")" >>"$work/wine-notes"
    found=$(wine_import)
  fi
  check "import $name" "$expected" "$found"
done

echo "== export and convert (byte-identical DXF)"
for name in ac1032_text_attribs_crlf gdal_assorted_qcad2 r12_flh001_crlf usa_map_lwpolyline; do
  run_linux export "$work/linux/$name.json" -o "$work/linux/$name.dxf" >/dev/null
  echo "old content" >"$work/wine/$name.dxf" # replaced by the export
  status=$(run_wine export "$(winpath "$work/linux/$name.json")" -o "$(winpath "$work/wine/$name.dxf")")
  check "export $name (over an existing file)" "0 $(sha256sum <"$work/linux/$name.dxf")" \
    "$status $(sha256sum <"$work/wine/$name.dxf")"
done
for name in ezdxf_text_alignments bricscad_nested_inserts; do
  run_linux convert "$corpus/$name.dxf" "$work/linux/$name-converted.dxf" >/dev/null
  status=$(run_wine convert "$(winpath "$corpus/$name.dxf")" "$(winpath "$work/wine/$name-converted.dxf")")
  check "convert $name" "0 $(sha256sum <"$work/linux/$name-converted.dxf")" \
    "$status $(sha256sum <"$work/wine/$name-converted.dxf")"
done
check "no temporary file left beside the exports" "" "$(find "$work/wine" -name '*.tmp')"

echo "== export failures (message box captured and closed, target untouched)"
map=$work/linux/gdal_assorted_qcad2.json
status=$(run_wine export "$(winpath "$map")" -o "$(winpath "$work/missing/out.dxf")")
check "export into a missing folder" "1 DXF Export: File Opening Problems|no folder" \
  "$status $(cat "$work/stderr")|$([ -e "$work/missing" ] && echo folder made || echo no folder)"
mkdir -p "$work/readonly"
echo "old content" >"$work/readonly/out.dxf"
chmod a-w "$work/readonly/out.dxf"
# Root writes over permissions, in Linux and so in Wine; an immutable file refuses it too.
if [ "$(id -u)" -ne 0 ] || chattr +i "$work/readonly/out.dxf" 2>/dev/null; then
  status=$(run_wine export "$(winpath "$map")" -o "$(winpath "$work/readonly/out.dxf")")
  check "export over a read-only target" "1 DXF Export: File Opening Problems|old content|out.dxf" \
    "$status $(cat "$work/stderr")|$(cat "$work/readonly/out.dxf")|$(ls -A "$work/readonly")"
else
  check "a read-only target can be made (chattr +i as root)" "yes" "no"
fi

echo "== strings from dxf.cnv's own resources"
check "dxfcnv.exe and VEXCORE.dll carry no string table (the texts above are dxf.cnv's)" "" \
  "$(x86_64-w64-mingw32-objdump -h "$exe" "$win_build/VEXCORE.dll" | grep -o '\.rsrc' || true)"
check "dxf.cnv carries them" ".rsrc" \
  "$(x86_64-w64-mingw32-objdump -h "$win_build/dxf.cnv" | grep -o '\.rsrc' || true)"

echo "== point settings in Wine's registry ($point_key)"
printf '  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nPOINT\r\n  8\r\nP\r\n 10\r\n1.5\r\n 20\r\n2.5\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n' \
  >"$work/point.dxf"
reg() { "$wine" reg "$@" 2>/dev/null | tr -d '\r'; }
# The key's values as "NAME TYPE DATA" lines, sorted.
point_values() {
  reg query "$point_key" | awk 'NF >= 3 && $2 ~ /^REG_/ {print $1, $2, $3}' | sort
}
point_case() { # NAME LINUX_REGISTRY_SECTION_LINES... ; the Wine key is set up by the caller
  local name=$1
  shift
  rm -f "$work/linux/point.json" "$work/wine/point.json"
  printf '[HKEY_CURRENT_USER\\Software\\Orv\\Vexa 8.0\\Settings\\Point]\n' >"$work/home-linux/registry.ini"
  printf '%s\n' "$@" >>"$work/home-linux/registry.ini"
  local linux_status wine_status
  linux_status=$(run_linux import "$work/point.dxf" --map "$work/linux/point.json" --quiet)
  wine_status=$(run_wine import "$(winpath "$work/point.dxf")" --map "$(winpath "$work/wine/point.json")" --quiet)
  check "point symbol, $name: map as on Linux" "$linux_status $(normalized "$work/linux/point.json")" \
    "$wine_status $(normalized "$work/wine/point.json")"
}
# The cases of point_cases.txt (described there), one a line.
while IFS='|' read -r name before linux after symbol <&3; do
  [[ -z $name || $name == \#* ]] && continue
  reg delete "$point_key" /f >/dev/null || true
  reg add "$point_key" /f >/dev/null
  IFS=';' read -ra values <<<"$before"
  for value in "${values[@]}"; do
    # shellcheck disable=SC2086 # the reg add arguments of one value
    reg add "$point_key" $value /f >/dev/null
  done
  IFS=';' read -ra lines <<<"$linux"
  point_case "$name" "${lines[@]}"
  check "point symbol, $name: the key afterwards" "${after//;/$'\n'}" "$(point_values)"
  check "point symbol, $name: the map has the symbol $symbol" "yes" \
    "$(grep -q "\"text\": \"$symbol\"" <(normalized "$work/wine/point.json") && echo yes || echo no)"
done 3<tests/interop/wine/point_cases.txt

echo "== the options dialog as the system shows it (dialog_host.exe drives dialog 129)"
mkdir -p "$work/home-dialog"
status=0
VEXA_HOME=$(winpath "$work/home-dialog") "$wine" "$win_build/wine_dialog_host.exe" \
  "$(winpath "$win_build/dxf.cnv")" "$(winpath "$work/options-dialog.bmp")" \
  "$(winpath tests/interop/wine/dialog_cases.txt)" >"$work/stdout" 2>"$work/stderr" || status=$?
tidy_output
grep -v '^dialog: ' "$work/stdout" || true
dialog_failed=$(grep -c '^FAIL' "$work/stdout" || true)
dialog_passed=$(grep -c '^ok' "$work/stdout" || true)
passed=$((passed + dialog_passed))
failed=$((failed + dialog_failed))
check "dialog host ran to its end without warnings (status $status)" "0 dialog: $dialog_passed passed, 0 failed|" \
  "$status $(grep '^dialog: ' "$work/stdout" || true)|$(cat "$work/stderr")"
python3 tests/interop/wine/bmp_to_png.py "$work/options-dialog.bmp" "$work/options-dialog.png" &&
  echo "     screenshot: $work/options-dialog.png"

"$(dirname "$wine")/wineserver" -k 2>/dev/null || true
if [ -s "$work/wine-notes" ]; then
  echo "== reported by Wine's loader during the runs (no check counts them)"
  sed 's/^/     /' "$work/wine-notes"
fi
echo "== wine checks took $((SECONDS - started)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
