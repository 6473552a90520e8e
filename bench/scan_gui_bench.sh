#!/usr/bin/env bash
# The range scanner's main-thread cost per result in a real window under Wine (16 workers,
# a /24 whose fake probes answer at once, a real list view), in a fresh prefix on its own
# Xvfb display. Prints the figures; exits non-zero when a pass did not show every row in
# address order.   scan_gui_bench.sh MINGW_BUILD_DIR [PASSES]
set -uo pipefail
build=$(cd "${1:?usage: scan_gui_bench.sh MINGW_BUILD_DIR [PASSES]}" && pwd)
exe=$build/scan_gui_bench.exe
[ -f "$exe" ] || { echo "missing $exe" >&2; exit 1; }
ns=
work=
prefix=$(mktemp -d /tmp/scan-bench.XXXXXX) || exit 1
. "$(dirname "$0")/../scripts/wine/wine_lab.sh"
trap wine_lab_cleanup EXIT
start_xvfb 1024x768 || exit 1
export WINEPREFIX=$prefix WINEDEBUG=-all DISPLAY=":$display" WINEDLLOVERRIDES="mscoree,mshtml="
timeout 150 wineboot -i >/dev/null 2>&1 || { echo "wine boot did not finish" >&2; exit 1; }
# BENCH_SHORT=1: one pass.
timeout 300 wine "$exe" "${2:-$([ "${BENCH_SHORT:-0}" = 1 ] && echo 1 || echo 9)}" "${@:3}" 2>&1 | tr -d '\r'
[ "${PIPESTATUS[0]}" -eq 0 ]
