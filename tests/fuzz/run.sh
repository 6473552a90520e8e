#!/usr/bin/env bash
# Builds the fuzz targets with clang (build/fuzz) and runs each, from its seed corpus, for a
# fixed time. Fails on any crash, sanitizer report, hang (an input over 10 s) or memory limit
# (2 GB). Usage: run.sh [SECONDS_PER_TARGET [TARGET...]]; 20 s each by default.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-20}
shift $(($# > 0 ? 1 : 0))
build=$root/build/fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE= -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DVETREL_FUZZ=ON "${launcher[@]}" >/dev/null || exit 1
cmake --build "$build" --target fuzz_targets -j "$(nproc)" || exit 1

targets=("$@")
[ ${#targets[@]} -gt 0 ] || for d in "$root"/tests/fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
failed=()
for t in "${targets[@]}"; do
  # What the run finds goes to $work (the seeds in the repository stay as they are), the
  # files a target writes to $work/files.
  work=$(mktemp -d)
  mkdir "$work/corpus" "$work/files"
  log=$build/fuzz-$t.log
  TMPDIR=$work/files "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=16384 -print_final_stats=1 -artifact_prefix="$build/fuzz-$t-" \
    "$work/corpus" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz $t: ${runs:-?} executions in $seconds s, exit $rc"
  if [ $rc -ne 0 ]; then
    failed+=("$t")
    grep -E -A25 'ERROR|runtime error|deadly signal|timeout|out-of-memory' "$log" | head -60
    echo "the input is $build/fuzz-$t-*: once mended, add it to tests/fuzz/corpus/$t"
  fi
  rm -rf "$work"
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz targets failing: ${failed[*]}"; exit 1; }
