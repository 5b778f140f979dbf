#!/usr/bin/env bash
# Measures the import of drawings whose INSERTs multiply: the cap on inserted objects has to
# stop them within seconds and well under a gigabyte.
#
#   scripts/insert_bombs.sh [MAX_INSERTED_OBJECTS]
#
# Builds dxfcnv in Release (BUILD_DIR, default build-release), writes the drawings to
# build/bombs/ and prints, for each, the wall time, the CPU time and the peak memory of
# `dxfcnv import FILE --quiet`, as /usr/bin/time -v reports them. MAX_INSERTED_OBJECTS, when
# given, is stored as the setting "MaxInsertedObjects" of a scratch home (0: the built-in cap).
#
#   nesting  B1 holds a line; each of B2 ... B8 inserts the block below it ten times; the top
#            level inserts B8 twice (about 3 KB).
#   chain    B0 holds a line; each of B1 ... B9999 holds a line of its own and inserts the block
#            before it, so each copy is one group deeper and one line longer.
#   links    B0 holds a line; each of B1 ... B9999 only inserts the block before it.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-release}
data_dir=build/bombs
mkdir -p "$data_dir"

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j2 --target dxfcnv_cli dxfcnv >/dev/null

python3 - "$data_dir" <<'EOF'
import sys

out = sys.argv[1]

def block(name, body):
    return f"0\nBLOCK\n2\n{name}\n10\n0\n20\n0\n{body}0\nENDBLK\n"

def line(y=0):
    return f"0\nLINE\n10\n0\n20\n{y}\n11\n1\n21\n{y + 1}\n"

def insert(name, x="0"):
    return f"0\nINSERT\n2\n{name}\n10\n{x}\n20\n0\n"

def drawing(blocks, entities):
    return (f"0\nSECTION\n2\nBLOCKS\n{blocks}0\nENDSEC\n"
            f"0\nSECTION\n2\nENTITIES\n{entities}0\nENDSEC\n0\nEOF\n")

blocks = block("B1", line())
for level in range(2, 9):
    blocks += block(f"B{level}", "".join(insert(f"B{level - 1}", str(copy * 10))
                                         for copy in range(10)))
open(f"{out}/nesting.dxf", "w").write(drawing(blocks, insert("B8") + insert("B8", "5")))

chain = block("B0", line())
links = block("B0", line())
for i in range(1, 10000):
    chain += block(f"B{i}", line(i) + insert(f"B{i - 1}"))
    links += block(f"B{i}", insert(f"B{i - 1}", "1"))
open(f"{out}/chain.dxf", "w").write(drawing(chain, insert("B9999")))
open(f"{out}/links.dxf", "w").write(drawing(links, insert("B9999", "1")))
EOF

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export VEXA_HOME=$home
if [[ -n ${1:-} ]]; then
  "$build_dir/dxfcnv" settings MaxInsertedObjects "$1" >/dev/null
fi
echo "cap: $("$build_dir/dxfcnv" settings MaxInsertedObjects) (0: built-in)"
printf '%-8s %10s %10s %10s %12s\n' drawing size wall-s cpu-s peak-MB
for name in nesting chain links; do
  file=$data_dir/$name.dxf
  report=$(/usr/bin/time -v "$build_dir/dxfcnv" import "$file" --quiet 2>&1 >/dev/null)
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' <<<"$report")
  user=$(sed -n 's/.*User time (seconds): //p' <<<"$report")
  system=$(sed -n 's/.*System time (seconds): //p' <<<"$report")
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' <<<"$report")
  printf '%-8s %10s %10s %10.2f %12.0f\n' "$name" "$(stat -c %s "$file")" "$wall" \
    "$(echo "$user + $system" | bc)" "$(echo "$peak / 1024" | bc)"
done
