#!/usr/bin/env bash
# Mutation testing of the module: how many seeded source mutations of src/ the suite catches.
#
#   scripts/mutation.sh [--sample N] [--seed S] [--timeout SECONDS]
#
# The tracked tree is copied to build-mutation/tree (the checkout is never touched) and built
# there once, without the benchmarks, which no test runs; then, for each mutant of the sample
# (scripts/mutants.py), the one file is changed, Ninja rebuilds what depends on it, and
# `ctest -LE interop --stop-on-failure` runs under the time limit. A mutant is killed when a test
# fails, survives when all pass, times out when the limit ends the run, and is stillborn when it
# does not compile (left out of the score). Results go to
# build-mutation/results.txt, survivors with their lines to build-mutation/survived.txt.
# The last line is "mutation: K killed of N (P %)".
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

sample=300 seed=1 limit=0
while [ $# -gt 0 ]; do
  case "$1" in
    --sample) sample=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    *) echo "usage: scripts/mutation.sh [--sample N] [--seed S] [--timeout SECONDS]" >&2; exit 2 ;;
  esac
done

work=$top/build-mutation
tree=$work/tree
build=$tree/build   # inside the tree, so that ccache finds the checkout's objects
mkdir -p "$work"
rm -rf "$tree"
mkdir -p "$tree"
git ls-files -z | (cd "$top" && xargs -0 cp --parents -t "$tree")
# The tests find the corpus beside the source tree, as they do beside the checkout.
[ -d "$top/../shared" ] && ln -sfn "$(cd "$top/../shared" && pwd)" "$work/shared"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDXFCNV_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

run_suite() {
  # Without the costs of the last run CTest starts in the suite's own order, quick tests first,
  # so that a failing test ends a killed mutant's run early.
  rm -f "$build/Testing/Temporary/CTestCostData.txt"
  timeout "$1" ctest --test-dir "$build" -LE interop --stop-on-failure -j"$(nproc)" >/dev/null 2>&1
}
start=$(date +%s)
run_suite 3600 || { echo "mutation: the suite fails without any mutant" >&2; exit 1; }
baseline=$(($(date +%s) - start))
[ "$limit" -gt 0 ] || limit=$((baseline * 3 + 30))
echo "suite without mutants: ${baseline} s; limit per mutant: ${limit} s"

results=$work/results.txt survived=$work/survived.txt
: >"$results"
: >"$survived"
killed=0 alive=0 timedout=0 stillborn=0
while read -r id file line kind; do
  cp "$tree/$file" "$work/original"
  change=$(python3 scripts/mutants.py show "$tree" "$id")
  python3 scripts/mutants.py apply "$tree" "$id"
  if ! cmake --build "$build" -j"$(nproc)" >/dev/null 2>&1; then
    outcome=stillborn stillborn=$((stillborn + 1))
  else
    set +e
    run_suite "$limit"
    status=$?
    set -e
    case $status in
      0) outcome=survived alive=$((alive + 1)); echo "$change" >>"$survived" ;;
      124) outcome=timeout timedout=$((timedout + 1)) ;;
      *) outcome=killed killed=$((killed + 1)) ;;
    esac
  fi
  cp "$work/original" "$tree/$file"
  echo "$id $file:$line $kind $outcome" | tee -a "$results"
done < <(python3 scripts/mutants.py list "$tree" --sample "$sample" --seed "$seed")

# Restore the last file's build so a later run starts from the unmutated tree.
cmake --build "$build" -j"$(nproc)" >/dev/null 2>&1 || true
total=$((killed + alive + timedout))
echo "survived: $alive, timed out: $timedout, stillborn (did not compile, not counted): $stillborn"
# A mutant that makes the suite hang is caught too: CTest's time limit is how a hang is found.
caught=$((killed + timedout))
percent=$(awk -v k="$caught" -v n="$total" 'BEGIN { printf "%.1f", n ? 100 * k / n : 0 }')
echo "mutation: $caught killed of $total ($percent %)"
