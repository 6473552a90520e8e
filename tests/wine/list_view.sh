#!/usr/bin/env bash
# ListViewControl and the message window on Wine's common controls, in a fresh prefix on
# its own Xvfb display. Argument: the mingw build directory.
set -uo pipefail
build=$(cd "${1:?usage: list_view.sh MINGW_BUILD_DIR}" && pwd)
exe=$build/gui_unit_tests.exe
[ -f "$exe" ] || { echo "missing $exe" >&2; exit 1; }
prefix=$(mktemp -d /tmp/gui-units.XXXXXX) || exit 1
xvfb=
cleanup() {
  WINEPREFIX=$prefix timeout 20 wineserver -k >/dev/null 2>&1
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$prefix"
}
trap cleanup EXIT
. "$(dirname "$0")/../../scripts/wine/wine_lab.sh"
start_xvfb 1024x768 || exit 1
export WINEPREFIX=$prefix WINEDEBUG=-all DISPLAY=":$display" WINEDLLOVERRIDES="mscoree,mshtml="
timeout 150 wineboot -i >/dev/null 2>&1 || { echo "wine boot did not finish" >&2; exit 1; }
timeout 120 wine "$exe" --gtest_color=no 2>&1 | tr -d '\r'
[ "${PIPESTATUS[0]}" -eq 0 ]
