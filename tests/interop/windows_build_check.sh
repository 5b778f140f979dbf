#!/usr/bin/env bash
# Builds dxf.cnv for 32-bit Windows with the MinGW-w64 cross tools and checks the DLL as the host
# would load it: a PE32 DLL for i386 that exports exactly its six operations by their plain
# names, carries dialog 129 and the string table as resources, and imports only from VEXCORE.dll
# (names listed in win32/vexcore.def) and Windows system DLLs.
# Usage: tests/interop/windows_build_check.sh [BUILD_DIR]   (default: build-win32)
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir=${1:-build-win32}
prefix=i686-w64-mingw32

echo "== windows build: $build_dir"
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
dll=$build_dir/dxf.cnv

source tests/interop/check.sh

headers=$("$prefix-objdump" -p "$dll")
file_header=$("$prefix-objdump" -f "$dll")

check "PE32 for i386" "pei-i386 i386" \
  "$(sed -n 's/.*file format \(.*\)/\1/p' <<<"$file_header") $(sed -n 's/^architecture: \([^,]*\).*/\1/p' <<<"$file_header")"
check "a DLL" "yes" \
  "$(sed -n '/^Characteristics/,/^$/p' <<<"$headers" | grep -qw 'DLL' && echo yes || echo no)"

exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
  sed -n 's/^\s*\[ *[0-9]*\] \(.*\)$/\1/p' | sort | tr '\n' ' ')
check "exactly the six exported names" \
  "DXFFileExport DXFFileImport DXFImportOptions VexaExport VexaImport VexaImportOptions " "$exports"

resources=$("$prefix-windres" -i "$dll" -O rc)
check "dialog 129" "129 DIALOGEX 0, 0, 253, 132" "$(grep -o '^129 DIALOGEX.*' <<<"$resources" || true)"
check "dialog caption" 'CAPTION "DXF Import Options"' "$(grep -o '^CAPTION.*' <<<"$resources" || true)"
check "dialog font" 'FONT 8, "MS Sans Serif"' "$(grep -o '^FONT.*' <<<"$resources" || true)"
check "dialog controls" "20" "$(sed -n '/^129 DIALOGEX/,/^END/p' <<<"$resources" | grep -c '^  [A-Z]')"
strings=$(sed -n '/^STRINGTABLE/,/^END/p' <<<"$resources" | grep '^  [0-9]' | tr -s ' ' | tr '\n' '|')
check "string table 1 to 6" \
  ' 1, "DXF Import"| 2, "DXF Export"| 3, "File Opening Problems"| 4, "Warning"| 5, "Initialization file not found.\nContinue?"| 6, "File Writing Problems"|' \
  "$strings"

dlls=$(sed -n 's/^\s*DLL Name: \(.*\)$/\1/p' <<<"$headers" | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
unexpected=""
for name in $dlls; do
  case "$name" in
    VEXCORE.DLL | KERNEL32.DLL | USER32.DLL | ADVAPI32.DLL | MSVCRT.DLL) ;;
    *) unexpected+="$name " ;;
  esac
done
check "imports only from VEXCORE.dll and Windows system DLLs ($dlls)" "" "$unexpected"
check "imports from VEXCORE.dll" "yes" "$(grep -q 'VEXCORE.DLL' <<<"$dlls" && echo yes || echo no)"

# Every name imported from VEXCORE.dll is an operation of win32/vexcore.def.
listed=$(sed -n 's/^\s\+\([A-Za-z_][A-Za-z0-9_]*\)@[0-9]*$/\1/p' win32/vexcore.def | sort)
imported=$(sed -n '/DLL Name: VEXCORE.dll/,/^$/p' <<<"$headers" |
  sed -n 's/^\s*[0-9a-f]\+\s\+[0-9]\+\s\+\(\S\+\)$/\1/p' | sort)
check "VEXCORE imports listed in win32/vexcore.def" "" "$(comm -13 <(echo "$listed") <(echo "$imported") | tr '\n' ' ')"
check "the settings overloads imported by their C++ names" "6" \
  "$(grep -c '^_Z13m_RegValue[GS]et' <<<"$imported" || true)"

echo "windows build: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
