#!/usr/bin/env bash
# Sets up, builds and runs every test: unit tests natively and under ASan/UBSan, the fuzz
# targets briefly, the lab tests against the kernel in network namespaces (root), the Debian
# package and the Windows zip, and the Windows tests under Wine.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup-deps.sh" || exit 1
bash "$root/scripts/build.sh" native asan mingw || exit 1

passed=0; failed=0; failures=()
suite() {  # name, command...
  local name=$1; shift
  local start=$SECONDS
  echo "=== $name"
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); failures+=("$name"); fi
  echo "=== $name: $((SECONDS - start)) s"
}
suite "layers" bash "$root/scripts/check-layers.sh"
suite "shellcheck" bash "$root/scripts/check-shell.sh"
suite "unit (native)" ctest --test-dir "$root/build/native" --output-on-failure -j "$(nproc)" -L unit
suite "unit (asan+ubsan)" ctest --test-dir "$root/build/asan" --output-on-failure -j "$(nproc)" -L unit
# Every fuzz target from its seeds, 20 s each (clang, build/fuzz).
suite "fuzz" bash "$root/tests/fuzz/run.sh" 20
for t in "$root"/tests/lab/*.sh; do
  [ -e "$t" ] || continue
  suite "lab $(basename "$t" .sh)" bash "$t" "$root/build/native"
done
suite "package" bash "$root/tests/package/package_test.sh"
for t in "$root"/tests/wine/*.sh; do
  [ -e "$t" ] || continue
  suite "wine $(basename "$t" .sh)" bash "$t" "$root/build/mingw"
done
# Every benchmark once, briefly: that it still runs and prints its figures.
suite "bench (short)" bash "$root/scripts/bench-short.sh" "$root/build/native" "$root/build/mingw"
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
