#!/usr/bin/env bash
# Runs every benchmark once in its short mode (BENCH_SHORT=1): each must complete and print
# its figures; the times are not judged. A benchmark that cannot run hides every regression.
# Usage: bench-short.sh NATIVE_BUILD_DIR [MINGW_BUILD_DIR]   (root, for the namespace labs)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(cd "${1:?usage: bench-short.sh NATIVE_BUILD_DIR [MINGW_BUILD_DIR]}" && pwd)
mingw=${2:-}
export BENCH_SHORT=1
out=$(mktemp /tmp/vetrel-bench-short.XXXXXX)
trap 'rm -f "$out"' EXIT
failed=0
# run NAME PATTERN COMMAND...: the command must exit 0 and print PATTERN (a figure it owes).
run() {
  local name=$1 pattern=$2 start=$SECONDS
  shift 2
  echo "--- $name"
  timeout 600 "$@" >"$out" 2>&1
  local rc=$?
  cat "$out"
  if [ "$rc" -eq 0 ] && grep -Eq -- "$pattern" "$out"; then
    echo "--- $name: completed in $((SECONDS - start)) s"
  else
    echo "--- $name: FAILED (exit $rc, or no line matching '$pattern')"
    failed=$((failed + 1))
  fi
}
run vetrel_bench 'BM_' "$native/bench/vetrel_bench" --benchmark_min_time=0.01
run mail_soak 'silent' "$native/bench/mail_soak"
run syslog_bench 'ms' "$native/bench/syslog_bench"
run monitor_bench 'idle_rss_kb vetrel=[0-9]+' bash "$root/bench/monitor_bench.sh" "$native"
run scan_bench 'wall median' bash "$root/bench/scan_bench.sh" "$native"
if [ -n "$mingw" ]; then
  mingw=$(cd "$mingw" && pwd)
  run gui_bench 'MB private' bash "$root/bench/gui_bench.sh" "$mingw"
  run scan_gui_bench '.' bash "$root/bench/scan_gui_bench.sh" "$mingw"
  run gui_load_bench 'own CPU per unchanged check' bash "$root/bench/gui_load_bench.sh" "$mingw"
fi
echo "benchmarks (short): $failed failed"
[ "$failed" -eq 0 ]
