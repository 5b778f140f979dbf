#!/usr/bin/env bash
# Builds with gcov instrumentation (gcc --coverage, no optimisation), runs the whole test suite
# (the fuzz replays included) and reports the line and branch coverage of the module (src/) with
# gcovr: a summary on stdout, the file-by-file table in BUILD/coverage.txt and annotated sources
# in BUILD/coverage/index.html.
#
#   scripts/coverage.sh [CTEST ARGUMENTS...]      e.g. -E interop to leave the interop checks out
#
# Environment: COVERAGE_BUILD_DIR (default build-cov).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${COVERAGE_BUILD_DIR:-build-cov}

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DDXFCNV_COVERAGE=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
find "$build_dir" -name '*.gcda' -delete
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" "$@" || echo "(some tests failed)"

# Branches that only the compiler made (exception cleanup, unreachable ones) are left out:
# they are no decisions of the code.
mkdir -p "$build_dir/coverage"
gcovr --root . --filter 'src/' --object-directory "$build_dir" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --txt "$build_dir/coverage.txt" --html-details "$build_dir/coverage/index.html" \
  --print-summary "$build_dir"
