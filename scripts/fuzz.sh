#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each one for a bounded time; fails on any finding (crash, sanitizer report, failed
# check, timeout, memory limit).
#
#   scripts/fuzz.sh [SECONDS]      seconds per target, default 60
#
# Environment: FUZZ_TARGETS (default "reader import document export"), FUZZ_BUILD_DIR (default
# build-fuzz), FUZZ_SKIP_BUILD=1 (run what is built, for runs side by side), FUZZ_WORK (default /tmp/dxfcnv-fuzz: the growing corpora, the logs and the
# artifacts of findings, kept between runs). A finding is left in FUZZ_WORK/artifacts/TARGET/;
# once fixed, it belongs in fuzz/regressions/TARGET/ so that every test run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
targets=${FUZZ_TARGETS:-reader import document export}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
work=${FUZZ_WORK:-/tmp/dxfcnv-fuzz}
shared_corpus=../shared/corpus

if [ "${FUZZ_SKIP_BUILD:-0}" != 1 ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDXFCNV_FUZZ=ON >/dev/null
  build_targets=()
  for target in $targets; do build_targets+=(--target "fuzz_$target"); done
  cmake --build "$build_dir" -j"$(nproc)" "${build_targets[@]}"
fi

# The real drawings as seeds, behind the bytes that the reader and the import targets take first
# (reader: filler and operation byte; import: the four option bytes, here the defaults).
seed_prefix() {
  case $1 in
    reader) printf '\000\001' ;;
    import) printf '\017\000\000\000' ;;
  esac
}

# The longest input each target is given: drawings and documents of a few dozen kilobytes reach
# every path while keeping each run short.
max_len() {
  case $1 in
    reader | import) echo 16384 ;;
    *) echo 65536 ;;
  esac
}

status=0
for target in $targets; do
  corpus=$work/corpus/$target
  seeds=$work/seeds/$target
  artifacts=$work/artifacts/$target
  log=$work/logs/$target.log
  mkdir -p "$corpus" "$seeds" "$artifacts" "$(dirname "$log")"
  if [ -d "$shared_corpus" ] && { [ "$target" = reader ] || [ "$target" = import ]; }; then
    for drawing in "$shared_corpus"/*.dxf; do
      { seed_prefix "$target"; cat "$drawing"; } >"$seeds/$(basename "$drawing")"
      # The import reads each drawing with the extended import on as well.
      if [ "$target" = import ]; then
        { printf '\017\000\000\004'; cat "$drawing"; } >"$seeds/extended-$(basename "$drawing")"
      fi
    done
  fi
  # libFuzzer stops on a corpus folder that does not exist; git keeps no empty folder.
  folders=("$corpus" "$seeds")
  # The export reads the same map documents as the document loader.
  inputs=$target
  if [ "$target" = export ]; then inputs=document; fi
  for kept in fuzz/corpus/"$inputs" fuzz/regressions/"$inputs"; do
    if [ -d "$kept" ]; then folders+=("$kept"); fi
  done
  echo "== fuzz_$target: ${seconds}s (log: $log)"
  set +e
  /usr/bin/time -f "cpu seconds: user %U system %S" -a -o "$log.time" \
    "$build_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -max_len="$(max_len "$target")" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "${folders[@]}" >"$log" 2>&1
  result=$?
  set -e
  tail -n 1 "$log.time"
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
  if [ "$result" -ne 0 ] || [ -n "$(ls -A "$artifacts")" ]; then
    echo "FINDING in fuzz_$target (exit $result):"
    grep -E 'ERROR|SUMMARY|check failed|runtime error|Test unit written' "$log" | head -n 20
    ls "$artifacts"
    status=1
  fi
done
exit $status
