#!/usr/bin/env bash
# Builds the benchmark (Release), generates a drawing and measures the import and the export.
#
#   scripts/bench.sh [SIZE_MB] [-- DXFBENCH_OPTIONS]   one drawing of SIZE_MB megabytes (default 100)
#   scripts/bench.sh --scaling                         the scaling runs of docs/performance.md
#   scripts/bench.sh --cold [SIZE_MB] [RUNS]           whole-process runs only (default 100 MB, 21)
#
# Two measurements: the warm in-process figures of dxfbench (import rounds inside one process,
# each reusing memory the round before freed), and the whole-process cold run as a user meets it:
# `dxfcnv import --quiet FILE` in a fresh process against `rawscan FILE` (a whole program that
# only reads the file and splits it into code and value lines), interleaved by coldrun, with
# medians and spread.
#
# Drawings go to build/bench/ (never commit them); those of 500 MB and more are deleted after
# measuring. BUILD_DIR (default build-bench) is the build folder; DXFGEN_OPTIONS are passed on
# to the generator.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-bench}
data_dir=build/bench
mkdir -p "$data_dir"

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DDXFCNV_BENCH=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)" \
  --target dxfgen dxfbench rawscan coldrun dxfcnv_cli dxfcnv >/dev/null
gen="$build_dir/bench/dxfgen"
bench="$build_dir/bench/dxfbench"

machine() {
  echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
    "load average $(cut -d' ' -f1-3 /proc/loadavg)"
}

# generate NAME GENERATOR_OPTIONS...: writes $data_dir/NAME.dxf unless it is there already.
generate() {
  local name=$1
  shift
  local file="$data_dir/$name.dxf"
  if [[ ! -s $file ]]; then
    "$gen" "$@" ${DXFGEN_OPTIONS:-} "$file.part" >&2
    mv "$file.part" "$file"
  fi
  echo "$file"
}

# cold FILE [RUNS]: the whole-process cold run of the import against the raw scan.
cold() {
  echo "-- cold (whole process): dxfcnv import --quiet against rawscan"
  "$build_dir/bench/coldrun" --runs "${2:-21}" \
    -- rawscan "$build_dir/bench/rawscan" "$1" \
    -- import "$build_dir/dxfcnv" import --quiet "$1"
}

if [[ ${1:-} == --cold ]]; then
  machine
  file=$(generate "drawing-${2:-100}" --size "${2:-100}")
  cold "$file" "${3:-21}"
  machine
  exit 0
fi

if [[ ${1:-} == --scaling ]]; then
  machine
  # Time per MB at 10 and at 500 MB, then the three shapes that once were quadratic.
  for size in 10 500; do
    file=$(generate "drawing-$size" --size "$size")
    echo "== $size MB"
    "$bench" "$file" --reps 3 --no-export
    cold "$file" 5
    [[ $size -ge 500 ]] && rm -f "$file"
  done
  echo "== a million layers, one LINE on each"
  file=$(generate layers-1m --entities 1000000 --mix line=1 --layers 1000000 --layer-cycle)
  "$bench" "$file" --reps 3 --no-export
  cold "$file" 5
  echo "== a million blocks, a million INSERTs"
  file=$(generate blocks-1m --entities 1000000 --mix insert=1 --blocks 1000000 \
    --block-entities 1 --attribs 0 --layers 10)
  "$bench" "$file" --reps 3 --no-export
  cold "$file" 5
  echo "== one POLYLINE of ten million vertices"
  file=$(generate polyline-10m --single-polyline 10000000 --layers 1)
  "$bench" "$file" --reps 3 --no-export
  cold "$file" 5
  rm -f "$data_dir"/layers-1m.dxf "$data_dir"/blocks-1m.dxf "$data_dir"/polyline-10m.dxf
  machine
  exit 0
fi

size=${1:-100}
[[ $# -gt 0 ]] && shift
[[ ${1:-} == -- ]] && shift
machine
file=$(generate "drawing-$size" --size "$size")
echo "-- warm (in-process rounds of dxfbench)"
"$bench" "$file" "$@"
cold "$file"
machine
if [[ $size -ge 500 ]]; then
  rm -f "$file"
fi
