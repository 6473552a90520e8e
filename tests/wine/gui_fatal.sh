#!/usr/bin/env bash
# vetrel.exe in a network namespace without any adapter but loopback: the start-up ends with
# "Ошибка при определении сетевого адаптера.", exit code 0, and a log holding the start line
# without an exit line. Argument: the mingw build directory. Needs root (ip netns).
set -uo pipefail
build=$(cd "${1:?usage: gui_fatal.sh MINGW_BUILD_DIR}" && pwd)
. "$(dirname "$0")/../../scripts/wine/wine_lab.sh"
wine_lab_need gui_fatal.sh "$build/vetrel.exe" "$build/gui_driver.exe"

wine_lab_init guifatal
prefix=$(mktemp -d /tmp/gui-fatal-prefix.XXXXXX) || exit 1

ip netns add "$ns" || exit 1
ip -n "$ns" link set lo up
start_xvfb 1024x768 || exit 1
inns 150 wineboot -i >/dev/null 2>&1 || { echo "wine boot did not finish" >&2; exit 1; }

cp "$build/vetrel.exe" "$build/gui_driver.exe" "$work/"
printf '[Vetrel]\r\nWriteLog=1\r\n' >"$work/quorel.ini"
cd "$work" || exit 1
inns 120 wine vetrel.exe >/dev/null 2>&1 &
program=$!
box=none
for _ in $(seq 30); do
  box=$(inns 20 wine gui_driver.exe Default waitbox 1 2>/dev/null | tr -d '\r')
  [ "$box" != none ] && [ -n "$box" ] && break
  sleep 1
done
[ "$box" = "$(printf 'Vetrel%39s' '')|Ошибка при определении сетевого адаптера." ] &&
  pass "the adapter error is shown" || fail "box: $box"
inns 20 wine gui_driver.exe Default answer ok >/dev/null 2>&1
wait "$program"
rc=$?
[ "$rc" -eq 0 ] && pass "exit code 0" || fail "exit code $rc"
log=$(iconv -f cp1251 -t utf-8 quorel.log | tr -d '\r')
echo "$log" | grep -q 'Запуск программы\.$' && pass "start line logged" || fail "log: $log"
echo "$log" | grep -q 'Выход из программы' && fail "an exit line was logged" || pass "no exit line"
[ -e quorel.ini ] && [ "$(tr -d '\r' <quorel.ini)" = $'[Vetrel]\nWriteLog=1' ] &&
  pass "settings not written after a fatal start" || fail "quorel.ini changed: $(cat quorel.ini)"
wine_lab_verdict gui_fatal
